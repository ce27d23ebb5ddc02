"""What every scenario module shares: finding the project, a machine with a display per test
class, the screenshots folder, and keeping a failed scenario's machine for a look inside."""

import shutil
import sys
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
        name = cls.machine_name or cls.__name__
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

    def start_tavisto(self, cwd=None, **options) -> Tavisto:
        app = Tavisto(self.machine, cwd=cwd, **options)
        app.start()
        self.addCleanup(self._close_quietly, app)
        return app

    @staticmethod
    def _close_quietly(app):
        if app.process and app.process.poll() is None:
            try:
                app.close()
            except Exception:
                app.process.kill()


def main():
    unittest.main(verbosity=2)
