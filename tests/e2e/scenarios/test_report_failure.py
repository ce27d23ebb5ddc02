"""Start Analysis when something fails: a product folder value of the wrong type after a good
report was made costs its lines and nothing else, and Save Result on a full desktop (a small
tmpfs: where none can be mounted, the case says so loudly and is skipped).
"""

import os
import subprocess
import sys

from scenario import MailRecorder, main
from test_report import Expectation, ReportCase, enabled, key_log_date, memo_lines

from tests.e2e.harness import decode

NAMED = r"Zorvel: AppPath in HKEY_CURRENT_USER\Software\Velmo\Zorvel\AppPath is a REG_DWORD, not a folder"
SUDO = [] if os.geteuid() == 0 else ["sudo", "-n"]


class FailureAfterAGoodReport(ReportCase):
    products = ["Zorvel"]

    def test_a_dword_app_path_is_named_in_its_sections_and_the_result_can_still_be_sent(self):
        app = self.start_tavisto(cwd=self.working_folder())
        good = self.analyse(app)
        self.machine.reg_add(r"HKCU\Software\Velmo\Zorvel\AppPath", "AppPath", 7, "REG_DWORD")
        app.click("Start Analysis")
        box = app.dialog(120000)
        self.screenshot("report-failure-box")
        self.assertEqual((decode(box["text"]).decode("cp1252"), box["icon"]),
                         ("Finish\r\n\r\nThe report could not read everything; it says so at each place:\r\n" + NAMED,
                          True))
        app.answer("OK")
        app.wait_idle()
        lines = memo_lines(app)
        identity, _ = Expectation(self, app, [], []).identity()
        self.assertEqual(lines[:11], identity + ["", "----------------PLUGINS VERSION--------------", NAMED, ""])
        zorvel_log = lines.index("--------------------Zorvel CS.log---------------")
        self.assertEqual(lines[zorvel_log + 1], NAMED)
        # Without its program folder the report loses Zorvel's program versions and program files,
        # and only them: from the DPI section on, the rest stands as before but for the dump's value.
        dpi = "--------------------DPI SETTINGS -------------------------"
        before, after = good[good.index(dpi):], lines[lines.index(dpi):]
        before.remove(key_log_date(good))
        after.remove(key_log_date(lines))
        self.assertEqual([line for line in after if line not in before], [" " * 18 + "AppPath = 7"])
        gone = [line for line in before if line not in after]
        self.assertIn(" " * 18 + "AppPath = C:\\Velmo\\Zorvel\\Bin\\", gone)
        self.assertTrue(all(line.startswith("C:\\Velmo\\Zorvel\\") for line in gone[1:]), gone)
        self.assertTrue(enabled(app)["Save Result"] and enabled(app)["Send result by email"])
        app.close()


class FullDesktop(ReportCase):
    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        cls.mail = MailRecorder(machine)
        try:
            mount = subprocess.run(SUDO + ["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", str(machine.desktop)],
                                   capture_output=True, text=True, timeout=60)
            cls.cannot_mount = None if mount.returncode == 0 else mount.stderr.strip() or f"exit {mount.returncode}"
        except OSError as error:  # no sudo
            cls.cannot_mount = str(error)
        if cls.cannot_mount:
            print(f"\n*** CANNOT RUN the full-desktop case: no tmpfs can be mounted as the desktop here "
                  f"({cls.cannot_mount}); it needs root or password-less sudo. ***\n", file=sys.stderr)
            return
        room = os.statvfs(machine.desktop)  # our own file fills all but two kilobytes
        (machine.desktop / "filler.bin").write_bytes(bytes(room.f_bavail * room.f_frsize - 2048))

    @classmethod
    def tearDownClass(cls):
        if getattr(cls, "cannot_mount", "not prepared") is None:
            subprocess.run(SUDO + ["umount", "-l", str(cls.machine.desktop)], check=False, timeout=60)
        super().tearDownClass()

    def test_save_result_removes_what_it_could_not_write_whole_and_the_mail_still_goes(self):
        if self.cannot_mount:
            self.skipTest(f"CANNOT RUN: no tmpfs as the desktop ({self.cannot_mount})")
        app = self.start_tavisto(cwd=self.working_folder())
        self.analyse(app)
        app.click("Save Result")
        box = app.dialog()
        self.screenshot("report-full-desktop")
        text = decode(box["text"]).decode("cp1252")
        self.assertTrue(box["icon"])
        self.assertIn(f"Erreur d'\xe9criture dans le flux. C:\\users\\{self.machine.user}\\Desktop\\"
                      "Analysis Result.txt could not be written whole (", text)
        self.assertTrue(text.endswith("); the part written has been removed."), text)
        app.answer("OK")
        app.wait_idle()
        # The result mail's attachment is written in a folder of Tavisto's own, not on the desktop.
        app.click("Send result by email")
        app.wait_idle()
        mails = self.mail.mails(1)
        self.assertEqual(len(mails), 1, mails)
        self.assertIn("subject=Qrx%20Key%20Program", mails[0])
        self.assertEqual([p.name for p in self.machine.desktop.iterdir()], ["filler.bin"])
        app.close()


if __name__ == "__main__":
    main()
