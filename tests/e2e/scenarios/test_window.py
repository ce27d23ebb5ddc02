"""The main window on a real (Wine) machine: caption, identity panel against the machine's own
facts, button states, layout at 96 DPI, anchors, the error box, a clean close; and the window at
96 to 192 DPI on a small and a large screen."""

import getpass
import re
import subprocess

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


ANCHORED_RIGHT = {"Save Result", "Send result by email", "Save Data", "Send data by email"}
WORKING_BUTTONS = ("Start Analysis", "Get Data")  # the two enabled at start
ALL_BUTTONS = WORKING_BUTTONS + tuple(ANCHORED_RIGHT)


def inside(rect, area):
    x, y, width, height = rect
    ax, ay, area_width, area_height = area
    return x >= ax and y >= ay and x + width <= ax + area_width and y + height <= ay + area_height


def overlap(a, b):
    return a[0] < b[0] + b[2] and b[0] < a[0] + a[2] and a[1] < b[1] + b[3] and b[1] < a[1] + a[3]


class ScreensAndScaling(ScenarioCase):
    """The window at 96, 120, 144 and 192 DPI on one screen, with a panel taking part of it: the
    whole window inside the work area, every button inside the client area and taking the mouse,
    every caption label wide enough for its text; then the same at the window's minimum size."""

    screen = (1024, 768)
    work_area = (0, 32, 1024, 736)  # a 32-pixel panel along the top
    click_all_at = 192  # the DPI at which every button is clicked, at the smallest window

    @classmethod
    def prepare(cls, machine):
        x, y, width, height = cls.work_area
        subprocess.run(["xprop", "-root", "-display", cls.display.name, "-f", "_NET_WORKAREA", "32c",
                        "-set", "_NET_WORKAREA", f"{x},{y},{width},{height}"], check=True, timeout=60)
        # Without a window manager Wine waits two seconds for one to confirm every window it
        # hides; windows it does not hand to a manager close at once.
        machine.reg_add(r"HKCU\Software\Wine\X11 Driver", "Managed", "N")

    def test_every_dpi(self):
        for dpi in (96, 120, 144, 192):
            self.machine.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", dpi, "REG_DWORD")
            with self.subTest(dpi=dpi):
                app = self.start_tavisto()
                try:
                    self.check_window_at(app, dpi)
                finally:
                    self._close_quietly(app)  # before the next DPI's window opens

    def check_window_at(self, app, dpi):
        name = f"window-{self.screen[0]}x{self.screen[1]}-{dpi}dpi"
        state = app.state()
        self.screenshot(name)
        self.assertEqual(state["dpi"], dpi)
        self.assertEqual(tuple(state["work"]), self.work_area)

        # Scaled as designed where that fits the work area, else cut to it; centred in it.
        x, y, width, height = state["rect"]
        wanted = (scale(406, dpi), scale(503, dpi))
        self.assertEqual((width, height), tuple(min(w, a) for w, a in zip(wanted, self.work_area[2:])))
        self.assertTrue(inside(state["rect"], self.work_area), state["rect"])
        self.assertLessEqual(abs(x - (self.work_area[0] + (self.work_area[2] - width) // 2)), 1)
        self.assertLessEqual(abs(y - (self.work_area[1] + (self.work_area[3] - height) // 2)), 1)

        # The controls keep their distances to the edges of the client area the scaled design
        # was drawn for (the wanted window less its frame), measured from the one it really has.
        client = state["client"][2:]
        frame = (width - client[0], height - client[1])
        dx = client[0] - (wanted[0] - frame[0])
        dy = client[1] - (wanted[1] - frame[1])
        for key, design in DESIGN.items():
            ex, ey, ew, eh = (scale(v, dpi) for v in design)
            if key == 100:
                expected = (ex, ey, ew + dx, eh + dy)
            else:
                expected = (ex + (dx if key in ANCHORED_RIGHT else 0), ey + dy, ew, eh)
            control = by_id(state, key) if isinstance(key, int) else by_text(state, key)
            self.assertEqual(tuple(control["rect"]), expected, key)
        self.check_usable(app, state)

        # The captions, whole in the font their labels draw with.
        widths = {label["id"]: label for label in app.driver("labels")["labels"]}
        self.assertEqual([by_id(state, 200 + row)["text"] for row in range(6)], CAPTIONS)
        for button in (c for c in state["controls"] if c["class"] == "Button"):
            # Whole inside the button's border, which takes a few pixels on either side.
            self.assertLessEqual(widths[button["id"]]["width"] + scale(6, dpi), button["rect"][2], (dpi, button["text"]))
        for row in range(6):
            caption, value = by_id(state, 200 + row), by_id(state, 210 + row)
            self.assertLessEqual(widths[200 + row]["width"], caption["rect"][2], (dpi, caption["text"]))
            self.assertEqual(caption["rect"][0] + caption["rect"][2], value["rect"][0])
            self.assertEqual(value["rect"][0] + value["rect"][2], scale(390, dpi) + dx)

        # The smallest the window gets still shows every button whole.
        app.driver("resize", 1, 1)
        small = app.state()
        self.screenshot(name + "-min")
        self.assertLess(small["rect"][2], width)
        self.assertLess(small["rect"][3], height)
        self.assertTrue(inside(small["rect"], self.work_area), small["rect"])
        memo = by_id(small, 100)["rect"]
        self.assertGreaterEqual(memo[3], scale(40, dpi))
        self.check_usable(app, small)
        for row in range(6):
            self.assertLessEqual(widths[200 + row]["width"], by_id(small, 200 + row)["rect"][2])

        if dpi == self.click_all_at:
            # The two working buttons, clicked with the mouse, enable the other four, which then
            # take the mouse too.
            app.driver("press", "Start Analysis", "click")
            app.expect_message("Finish")
            app.driver("press", "Get Data", "click")
            # Nothing is installed here: Get Data says so, and enables its buttons all the same.
            app.expect_message("Get Data finished, but Data.zip is incomplete:\r\n"
                               f"no product is installed for the user {self.machine.user}")
            self.screenshot(name + "-min-all-enabled")
            self.check_usable(app, app.state(), ALL_BUTTONS)

    def check_usable(self, app, state, pressed=WORKING_BUTTONS):
        """Every button whole inside the client area and clear of the others and of the memo; the
        pressed ones go down under the mouse."""
        client = state["client"]
        buttons = [c for c in state["controls"] if c["class"] == "Button"]
        self.assertEqual(len(buttons), 6)
        for i, button in enumerate(buttons):
            self.assertTrue(button["visible"])
            self.assertTrue(inside(button["rect"], client), (button["text"], button["rect"], client))
            self.assertFalse(overlap(button["rect"], by_id(state, 100)["rect"]), button["text"])
            for other in buttons[i + 1:]:
                self.assertFalse(overlap(button["rect"], other["rect"]), (button["text"], other["text"]))
        for caption in pressed:
            app.driver("press", caption)


class ScreensAndScalingLarge(ScreensAndScaling):
    screen = (1920, 1080)
    work_area = (0, 0, 1920, 1040)  # a 40-pixel taskbar along the bottom
    click_all_at = None


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
