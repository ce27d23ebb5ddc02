"""Start Analysis and its results when something fails, end to end: a report that a step ends
after a good one was made, and Save Result and the result mail on a desktop that is full (a
small tmpfs mounted as the desktop: where this machine cannot mount one, the case says so loudly
and is skipped).
"""

import os
import subprocess
import sys

from scenario import MailRecorder, main
from test_report import Expectation, ReportCase, enabled, memo_lines

from tests.e2e.harness import decode

INCOMPLETE = ("The analysis stopped at the section \"PLUGINS VERSION\": Type de donn\xe9es incorrect pour "
              "'AppPath'. The report is incomplete.")


class FailureAfterAGoodReport(ReportCase):
    products = ["Zorvel"]

    def test_the_failed_step_ends_the_memo_and_turns_the_result_buttons_off(self):
        app = self.start_tavisto(cwd=self.working_folder())
        self.analyse(app)
        self.assertTrue(enabled(app)["Save Result"] and enabled(app)["Send result by email"])
        # Zorvel's AppPath becomes a number: the next report fails where it is read.
        self.machine.reg_add(r"HKCU\Software\Velmo\Zorvel\AppPath", "AppPath", 7, "REG_DWORD")
        app.click("Start Analysis")
        box = app.dialog(120000)
        self.screenshot("report-failure-box")
        self.assertEqual(decode(box["text"]).decode("cp1252"), INCOMPLETE)
        self.assertEqual(box["caption"], "tavisto")
        self.assertTrue(box["icon"])
        app.answer("OK")
        app.wait_idle()
        identity, _ = Expectation(self, app, [], []).identity()
        self.assertEqual(memo_lines(app), identity + ["", "----------------PLUGINS VERSION--------------", INCOMPLETE])
        buttons = enabled(app)
        self.assertFalse(buttons["Save Result"] or buttons["Send result by email"])
        self.assertIsNone(app.state().get("dialog"), "no \"Finish\" after the error")
        app.close()


def mount_tmpfs(folder, size):
    """Mounts a tmpfs of the given size on folder; the reason when it cannot be done."""
    command = ["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", str(folder)]
    if os.geteuid() != 0:
        command = ["sudo", "-n"] + command
    try:
        done = subprocess.run(command, capture_output=True, text=True, timeout=60)
    except OSError as error:
        return str(error)
    return None if done.returncode == 0 else (done.stderr.strip() or f"exit code {done.returncode}")


class FullDesktop(ReportCase):
    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        cls.mail = MailRecorder(machine)
        cls.cannot_mount = mount_tmpfs(machine.desktop, "64k")
        if cls.cannot_mount:
            print(f"\n*** CANNOT RUN the full-desktop case here: no tmpfs can be mounted as the desktop "
                  f"({cls.cannot_mount}); it needs root or password-less sudo. ***\n", file=sys.stderr)
            return
        # Our own file fills the desktop, all but two kilobytes.
        room = os.statvfs(machine.desktop)
        (machine.desktop / "filler.bin").write_bytes(bytes(room.f_bavail * room.f_frsize - 2048))

    @classmethod
    def tearDownClass(cls):
        if getattr(cls, "cannot_mount", "not prepared") is None:
            subprocess.run((["sudo", "-n"] if os.geteuid() != 0 else []) + ["umount", "-l", str(cls.machine.desktop)],
                           check=False, timeout=60)
        super().tearDownClass()

    def test_save_result_and_the_result_mail_remove_what_they_could_not_write_whole(self):
        if self.cannot_mount:
            self.skipTest(f"CANNOT RUN: no tmpfs as the desktop ({self.cannot_mount})")
        app = self.start_tavisto(cwd=self.working_folder())
        self.analyse(app)
        app.click("Save Result")
        box = app.dialog()
        self.screenshot("report-full-desktop")
        text = decode(box["text"]).decode("cp1252")
        self.assertTrue(box["icon"])
        self.assertTrue(text.startswith("Erreur d'\xe9criture dans le flux. C:\\users\\"), text)
        self.assertIn("\\Desktop\\Analysis Result.txt could not be written whole", text)
        self.assertTrue(text.endswith("; the part written has been removed."), text)
        app.answer("OK")
        self.assertEqual(sorted(p.name for p in self.machine.desktop.iterdir()), ["filler.bin"])

        app.click("Send result by email")
        box = app.dialog()
        self.assertEqual(box["caption"], "Erreur")
        self.assertIn("unable send email", box["text"])
        self.assertIn("\\Desktop\\qrxReg.log could not be written whole", decode(box["text"]).decode("cp1252"))
        app.answer("OK")
        app.wait_idle()
        self.assertEqual(sorted(p.name for p in self.machine.desktop.iterdir()), ["filler.bin"])
        self.assertEqual(self.mail.mails(), [])
        app.close()


if __name__ == "__main__":
    main()
