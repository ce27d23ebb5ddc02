"""What every scenario module shares: finding the project, a machine with a display per test
class, the screenshots folder, and keeping a failed scenario's machine for a look inside."""

import shutil
import sys
import time
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
if str(ROOT) not in sys.path:
    sys.path.insert(0, str(ROOT))

from tests.e2e.harness import Display, Tavisto, WineMachine, work_root  # noqa: E402


def screenshot_dir() -> Path:
    return work_root() / "screenshots"


class ScenarioCase(unittest.TestCase):
    """A test class with one Wine machine and one display of its own. Subclasses prepare the
    machine in prepare(machine) before the Wine server of the scenario starts."""

    machine_name = None
    screen = (1024, 768)  # the virtual display's size

    @classmethod
    def prepare(cls, machine):
        """Set the machine up (files, registry) before the scenario's session starts."""

    @classmethod
    def setUpClass(cls):
        # Scenario modules run side by side and may name their classes alike.
        module = Path(sys.modules[cls.__module__].__file__).stem
        name = f"{module}-{cls.machine_name or cls.__name__}"
        cls.machine = WineMachine(work_root() / "machines" / name)
        cls.display = Display(*cls.screen).__enter__()
        cls._session = cls.machine.session(cls.display)
        cls._session.__enter__()
        cls.prepare(cls.machine)

    @classmethod
    def tearDownClass(cls):
        cls._session.__exit__(None, None, None)
        cls.display.__exit__(None, None, None)
        if getattr(cls, "_passed", True):
            shutil.rmtree(cls.machine.root, ignore_errors=True)
        else:
            print(f"machine kept in {cls.machine.root}", file=sys.stderr)

    def run(self, result=None):
        result = super().run(result)
        if result is not None and (result.failures or result.errors):
            type(self)._passed = False
        return result

    def screenshot(self, name: str):
        return self.display.screenshot(screenshot_dir() / f"{name}.png")

    def start_tavisto(self, cwd=None, others=(), **options) -> Tavisto:
        """Starts the program; with others (running Tavisto objects), a window besides theirs."""
        app = Tavisto(self.machine, cwd=cwd, **options)
        app.start(others=others)
        self.addCleanup(self._close_quietly, app)
        return app

    @staticmethod
    def _close_quietly(app):
        if app.process and app.process.poll() is None:
            try:
                app.close()
            except Exception:
                app.process.kill()


class MailRecorder:
    """A mail program on the machine's PATH that records the mailto: URL it is handed (Wine's
    Simple MAPI passes a message to the desktop's mail program through xdg-email)."""

    def __init__(self, machine):
        self.record = machine.root / "mails.txt"
        folder = machine.root / "bin"
        folder.mkdir(parents=True, exist_ok=True)
        program = folder / "xdg-email"
        program.write_text(f'#!/bin/sh\nprintf "%s\\n" "$@" >> "{self.record}"\n')
        program.chmod(0o755)
        machine.extra_path = [folder]

    def mails(self, expected=0, timeout=15.0):
        """The mails handed over so far, waiting up to timeout seconds for the expected count:
        the mail program is started without anyone waiting for it, so it may still be on its way
        when the window is idle again."""
        deadline = time.monotonic() + timeout
        while True:
            mails = self.record.read_text().splitlines() if self.record.exists() else []
            if len(mails) >= expected or time.monotonic() > deadline:
                return mails
            time.sleep(0.1)


def main():
    unittest.main(verbosity=2)
