"""Start Analysis on a 20 MB CS.log: Cancel in the middle of the fill ends the memo with the
cancelled line; then the progress dialog, with Cancel, stays from the third second to the box,
saying how much of the report the memo shows, and the whole log (a block of NULs shown as spaces,
the line after it kept) stands in the memo and in Save Result. The shipped 32-bit program is
large-address-aware. (bench/report_bench.py times the 60 MB log: too slow for every test run.)
"""

import re
import time

from scenario import ScenarioCase, main
from test_report import text_lines

from tests.e2e.harness import is_32bit_program, tavisto_exe
from tests.fixtures import sample_machine as sm

SHOWN = re.compile(r"^(\d+(?:\.\d)?) (KB|MB) of the report shown$")
CANCELLED = b"\r\nThe analysis was cancelled: the report is incomplete.\r\n"
RESTART = b"12:00:00 Quorix restarted after a power loss"


def big_log():
    lines = [b"2026-12-01 %02d:%02d [INFO] COM7 answered %d bytes, all well, session %d\r\n"
             % (n // 60 % 60, n % 60, n * 7 % 4096, n) for n in range(290000)]
    lines.insert(100000, b"\0" * 4096 + RESTART + b"\r\n")  # as a power loss leaves it
    return b"".join(lines)


def shown_bytes(progress):
    match = SHOWN.match(progress["lines"][1])
    return float(match[1]) * (1024 if match[2] == "KB" else 1048576) if match else 0


def buttons(app):
    return {c["text"]: c["enabled"] for c in app.state()["controls"] if c["class"] == "Button"}


class TwentyMegabyteLog(ScenarioCase):
    @classmethod
    def prepare(cls, machine):
        sm.install(machine, products=["Quorix"])
        cls.log = big_log()
        (machine.c(sm.product_values(machine.user)["Quorix"]["AppDataPath"][:-1]) / "CS.log").write_bytes(cls.log)

    def test_0_the_shipped_program_may_use_four_gigabytes(self):
        if not is_32bit_program(tavisto_exe()):
            self.skipTest("a 64-bit program has the address space anyway")
        header = tavisto_exe().read_bytes()[:4096]
        pe = int.from_bytes(header[0x3C:0x40], "little")
        self.assertTrue(header[pe + 22] & 0x20, "IMAGE_FILE_LARGE_ADDRESS_AWARE is not set")

    def test_1_cancel_mid_fill_then_progress_until_the_box_and_the_whole_log(self):
        app = self.start_tavisto(cwd=self.machine.root / "working folder")
        app.click("Get Data")  # records the data folder whose CS.log the report copies
        app.expect_message("Finished", 600000)

        app.click("Start Analysis")
        for _ in range(200):
            shown = app.progress()
            if shown_bytes(shown) >= 2 * 1048576:
                break
        self.assertGreaterEqual(shown_bytes(shown), 2 * 1048576, shown)
        self.screenshot("report-size-progress")
        app.cancel_progress()
        app.wait_idle(60000)
        self.assertIsNone(app.state()["dialog"])  # no "Finish"
        memo = app.memo()
        self.assertTrue(memo.endswith(CANCELLED) and len(memo) < len(self.log), memo[-200:])
        self.assertFalse(buttons(app)["Save Result"] or buttons(app)["Send result by email"])

        app.click("Start Analysis")
        clicked, seen = time.monotonic(), []
        while True:
            early = time.monotonic() - clicked < 3
            shown = app.driver("progress", 1, check=False)
            if "error" not in shown:
                self.assertFalse(shown["main_enabled"])
                # A dialog still being laid out shows no controls yet, or a button without its caption.
                if shown["buttons"] and all(shown["buttons"]):
                    self.assertIn("Cancel", shown["buttons"])
                    seen += [] if early else [shown_bytes(shown)]
                time.sleep(0.1)  # a user's glance, not a flood of messages to the dialog
                continue
            box = app.state()["dialog"]
            if box is None and early:
                continue  # the dialog shows once the work has taken a second
            # From the third second on, the dialog is gone only for the box that ends the analysis.
            box = box or app.dialog(30000)
            break
        self.assertEqual(box["text"], "Finish")
        # Seen at least three times, how much the memo shows growing as it fills.
        self.assertGreaterEqual(len(seen), 3)
        self.assertEqual(seen, sorted(seen))
        self.assertGreater(seen[-1], seen[0])
        memo = app.memo()
        app.answer("OK")
        section = memo.split(b"--------------------QRX CS.log---------------\r\n")[1].split(b"\r\n\r\n-----")[0]
        self.assertEqual(section.split(b"\r\n"), [line.replace(b"\0", b" ") for line in text_lines(self.log)])
        self.assertIn(b" " * 4096 + RESTART + b"\r\n", section + b"\r\n")

        app.click("Save Result")
        app.expect_message("File saved on your desktop.")
        self.assertEqual((self.machine.desktop / "Analysis Result.txt").read_bytes(), memo)
        app.close()


if __name__ == "__main__":
    main()
