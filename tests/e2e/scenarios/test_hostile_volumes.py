"""Get Data against what a hostile machine does to it: a volume taken away while the next one is
written (as an antivirus quarantines a fresh file), a file cut short while it is packed (a log
its program rotates), names that end in a dot or a space, and Russian and Japanese systems whose
names must reach support, a Western system, exactly. Archives are read back by Python's zipfile
and 7-Zip, never by the program.
"""

import io
import os
import subprocess
import tempfile
import threading
import time
import zipfile
from pathlib import Path

from scenario import main
from test_delivery import DeliveryCase, data_zips, enabled, extracted_tree

from tests.e2e.harness import decode
from tests.fixtures import sample_machine as sm

QUESTION = ". File processing error, possibly disk is full"


def data_path(machine, product) -> str:
    """The product's Data folder as Windows names it."""
    return sm.product_values(machine.user)[product]["AppDataPath"] + "Data"


def make_sparse(path: Path, size: int):
    """A file of zeros that takes no room on the disk."""
    with open(path, "wb") as file:
        file.truncate(size)


def when_it_appears(folder: Path, pattern: str, delay: float, action) -> threading.Thread:
    """Runs action(path) delay seconds after a path matching pattern appears below folder
    (watched in the background)."""

    def watch():
        deadline = time.monotonic() + 600
        found = []
        while not found and time.monotonic() < deadline:
            found = list(folder.glob(pattern))
            time.sleep(0.01)
        time.sleep(delay)
        if found:
            action(found[0])

    thread = threading.Thread(target=watch, daemon=True)
    thread.start()
    return thread


def listing(folder: Path):
    return sorted(p.name for p in folder.iterdir())


def product_archive(machine, name: str) -> bytes:
    """The product's archive as the window's one Data.zip holds it."""
    [data_zip] = data_zips(machine)
    with zipfile.ZipFile(data_zip) as outer:
        return outer.read(name)


def assert_names_come_back(case, archive: bytes, files: dict):
    """Python's zipfile and 7-Zip both read every file under its own name, with its bytes."""
    with zipfile.ZipFile(io.BytesIO(archive)) as inner:
        case.assertIsNone(inner.testzip())
        by_python = {info.filename: inner.read(info) for info in inner.infolist() if not info.is_dir()}
    for name, content in files.items():
        case.assertEqual(by_python.get(name), content, name)
    with tempfile.TemporaryDirectory() as scratch:
        path = Path(scratch) / "inner.zip"
        path.write_bytes(archive)
        done = subprocess.run(["7zz", "x", "-y", f"-o{scratch}/out", str(path)], capture_output=True, text=True,
                              timeout=300)
        case.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        by_7zip = extracted_tree(Path(scratch) / "out")
    for name, content in files.items():
        case.assertEqual(by_7zip.get(name), content, name)


class VolumeRemoved(DeliveryCase):
    """ZorvelData.Z01 removed 0.2 s after ZorvelData.Z02 appears, while the 1 GiB file after the
    random one is still being packed: a failure that names the volume, no crash, nothing of
    Get Data's left behind, and the program goes on."""

    products = ["Zorvel"]

    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        data = machine.c(data_path(machine, "Zorvel"))
        (data / "Noise.bin").write_bytes(os.urandom(20 << 20))
        make_sparse(data / "Zeros.bin", 1 << 30)

    def test_the_failure_names_the_volume_and_nothing_is_left(self):
        app = self.start()
        base = self.machine.c(r"C:\Velmo\Zorvel")  # with Zorvel alone, the folder above its Bin
        base_before, temp_before = listing(base), listing(self.machine.temp)
        removed = []
        # The volumes are written in the run's own folder.
        watcher = when_it_appears(self.machine.temp, "Tavisto/Get Data */ZorvelData.Z02", 0.2,
                                  lambda z02: removed.append((z02.parent / "ZorvelData.Z01").unlink()))
        app.click("Get Data")
        box = app.dialog(600000)
        watcher.join(10)
        self.assertTrue(removed, "ZorvelData.Z02 never appeared")
        self.assertRegex(box["text"], r"\\Temp\\Tavisto\\Get Data \d+\\ZorvelData\.Z01")
        self.assertTrue(box["icon"])
        app.answer("OK")
        self.assertIsNone(app.process.poll(), "the program ended")
        self.assertEqual(listing(base), base_before)
        self.assertEqual(data_zips(self.machine), [])
        buttons = enabled(app)
        self.assertFalse(buttons["Save Data"] or buttons["Send data by email"])
        app.close()
        self.assertEqual(listing(self.machine.temp), temp_before, "no Data.zip, no scratch file, no journal")


class ChangingFilesAndOddNames(DeliveryCase):
    """A log cut short while it is packed is asked about like a locked file: Retry packs it as it
    now is, Ignore names it as left out. Names ending in a dot or a space are packed as they are."""

    products = ["Pylvex"]
    odd = {"dot.": b"a dot", "space ": b"a space", "folder./inside. ": b"both"}

    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        cls.data = machine.c(data_path(machine, "Pylvex"))
        for name, content in cls.odd.items():
            (cls.data / name).parent.mkdir(parents=True, exist_ok=True)
            (cls.data / name).write_bytes(content)

    def cut_while_packed(self, app):
        """Get Data with a 3 GiB log that is cut to 100 bytes a second into the packing; the
        question that follows."""
        log = self.data / "Rotated.log"
        make_sparse(log, 3 << 30)
        watcher = when_it_appears(self.machine.temp, "Tavisto/Get Data */PYData.Z01", 1.0,
                                  lambda _: os.truncate(log, 100))
        app.click("Get Data")
        box = app.dialog(600000)
        watcher.join(10)
        path = data_path(self.machine, "Pylvex") + r"\Rotated.log"
        self.assertTrue(box["text"].startswith("ArchivioPY: Invalid compressed size, rfs.size = "), box["text"])
        self.assertTrue(box["text"].endswith(
            f" - Native error: 00034 ({path}: the file changed while it was read){QUESTION}"), box["text"])
        self.assertEqual(box["buttons"], ["&Abort", "&Retry", "&Ignore"])
        return path

    def test_retry_packs_the_file_as_it_now_is_ignore_names_it(self):
        app = self.start()
        self.cut_while_packed(app)
        app.answer("&Retry")
        app.expect_message("Finished", 600000)
        assert_names_come_back(self, product_archive(self.machine, "PYData.zip"),
                               {**self.odd, "Rotated.log": bytes(100)})

        path = self.cut_while_packed(app)
        app.answer("&Ignore")
        box = app.expect_message("Get Data finished, but Data.zip is incomplete:\r\n"
                                 f"{path} (it changed while it was read; Ignore was chosen)", 600000)
        self.assertTrue(box["icon"])
        with zipfile.ZipFile(io.BytesIO(product_archive(self.machine, "PYData.zip"))) as inner:
            self.assertNotIn("Rotated.log", inner.namelist())
        app.close()


class ForeignSystems(DeliveryCase):
    """On a Russian (OEM code page 866) and a Japanese (932) system, names outside plain ASCII
    are stored so that support reads them as they were: "Привет.txt", and Japanese names whose
    second byte in code page 932 is a backslash."""

    products = ["Pylvex"]
    # locale -> (its ANSI code page, the files to pack)
    systems = {"ru_RU.UTF-8": ("cp1251", {"Привет.txt": b"hello", "plain.txt": b"ascii"}),
               "ja_JP.UTF-8": ("cp932", {"ソ.txt": b"so", "表.txt": b"table"})}

    def test_names_reach_support_as_they_were(self):
        for locale in self.systems:
            with self.subTest(locale=locale):
                self.packed_names_on(locale)

    def packed_names_on(self, locale):
        codepage, files = self.systems[locale]
        data = self.machine.c(data_path(self.machine, "Pylvex"))
        for _, others in self.systems.values():
            for name in others:
                (data / name).unlink(missing_ok=True)
        for name, content in files.items():
            (data / name).write_bytes(content)
        self.machine.environment = {"LANG": locale, "LC_ALL": locale}
        try:
            app = self.start()
            app.click("Get Data")
            box = app.dialog(600000)
            self.assertEqual(box["text"], "Finished", box)
            # The system's own word for OK, in its code page.
            app.answer(decode(box["buttons"][0]).decode(codepage))
            archive = product_archive(self.machine, "PYData.zip")
            app.close()
        finally:
            self.machine.environment = {}
        assert_names_come_back(self, archive, files)


if __name__ == "__main__":
    main()
