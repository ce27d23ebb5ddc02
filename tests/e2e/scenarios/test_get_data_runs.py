"""Get Data against other runs of itself: a second window's Get Data while the first one packs
(refused, changing nothing; the first one's Data.zip complete for 7-Zip and Python), and a run
killed part-way (the next window removes exactly what it had made, and its run ends with a
complete Data.zip, no scratch file left anywhere).
"""

import subprocess
import tempfile
import zipfile
import zlib
from pathlib import Path

from scenario import main
from test_delivery import DeliveryCase, add_sparse_capture, data_zips, enabled, snapshot, volume_set

from tests.fixtures import sample_machine as sm
from tests.support.peer_check import seven_zip_listing

BIG = 3 * 1024 ** 3 // 2  # seconds of deflate
RUNS_ELSEWHERE = ("Get Data is already running in another Tavisto window. Let it finish, then run Get Data "
                  "here again.")


class GetDataRuns(DeliveryCase):
    products = ["Zorvel"]

    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        add_sparse_capture(machine, BIG)
        cls.base = machine.c(r"C:\Velmo\Zorvel")
        zeros = 0
        for _ in range(BIG // (1 << 20)):
            zeros = zlib.crc32(bytes(1 << 20), zeros)
        cls.expected = {relative.replace("\\", "/"): (len(content), f"{zlib.crc32(content):08X}")
                        for relative, content in sm.DATA_TREES["Zorvel"].items() if not relative.endswith("\\")}
        cls.expected["capture.bin"] = (BIG, f"{zeros:08X}")

    def check_complete(self, data_zip):
        """Data.zip passes Python's test, and the Zorvel set in it passes 7-Zip's and lists every
        file with its size and CRC (the big file is not extracted)."""
        with zipfile.ZipFile(data_zip) as archive, tempfile.TemporaryDirectory() as scratch:
            self.assertIsNone(archive.testzip())
            parts = volume_set(archive.namelist(), "Zorvel")
            self.assertEqual(sorted(parts + ["manifest.json"]), sorted(archive.namelist()))
            for index, name in enumerate(parts[:-1], start=1):
                (Path(scratch) / f"ZorvelData.z{index:02d}").write_bytes(archive.read(name))
            last = Path(scratch) / "ZorvelData.zip"
            last.write_bytes(archive.read(parts[-1]))
            for command in (["t"], ["l", "-slt"]):
                done = subprocess.run(["7zz", *command, str(last)], capture_output=True, text=True, timeout=600)
                self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        listed, _ = seven_zip_listing(done.stdout)
        self.assertEqual(listed, self.expected)

    def not_the_first_runs(self):
        """The base and temporary folders but for the files the first window's run is writing."""
        return ({name for name in snapshot(self.base) if not name.startswith("ZorvelData.")},
                {name: digest for name, digest in snapshot(self.machine.temp).items() if "Tavisto" not in name})

    def test_a_second_window_is_refused_while_the_first_one_packs(self):
        first = self.start()
        second = self.start_tavisto(cwd=self.working, others=[first])
        first.click("Get Data")
        self.packing(first)
        before = self.not_the_first_runs()
        second.click("Get Data")
        box = second.dialog(60000)
        self.assertEqual(box["text"], RUNS_ELSEWHERE)
        self.assertTrue(box["icon"])
        second.answer("OK")
        self.assertEqual(self.not_the_first_runs(), before)
        self.assertEqual(len(list((self.machine.temp / "Tavisto").glob("Journal *"))), 1)
        self.assertFalse(enabled(second)["Save Data"])
        second.close()

        first.expect_message("Finished", 1200000)
        self.check_complete(self.data_zip())
        first.close()
        self.assertEqual(data_zips(self.machine), [])

    def test_a_killed_run_is_cleaned_up_after_by_the_next(self):
        before = snapshot(self.base)
        app = self.start()
        app.click("Get Data")
        self.packing(app)
        app.process.kill()
        app.process.wait(timeout=60)
        # What the killed run left: its volume in its own folder, its journal; the base folder
        # is as it was.
        self.assertEqual(snapshot(self.base), before)
        self.assertTrue(list((self.machine.temp / "Tavisto").glob("Get Data */ZorvelData.Z01")))
        self.assertTrue(list((self.machine.temp / "Tavisto").glob("Journal *.txt")))

        app = self.start()
        data_zip = self.get_data(app)
        self.assertEqual(snapshot(self.base), before)
        self.assertEqual([p.name for p in self.machine.temp.rglob("FC*")], [])
        self.assertEqual(sorted(p.relative_to(self.machine.temp).as_posix()
                                for p in (self.machine.temp / "Tavisto").rglob("*")),
                         ["Tavisto/Get Data 1", "Tavisto/Get Data 1/Data.zip", "Tavisto/Journal 1.txt"])
        self.check_complete(data_zip)
        app.close()
        self.assertFalse((self.machine.temp / "Tavisto").exists())


if __name__ == "__main__":
    main()
