"""The window for keyboard users and screen readers, with real key presses: Tab and Shift+Tab
through the enabled controls in tab order, Enter in the memo a line break, Space, Enter and
Alt+letter pressing buttons, the focus after each box and after the window is activated again;
the names Active Accessibility gives screen readers; the identity panel in high contrast."""

import getpass
import re
import subprocess
import time

from scenario import ScenarioCase, main

from tests.e2e.harness import decode

MEMO, START, SAVE_RESULT, SEND_RESULT, GET_DATA, SAVE_DATA, SEND_DATA = range(100, 107)
CAPTIONS = {START: "Start Analysis", SAVE_RESULT: "Save Result", SEND_RESULT: "Send result by email",
            GET_DATA: "Get Data", SAVE_DATA: "Save Data", SEND_DATA: "Send data by email"}
ROWS = ["Computer Name", "User", "Owner & Company", "O.S. & Version", "Total physical memory",
        "Avaiable physical memory"]
NT_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion"
TEAL = (0, 128, 128)
BLACK = (0, 0, 0)  # the high-contrast scheme's button face, behind labels


class KeyboardAndScreenReaders(ScenarioCase):
    @classmethod
    def prepare(cls, machine):
        machine.reg_add(NT_KEY, "RegisteredOwner", "Ada Lovelace")
        machine.reg_add(NT_KEY, "RegisteredOrganization", "Smith & Sons")

    def keys(self, app, chords, focus=None):
        """Types the chords; with focus, waits until that control has the keyboard focus."""
        return app.driver("keys", chords, *([focus] if focus is not None else []))

    def wait_memo(self, app, expected: bytes):
        deadline = time.monotonic() + 10
        while (memo := app.memo()) != expected and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertEqual(memo, expected)

    def box_closed_by_enter(self, app, text, focus):
        """The job's box says `text`; Enter closes it and the focus is back on `focus`."""
        self.assertEqual(app.dialog()["text"], text)
        self.keys(app, "enter", focus)

    def test_keyboard_alone_works_the_window(self):
        app = self.start_tavisto()
        app.driver("focus", MEMO)  # the first control of the tab order

        # Each button has its own mnemonic; the captions show without the marker.
        buttons = [c for c in app.state()["controls"] if c["class"] == "Button"]
        self.assertEqual({b["id"]: b["text"] for b in buttons}, CAPTIONS)
        mnemonics = {b["id"]: b["mnemonic"] for b in buttons}
        self.assertEqual(len({m.lower() for m in mnemonics.values() if m}), 6, mnemonics)

        # Enter in the memo is a line break, Esc leaves the window (and the report) alone.
        self.keys(app, "a,enter,b,esc,c")
        self.wait_memo(app, b"a\r\nbc")

        # Tab and Shift+Tab reach every enabled control in tab order, skipping disabled ones;
        # back in the memo, the text is not selected, so typing adds to it.
        for chord, focus in [("tab", START), ("tab", GET_DATA), ("tab", MEMO), ("shift+tab", GET_DATA),
                             ("shift+tab", START), ("shift+tab", MEMO), ("d", MEMO)]:
            with self.subTest(chord=chord, focus=focus):
                self.keys(app, chord, focus)
        self.wait_memo(app, b"a\r\nbcd")

        # Space presses the focused button; the focus comes back to it when its box closes.
        self.keys(app, "tab", START)
        self.screenshot("keyboard-focus-start-analysis")
        self.keys(app, "space")
        self.box_closed_by_enter(app, "Finish", START)
        # The two enabled by the analysis join the tab order.
        for focus in (SAVE_RESULT, SEND_RESULT, GET_DATA, MEMO):
            self.keys(app, "tab", focus)

        # Enter presses the focused button.
        self.keys(app, "shift+tab", GET_DATA)
        self.keys(app, "enter")
        # Nothing is installed on this machine: Get Data says so.
        self.box_closed_by_enter(app, "Get Data finished, but Data.zip is incomplete:\r\n"
                                 f"no product is installed for the user {self.machine.user}", GET_DATA)

        # Alt+letter presses a button while the memo has the focus; the focus then goes to the
        # button that started the job.
        self.keys(app, "shift+tab,shift+tab,shift+tab,shift+tab", MEMO)
        self.keys(app, "alt+" + mnemonics[SAVE_DATA])
        self.box_closed_by_enter(app, "File saved on your desktop.", SAVE_DATA)
        self.assertTrue((self.machine.desktop / "Data.zip").exists())

        # Activated again after another window had the activation, the window gives the focus
        # back to the control that had it.
        app.driver("reactivate")
        app.driver("focus", SAVE_DATA)
        self.screenshot("keyboard-focus-after-reactivation")

        # A button pressed without taking the focus (a click another program posts) gets it
        # after the job all the same.
        self.keys(app, "tab,tab", MEMO)
        app.click("Save Result")
        self.box_closed_by_enter(app, "File saved on your desktop.", SAVE_RESULT)

    def test_screen_reader_names_and_high_contrast(self):
        app = self.start_tavisto()
        state = app.state()
        self.assertEqual(panel_colours(self.display, state), [TEAL] * 12)

        names = {n["id"]: n for n in app.driver("names")["names"]}
        self.assertEqual(names[MEMO]["name"], "Analysis report")
        mnemonics = {c["id"]: c["mnemonic"] for c in state["controls"] if c["class"] == "Button"}
        for button, caption in CAPTIONS.items():
            self.assertEqual(names[button]["name"], caption)
            self.assertEqual(names[button]["shortcut"].lower(), "alt+" + mnemonics[button].lower())
        computer = self.machine.reg_query(
            r"HKLM\System\CurrentControlSet\Control\ComputerName\ActiveComputerName", "ComputerName")
        values = [computer, getpass.getuser(), "Ada Lovelace, Smith & Sons"]
        for row, caption in enumerate(ROWS):
            value = values[row] if row < len(values) else decode(by_id(state, 210 + row)["text"]).decode("cp1252")
            self.assertEqual(names[200 + row]["name"], caption)
            self.assertEqual(decode(names[210 + row]["name"]).decode("cp1252"), f"{caption}: {value}")

        # High contrast on: the panel takes the system's colours instead of its teal.
        app.driver("high-contrast")
        deadline = time.monotonic() + 10
        while (colours := panel_colours(self.display, state)) != [BLACK] * 12 and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertEqual(colours, [BLACK] * 12)
        self.screenshot("keyboard-high-contrast")


def by_id(state, control_id):
    return next(c for c in state["controls"] if c["id"] == control_id)


def panel_colours(display, state):
    """The colour at the right end of each identity label, where no text reaches."""
    ppm = subprocess.run(["import", "-display", display.name, "-window", "root", "-depth", "8", "ppm:-"], check=True,
                         capture_output=True, timeout=60).stdout
    header = re.match(rb"P6\s+(\d+)\s+\d+\s+255\s", ppm)
    assert header, ppm[:20]
    width, pixels = int(header.group(1)), ppm[header.end():]
    colours = []
    for control in (c for c in state["controls"] if 200 <= c["id"] < 220):
        x, y, w, h = control["rect"]
        at = 3 * ((state["origin"][1] + y + h // 2) * width + state["origin"][0] + x + w - 2)
        colours.append(tuple(pixels[at:at + 3]))
    return colours


if __name__ == "__main__":
    main()
