"""Start Analysis when something fails: a report a failing step ends after a good one was made,
and Save Result on a full desktop (a small tmpfs: where none can be mounted,
the case says so loudly and is skipped).
"""

import os
import subprocess
import sys

from scenario import MailRecorder, main
from test_report import Expectation, ReportCase, enabled, memo_lines

from tests.e2e.harness import decode

INCOMPLETE = ("The analysis stopped at the section \"PLUGINS VERSION\": Type de donn\xe9es incorrect pour "
              "'AppPath'. The report is incomplete.")
SUDO = [] if os.geteuid() == 0 else ["sudo", "-n"]


class FailureAfterAGoodReport(ReportCase):
    products = ["Zorvel"]

    def test_the_failed_step_ends_the_memo_and_turns_the_result_buttons_off(self):
        app = self.start_tavisto(cwd=self.working_folder())
        self.analyse(app)
        self.assertTrue(enabled(app)["Save Result"] and enabled(app)["Send result by email"])
        self.machine.reg_add(r"HKCU\Software\Velmo\Zorvel\AppPath", "AppPath", 7, "REG_DWORD")
        app.click("Start Analysis")
        box = app.dialog(120000)
        self.screenshot("report-failure-box")
        self.assertEqual((decode(box["text"]).decode("cp1252"), box["caption"], box["icon"]),
                         (INCOMPLETE, "tavisto", True))
        app.answer("OK")
        app.wait_idle()
        identity, _ = Expectation(self, app, [], []).identity()
        self.assertEqual(memo_lines(app), identity + ["", "----------------PLUGINS VERSION--------------", INCOMPLETE])
        self.assertFalse(enabled(app)["Save Result"] or enabled(app)["Send result by email"])
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
