"""The report on a machine that feeds it odd facts: each costs one named line, never the report.
`/report` with an eight-byte REG_DWORD in the maker's tree, a REG_DWORD AppPath and a codec tool
that fails writes every section and exits 1 naming the three; Start Analysis in the window while a
product keeps appending to its CS.log ends within a bound, holding the log as it was when opened
and saying that it grew.
"""

import re
import threading
import time

from scenario import ScenarioCase, main
from test_report import SEP, enabled, memo_lines, text_lines

from tests.e2e.harness import build_dir, tavisto_exe, win_path
from tests.fixtures import sample_machine as sm

INCOMPLETE = 1
# The report's headings in their order, as the hyphens around them leave them.
HEADINGS = ("PLUGINS VERSION|Zorvel CS.log|QRX CS.log|PY CS.log|VY CS.log|MQ CS.log|DPI SETTINGS |SOFTWARE PATHS|"
            "FTDI DRIVER VERSION|VELMO REGISTRY KEYS|VELMO REGISTRY KEYS|FFDSHOW-KEY|FILES LIST|"
            "INTERNATIONAL SETTINGS|INSTALLED CODEC|DEVICE MANAGER LIST").split("|")
EIGHT_BYTES = " " * 18 + "Counter = (REG_DWORD of 8 bytes: not shown)"
APP_PATH = r"Zorvel: AppPath in HKEY_CURRENT_USER\Software\Velmo\Zorvel\AppPath is a REG_DWORD, not a folder"
CODEC_EXIT = "InstalledCodec.exe ended with exit code 5 and wrote no list"


class OddValuesAndAFailingTool(ScenarioCase):
    @classmethod
    def prepare(cls, machine):
        sm.install(machine, products=["Zorvel", "Quorix"])
        machine.reg_import("[HKEY_CURRENT_USER\\Software\\Velmo\\Zorvel\\Settings]\n"
                           '"Counter"=hex(4):01,02,03,04,05,06,07,08\n\n'
                           "[HKEY_CURRENT_USER\\Software\\Velmo\\Zorvel\\AppPath]\n"
                           '"AppPath"=dword:00000007\n')
        cls.working = machine.c(r"C:\Tavisto")
        sm.install_tools(machine, cls.working, tools=["DevManView-64.exe"])
        (cls.working / "InstalledCodec.exe").write_bytes(
            (build_dir() / "tests" / "fixtures" / "tools" / "tool_exits_5.exe").read_bytes())

    def test_report_holds_every_section_and_names_each_odd_input(self):
        report = self.machine.root / "Report.txt"
        done = self.machine.run([tavisto_exe(), "/report", win_path(report)], cwd=self.working, check=False,
                                timeout=900)
        out = done.stdout.decode("utf-8", "replace")
        self.assertEqual(done.returncode, INCOMPLETE, out + done.stderr.decode("utf-8", "replace"))
        for named in (r'HKEY_CURRENT_USER\Software\Velmo\Zorvel\Settings: value "Counter" '
                      "(REG_DWORD of 8 bytes: not shown)", APP_PATH, CODEC_EXIT, "Written, but incomplete."):
            self.assertIn(named + "\r\n", out)

        lines = [line.decode("cp1252") for line in report.read_bytes().split(b"\r\n")]
        self.assertEqual([line.strip("-") for line in lines if line.startswith("----") and line.strip("-")], HEADINGS)
        # Each odd input is one line where its part would stand, and what follows it is all there.
        self.assertEqual(lines[lines.index(EIGHT_BYTES) + 1], " " * 18 + "Flags = ??? ")
        zorvel = lines.index("--------------------Zorvel CS.log---------------")
        self.assertEqual(lines[zorvel + 1], APP_PATH)
        codec = lines.index("-----------------INSTALLED CODEC--------------------------")
        self.assertEqual(lines[codec + 1:codec + 4], [SEP, "", CODEC_EXIT])
        self.assertIn("      \\Device\\VCP0 = COM3", lines)  # the last dump of the key log


class GrowingLog(ScenarioCase):
    @classmethod
    def prepare(cls, machine):
        sm.install(machine, products=["Quorix"])
        cls.log_path = machine.c(sm.product_values(machine.user)["Quorix"]["AppDataPath"][:-1]) / "CS.log"
        cls.log_path.write_bytes(b"".join(b"2026-12-01 09:%02d:%02d COM7 answered %05d\r\n" % (n // 60 % 60, n % 60, n)
                                          for n in range(30000)))

    def append_until(self, stop):
        """A product that writes a megabyte a second, in bursts, faster than the memo takes text,
        until told to stop (a minute at most)."""
        burst = b"".join(b"appended line %06d\r\n" % n for n in range(1000))
        with open(self.log_path, "ab") as log:
            for _ in range(3000):
                if stop.is_set():
                    return
                log.write(burst)
                log.flush()
                time.sleep(0.02)

    def test_start_analysis_ends_within_a_bound_and_says_the_log_grew(self):
        app = self.start_tavisto(cwd=self.machine.root / "working folder")
        app.click("Get Data")  # records the data folder whose CS.log the report copies
        app.expect_message("Finished", 600000)

        stop = threading.Event()
        writer = threading.Thread(target=self.append_until, args=(stop,))
        writer.start()
        try:
            started = time.monotonic()
            app.click("Start Analysis")
            box = app.dialog(300000)
            took = time.monotonic() - started
        finally:
            stop.set()
            writer.join()
        self.assertLess(took, 120)
        self.assertTrue(box["text"].startswith("Finish\r\n\r\nThe report could not read everything"), box)
        self.assertIn("CS.log grew while it was read", box["text"])
        lines = memo_lines(app)
        app.answer("OK")
        self.assertTrue(enabled(app)["Save Result"] and enabled(app)["Send result by email"])

        quorix = lines.index("--------------------QRX CS.log---------------")
        end = lines.index("--------------------PY CS.log---------------") - 1
        grew = re.fullmatch(r"C:\\users\\[^\\]+\\AppData\\Roaming\\Velmo\\Quorix\\CS\.log grew while it was read: "
                            r"the report holds its first ([\d,]+) bytes", lines[end - 1])
        self.assertIsNotNone(grew, lines[end - 1])
        held = int(grew[1].replace(",", ""))
        log = self.log_path.read_bytes()
        self.assertGreater(len(log), held)
        self.assertEqual(lines[quorix + 1:end - 1], [line.decode("cp1252") for line in text_lines(log[:held])])
        app.close()


if __name__ == "__main__":
    main()
