"""Runs Tavisto on the sample machine (see scripts/run-sample.sh). Exits non-zero, naming the
step and why, when a step does not end with the message it should."""

import os
import shutil
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT))

from tests.e2e.harness import (Display, DriverError, Tavisto, WineMachine, build_dir,  # noqa: E402
                               is_32bit_program, tavisto_exe)
from tests.fixtures import sample_machine  # noqa: E402

# As a support request goes: the data first, so the report's CS.log sections hold the logs of
# the data folders Get Data found.
STEPS = [("Get Data", "Finished"), ("Start Analysis", "Finish"),
         ("Save Result", "File saved on your desktop."), ("Save Data", "File saved on your desktop.")]


class StepFailed(Exception):
    pass


def press(app, caption, waits_for):
    """Presses a button and closes the message that ends its work; StepFailed says why not."""
    try:
        app.click(caption)
        box = app.dialog(1800000)
        app.answer(box["buttons"][0] if box["buttons"] else "OK")
    except DriverError as error:
        raise StepFailed(str(error)) from None
    text = box["text"].encode("latin-1").decode("cp1252")
    if text != waits_for:
        raise StepFailed(f"it ended with the message {text!r}, not {waits_for!r}")
    return text


def main():
    machine_root = build_dir() / "sample-machine"
    bits = "32-bit" if is_32bit_program(tavisto_exe()) else "64-bit"
    print(f"Preparing the sample machine in {machine_root} for the {bits} {tavisto_exe()} ...")
    machine = WineMachine(machine_root)
    program_folder = machine.c(r"C:\Tavisto")
    program_folder.mkdir(parents=True, exist_ok=True)
    shutil.copy2(tavisto_exe(), program_folder / "tavisto.exe")
    interactive = bool(os.environ.get("DISPLAY"))
    failed = None
    shot = None
    with Display(existing=os.environ.get("DISPLAY") or None) as display, machine.session(display):
        sample_machine.install(machine)
        sample_machine.install_tools(machine, program_folder)
        sample_machine.install_serial_drivers(machine)
        app = Tavisto(machine, cwd=program_folder, exe=program_folder / "tavisto.exe")
        try:
            app.start()
        except DriverError as error:
            print(f"Sample run FAILED: Tavisto did not start: {error}", file=sys.stderr)
            return 1
        if interactive:
            print("Tavisto is open on your display; close its window to end.")
            app.process.wait()
            return 0
        for caption, message in STEPS:
            try:
                print(f"  {caption}: {press(app, caption, message)}", flush=True)
            except StepFailed as why:
                print(f"  {caption}: FAILED", flush=True)
                failed = (caption, why)
                break
        shot = display.screenshot(machine_root / "tavisto.png")
        try:
            app.close()
        except DriverError as error:
            print(f"  (closing Tavisto: {error})", file=sys.stderr)
    print("\nResults (the Windows desktop of the sample machine):")
    for name in ("Analysis Result.txt", "Data.zip"):
        path = machine.desktop / name
        print(f"  {path}" + ("" if path.exists() else "  (not written)"))
    print(f"Screenshot: {shot}")
    if failed:
        print(f"\nSample run FAILED at the step {failed[0]!r}: {failed[1]}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
