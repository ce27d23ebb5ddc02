"""A desktop redirected to a folder that is gone (a company's folder redirection, a synced desktop
offline): the shell finds no desktop. Both saves name the folder and say what to do, and write
nothing anywhere else (never "\\Analysis Result.txt" at a drive's root); Get Data and the result
mail, which need no desktop, go on working; the report's line for a local application data
folder that is gone says so.
"""

from pathlib import Path

from scenario import main
from test_delivery import DeliveryCase

GONE_DESKTOP = r"C:\users\Public\Gone Desktop"
GONE_LOCAL = r"C:\users\Public\Gone Local"
SHELL_FOLDERS = r"HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"


def missing(save, mail):
    return (f"{save} could not find your desktop folder ({GONE_DESKTOP}: the path does not exist). Make that folder "
            f"available again, then save once more, or use {mail}.")


class MissingDesktop(DeliveryCase):
    products = ["Pylvex"]

    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        machine.reg_add(SHELL_FOLDERS, "Desktop", GONE_DESKTOP, kind="REG_EXPAND_SZ")
        machine.reg_add(SHELL_FOLDERS, "Local AppData", GONE_LOCAL, kind="REG_EXPAND_SZ")

    def places_a_save_could_land(self):
        """Every folder a file joined to an empty desktop path could land in, with what it holds."""
        roots = [self.machine.c("C:\\"), Path("/"), self.working, self.machine.home, self.machine.desktop]
        return {root: sorted(p.name for p in root.iterdir()) for root in roots}

    def test_both_saves_name_the_missing_desktop_and_write_nothing_elsewhere(self):
        before = self.places_a_save_could_land()
        app = self.start()
        app.click("Start Analysis")
        app.expect_message("Finish", 600000)
        lines = app.memo().decode("cp1252").split("\r\n")
        self.assertIn(f"CSIDL_LOCAL_APPDATA =(not found: {GONE_LOCAL}: the path does not exist)", lines)

        mailed = len(self.mails())
        app.click("Send result by email")
        app.wait_idle()
        self.assertIsNone(app.state()["dialog"])
        self.assertEqual(len(self.mails(mailed + 1)), mailed + 1)

        for save, mail in (("Save Result", "Send result by email"), ("Save Data", "Send data by email")):
            if save == "Save Data":
                self.get_data(app)
            app.click(save)
            box = app.dialog()
            if save == "Save Data":
                self.screenshot("missing-desktop-save-data")
            self.assertEqual(box["text"], missing(save, mail))
            self.assertTrue(box["icon"])
            app.answer("OK")
        app.close()
        self.assertEqual(self.places_a_save_could_land(), before)
        self.assertFalse(self.machine.c(GONE_DESKTOP).exists())


if __name__ == "__main__":
    main()
