"""The main window on a real (Wine) machine: caption, identity panel against the machine's own
facts, button states, layout at 96 and 120 DPI, anchors, the error box, a clean close."""

import getpass
import re

from scenario import ScenarioCase, main

from tests.e2e.harness import decode

DESIGN = {  # caption or id -> (x, y, width, height) at 96 DPI, client coordinates
    100: (8, 106, 381, 281),
    "Start Analysis": (8, 397, 113, 25),
    "Save Result": (158, 397, 77, 25),
    "Send result by email": (253, 397, 116, 25),
    "Get Data": (8, 437, 113, 25),
    "Save Data": (158, 437, 77, 25),
    "Send data by email": (254, 437, 115, 25),
}
CAPTIONS = [" Computer Name", " User", " Owner && Company", " O.S. && Version", " Total physical memory",
            " Avaiable physical memory"]
VALUE_IDS = {"computer": 210, "user": 211, "owner": 212, "system": 213, "memT": 214, "memD": 215}
NT_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion"


def scale(value, dpi):
    # MulDiv: round half away from zero
    return (value * dpi + 48) // 96


def by_id(state, control_id):
    return next(c for c in state["controls"] if c["id"] == control_id)


def by_text(state, text):
    return next(c for c in state["controls"] if c["text"] == text)


def total_memory_kb():
    with open("/proc/meminfo") as meminfo:
        for line in meminfo:
            if line.startswith("MemTotal:"):
                return int(line.split()[1])
    raise AssertionError("no MemTotal")


class WindowAt96Dpi(ScenarioCase):
    @classmethod
    def prepare(cls, machine):
        machine.reg_add(NT_KEY, "RegisteredOwner", "Ada Lovelace")
        machine.reg_add(NT_KEY, "RegisteredOrganization", "Analytical Engines")

    def test_identity_panel_buttons_and_layout(self):
        app = self.start_tavisto()
        state = app.state()
        self.screenshot("window-96dpi")

        self.assertEqual(state["caption"], "Tavisto. Ver. 1.6.4.0")
        self.assertEqual(state["dpi"], 96)

        # Identity panel, against facts read independently from the machine.
        values = {name: decode(by_id(state, i)["text"]).decode("cp1252") for name, i in VALUE_IDS.items()}
        computer = self.machine.reg_query(
            r"HKLM\System\CurrentControlSet\Control\ComputerName\ActiveComputerName", "ComputerName")
        self.assertEqual(values["computer"], computer)
        self.assertEqual(values["user"], getpass.getuser())
        self.assertEqual(values["owner"], "Ada Lovelace, Analytical Engines")
        version = self.machine.reg_query(NT_KEY, "CurrentVersion")
        build = self.machine.reg_query(NT_KEY, "CurrentBuildNumber")
        service_pack = self.machine.reg_query(NT_KEY, "CSDVersion")
        self.assertEqual(values["system"], f"Windows NT ver. {version} ({build}.{service_pack})")
        # Whole KiB of the host's memory (Wine rounds it by a page or so), no separators.
        total = re.fullmatch(r"(\d+) Kb", values["memT"])
        self.assertIsNotNone(total, values["memT"])
        self.assertLess(abs(int(total.group(1)) - total_memory_kb()), 64)
        available = re.fullmatch(r"(\d+) Kb", values["memD"])
        self.assertIsNotNone(available, values["memD"])
        self.assertLessEqual(int(available.group(1)), total_memory_kb())

        labels = [by_id(state, 200 + row)["text"] for row in range(6)]
        self.assertEqual(labels, CAPTIONS)

        # Only the two working buttons are enabled at start; the memo is empty.
        enabled = {c["text"]: c["enabled"] for c in state["controls"] if c["class"] == "Button"}
        self.assertEqual(enabled, {"Start Analysis": True, "Get Data": True, "Save Result": False,
                                   "Send result by email": False, "Save Data": False,
                                   "Send data by email": False})
        self.assertEqual(app.memo(), b"")

        # Design positions, unscaled at 96 DPI.
        for key, rect in DESIGN.items():
            control = by_id(state, key) if isinstance(key, int) else by_text(state, key)
            self.assertEqual(tuple(control["rect"]), rect, key)
        for row in range(6):
            self.assertEqual(tuple(by_id(state, 200 + row)["rect"]), (4, 2 + 16 * row, 138, 15))
            self.assertEqual(tuple(by_id(state, 210 + row)["rect"]), (142, 2 + 16 * row, 248, 15))

        # Window centred on the screen.
        x, y, width, height = state["rect"]
        self.assertEqual((width, height), (406, 503))
        self.assertLessEqual(abs(x - (state["screen"][0] - width) // 2), 1)
        self.assertLessEqual(abs(y - (state["screen"][1] - height) // 2), 1)

        # Anchors: a bigger window stretches memo and values; buttons keep their edges.
        app.driver("resize", 506, 583)
        grown = app.state()
        self.assertEqual(tuple(by_id(grown, 100)["rect"]), (8, 106, 481, 361))
        self.assertEqual(tuple(by_id(grown, 210)["rect"]), (142, 2, 348, 15))
        self.assertEqual(tuple(by_text(grown, "Start Analysis")["rect"]), (8, 477, 113, 25))
        self.assertEqual(tuple(by_text(grown, "Save Result")["rect"]), (258, 477, 77, 25))
        self.assertEqual(tuple(by_text(grown, "Send data by email")["rect"]), (354, 517, 115, 25))

        # A disabled button cannot be pressed.
        refused = app.driver("click", "Save Data", check=False)
        self.assertIn("disabled", refused.get("error", ""))

        app.close()
        self.assertEqual(app.process.wait(timeout=60), 0)


class WindowAt120Dpi(ScenarioCase):
    @classmethod
    def prepare(cls, machine):
        machine.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", 120, "REG_DWORD")
        machine.reg_add(r"HKCC\Software\Fonts", "LogPixels", 120, "REG_DWORD")

    def test_window_and_controls_scale_by_120_over_96(self):
        app = self.start_tavisto()
        state = app.state()
        self.screenshot("window-120dpi")
        self.assertEqual(state["dpi"], 120)
        _, _, width, height = state["rect"]
        self.assertEqual((width, height), (scale(406, 120), scale(503, 120)))
        for key, rect in DESIGN.items():
            control = by_id(state, key) if isinstance(key, int) else by_text(state, key)
            self.assertEqual(tuple(control["rect"]), tuple(scale(v, 120) for v in rect), key)
        self.assertEqual(tuple(by_id(state, 215)["rect"]), tuple(scale(v, 120) for v in (142, 82, 248, 15)))
        app.close()


class OwnerOfTheWrongType(ScenarioCase):
    @classmethod
    def prepare(cls, machine):
        machine.reg_add(NT_KEY, "RegisteredOwner", 7, "REG_DWORD")

    def test_the_error_box_shows_the_registry_error_and_the_program_ends(self):
        process = self.machine.popen([self.machine_exe()], cwd=self.machine.root)
        app = self.attach(process)
        box = app.dialog(60000)
        self.screenshot("error-box")
        self.assertEqual(decode(box["text"]), b"Type de donn\xe9es incorrect pour 'RegisteredOwner'.")
        self.assertEqual(box["caption"], "tavisto")
        self.assertTrue(box["icon"])
        self.assertEqual(box["buttons"], ["OK"])
        app.answer("OK")
        self.assertEqual(process.wait(timeout=60), 1)

    def machine_exe(self):
        from tests.e2e.harness import tavisto_exe
        return tavisto_exe()

    def attach(self, process):
        from tests.e2e.harness import Tavisto
        app = Tavisto(self.machine)
        app.process = process
        return app


if __name__ == "__main__":
    main()
