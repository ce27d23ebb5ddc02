"""Get Data on a data folder a hostile but realistic customer could have: a path of 300
characters, Omega.txt beside Ωmega.txt, a CJK name, a folder that links back to its parent.
Every file must reach Data.zip under its own name, read back by 7-Zip and Python's zipfile,
and listed so in its manifest; the linked folder must not be followed, and the manifest says so.
"""

import io
import os
import subprocess
import tempfile
import zipfile
from pathlib import Path

from scenario import main
from test_delivery import DeliveryCase, extracted_tree

from tests.fixtures import sample_machine as sm

LONG_PARTS = ["Long folder name number %d of the customer's own archive" % i for i in range(5)]


def oem_name(extracted):
    """7-Zip on Linux writes a name stored without the UTF-8 flag as its raw OEM bytes: read
    those as code page 437, as Windows would."""
    raw = os.fsencode(extracted)
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("cp437")


class HostileNames(DeliveryCase):
    products = ["Pylvex"]

    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        windows_data = sm.product_values(machine.user)["Pylvex"]["AppDataPath"] + "Data"
        data = machine.c(windows_data)
        deep = data.joinpath(*LONG_PARTS)
        deep.mkdir(parents=True)
        (deep / "deep.txt").write_bytes(b"far down")
        assert len(windows_data + "\\" + "\\".join(LONG_PARTS) + "\\deep.txt") > 300
        (data / "Omega.txt").write_bytes(b"latin O")
        (data / "\u03a9mega.txt").write_bytes(b"greek capital omega")
        (data / "\u6570\u636e.txt").write_bytes(b"CJK")
        os.symlink("..", data / "History" / "Loop")
        # The tree as the customer has it, the link left out: relative path -> bytes or None.
        cls.expected = {}
        for folder, dirs, files in os.walk(data):
            relative = Path(folder).relative_to(data)
            for name in dirs:
                if not (Path(folder) / name).is_symlink():
                    cls.expected[(relative / name).as_posix()] = None
            for name in files:
                cls.expected[(relative / name).as_posix()] = (Path(folder) / name).read_bytes()

    def test_every_file_arrives_under_its_own_name_and_the_link_is_not_followed(self):
        app = self.start()
        # A link not followed is something Data.zip lacks: said, not "Finished".
        loop = sm.product_values(self.machine.user)["Pylvex"]["AppDataPath"] + r"Data\History\Loop"
        data_zip = self.get_data(app, ends=f"Get Data finished, but Data.zip is incomplete:\r\n{loop} "
                                           "(a link, not followed)")
        with zipfile.ZipFile(data_zip) as outer:
            self.assertEqual(outer.namelist(), ["PYData.zip", "manifest.json"])
            inner_bytes = outer.read("PYData.zip")
        # The manifest lists every file under its stored name with its own checksums, and the
        # link as left out.
        self.check_manifest(data_zip, ["Pylvex"], [("History\\Loop", ["a link, not followed"])])
        with zipfile.ZipFile(io.BytesIO(inner_bytes)) as inner:
            self.assertIsNone(inner.testzip())
            by_python = {i.filename.rstrip("/"): None if i.is_dir() else inner.read(i) for i in inner.infolist()}
        # The link is stored as an empty folder or left out, never followed.
        if "History/Loop" in by_python:
            self.assertIsNone(by_python.pop("History/Loop"))
        self.assertEqual(by_python, self.expected)
        with tempfile.TemporaryDirectory() as scratch:
            archive = Path(scratch) / "PYData.zip"
            archive.write_bytes(inner_bytes)
            for command in (["7zz", "t", str(archive)], ["7zz", "x", "-y", f"-o{scratch}/out", str(archive)]):
                done = subprocess.run(command, capture_output=True, text=True, timeout=300)
                self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            by_7zip = {oem_name(name): content for name, content in extracted_tree(Path(scratch) / "out").items()}
            if "History/Loop" in by_7zip:
                self.assertIsNone(by_7zip.pop("History/Loop"))
            self.assertEqual(by_7zip, self.expected)
        app.close()


if __name__ == "__main__":
    main()
