"""Runs Tavisto on the sample machine (see scripts/run-sample.sh)."""

import os
import shutil
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT))

from tests.e2e.harness import Display, DriverError, Tavisto, WineMachine, build_dir, tavisto_exe  # noqa: E402
from tests.fixtures import sample_machine  # noqa: E402


def press(app, caption, waits_for):
    """Presses a button and closes the message that ends its work; returns that message."""
    try:
        app.click(caption)
    except DriverError as error:
        return f"not pressed ({error})"
    box = app.dialog(1800000)
    app.answer(box["buttons"][0] if box["buttons"] else "OK")
    text = box["text"].encode("latin-1").decode("cp1252")
    return text if text == waits_for else f"{text!r} (expected {waits_for!r})"


def main():
    machine_root = build_dir() / "sample-machine"
    print(f"Preparing the sample machine in {machine_root} ...")
    machine = WineMachine(machine_root)
    program_folder = machine.c(r"C:\Tavisto")
    program_folder.mkdir(parents=True, exist_ok=True)
    shutil.copy2(tavisto_exe(), program_folder / "tavisto.exe")
    interactive = bool(os.environ.get("DISPLAY"))
    display = Display(existing=os.environ.get("DISPLAY") or None)
    display.__enter__()
    try:
        with machine.session(display):
            sample_machine.install(machine)
            sample_machine.install_tools(machine, program_folder)
            sample_machine.install_serial_drivers(machine)
            app = Tavisto(machine, cwd=program_folder, exe=program_folder / "tavisto.exe")
            app.start()
            if interactive:
                print("Tavisto is open on your display; close its window to end.")
                app.process.wait()
                return 0
            # As a support request goes: the data first, so the report's CS.log sections hold
            # the logs of the data folders Get Data found.
            steps = [("Get Data", "Finished"), ("Start Analysis", "Finish"),
                     ("Save Result", "File saved on your desktop."), ("Save Data", "File saved on your desktop.")]
            for caption, message in steps:
                print(f"  {caption}: {press(app, caption, message)}")
            shot = display.screenshot(machine_root / "tavisto.png")
            app.close()
    finally:
        display.__exit__(None, None, None)
    print("\nResults (the Windows desktop of the sample machine):")
    for name in ("Analysis Result.txt", "Data.zip"):
        path = machine.desktop / name
        print(f"  {path}" + ("" if path.exists() else "  (not written)"))
    print(f"Screenshot: {shot}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
