"""Get Data on a temporary folder too small for it, each a small file system of its own (tmpfs,
mounted as root): on a drive that is full (refused before anything is written), on a small drive
(the disk fills up while the volumes are written), on one where the volumes fit and Data.zip
does not (refused before Data.zip is written), and under a folder of drive C: that is a smaller
file system mounted there, where the drive reports more room than there is (the message says the
disk is full, never the larger figure). Every message names the place and what was needed, and
every run leaves the drives as they were.
"""

import os
import re
import subprocess
import sys
import unittest

from scenario import main
from test_delivery import DeliveryCase

SIZE = r"\d+(\.\d)? (bytes|KB|MB|GB)"
# The Zorvel data is over 6 MB, incompressible.
DRIVES = {"t": 2 * 1024 * 1024, "u": 9 * 1024 * 1024}
OWN_RUN = r"\\Tavisto\\Get Data \d+\\"


def listing(folder):
    """Every file and folder below folder, but the journal of the open window."""
    return sorted(name for name in (p.relative_to(folder).as_posix() for p in folder.rglob("*"))
                  if name != "Temp/Tavisto" and not name.startswith("Temp/Tavisto/Journal "))


class SmallDrives(DeliveryCase):
    products = ["Zorvel"]

    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        cls.mounts = []
        if os.geteuid() != 0:
            print("WARNING: Get Data on small drives NOT TESTED: mounting a small file system needs root",
                  file=sys.stderr)
            raise unittest.SkipTest("needs root to mount a small file system")
        cls.drives = {}
        for letter, size in DRIVES.items():
            folder = machine.root / f"drive-{letter}"
            folder.mkdir()
            cls.mount(folder, size)
            (machine.prefix / "dosdevices" / f"{letter}:").symlink_to(folder)
            (folder / "Temp").mkdir()
            cls.drives[letter] = folder

    @classmethod
    def mount(cls, folder, size):
        subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", f"tavisto-{len(cls.mounts)}", str(folder)],
                       check=True)
        cls.mounts.append(folder)

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        for folder in reversed(getattr(cls, "mounts", [])):
            subprocess.run(["umount", "-l", str(folder)], check=False)

    def start_with_temp(self, temp):
        for name in ("TEMP", "TMP"):
            self.machine.reg_add(r"HKEY_CURRENT_USER\Environment", name, temp)
        app = self.start()
        self.assertEqual(self.machine.run(["cmd", "/c", "echo", "%TEMP%"]).stdout.decode().strip(), temp)
        return app

    def refused(self, app, pattern):
        app.click("Get Data")
        box = app.dialog(600000)
        self.assertTrue(box["icon"])
        self.assertRegex(box["text"], pattern)
        self.assertFalse(re.search("Finished", box["text"]))
        app.answer("OK")
        return box["text"]

    def refused_after(self, app, pattern):
        box = app.dialog(600000)
        self.assertTrue(box["icon"])
        self.assertRegex(box["text"], pattern)
        self.assertNotRegex(box["text"], r"\d (bytes|KB|MB|GB) free")
        app.answer("OK")

    def test_each_temporary_folder_too_small_is_named_with_what_was_needed(self):
        small, roomy = self.drives["t"], self.drives["u"]
        app = self.start_with_temp(r"T:\Temp")
        # A full drive: refused before anything is written.
        with open(small / "customer.bin", "wb") as filler:
            try:
                while True:
                    filler.write(bytes(65536))
                    filler.flush()
            except OSError:
                pass
        before = listing(small)
        self.refused(app, r"^There is not enough space on the disk to write the data's archives and Data\.zip in "
                          rf"T:\\Temp\\: it needs at least {SIZE}, and the disk has {SIZE} free\. "
                          r"Get Data has written nothing\.$")
        self.assertEqual(listing(small), before)

        # A small drive: the disk fills up while the volumes are written.
        (small / "customer.bin").unlink()
        before = listing(small)
        self.refused(app, rf"^There is not enough space on the disk to write T:\\Temp{OWN_RUN}ZorvelData\.(Z0\d|zip): "
                          rf"T:\\Temp{OWN_RUN} has {SIZE} free, and the Zorvel data comes to 6\.\d MB before "
                          r"compression\. The files Get Data had written are removed\.$")
        self.assertEqual(listing(small), before)
        app.close()

        # The volumes have room, Data.zip beside them has not.
        app = self.start_with_temp(r"U:\Temp")
        before = listing(roomy)
        self.refused(app, rf"^There is not enough space on the disk to write Data\.zip in U:\\Temp{OWN_RUN}: it "
                          rf"needs at least 6\.\d MB, and the disk has {SIZE} free\. The files Get Data had written "
                          r"are removed\.$")
        self.assertEqual(listing(roomy), before)
        app.close()
        self.assertEqual(listing(small), ["Temp"])
        self.assertEqual(listing(roomy), ["Temp"])

    def test_a_smaller_file_system_inside_a_drive_is_said_to_be_full_not_to_have_the_drive_s_room(self):
        # Drive C: reports its own file system's room; the temporary folder is a 2 MB one.
        temp = self.machine.c(r"C:\users\Public\Small Temp")
        temp.mkdir(parents=True)
        self.mount(temp, DRIVES["t"])
        app = self.start_with_temp(r"C:\users\Public\Small Temp")
        # The write that finds no room is asked about, as any file that cannot be packed.
        app.click("Get Data")
        box = app.dialog(600000)
        self.assertRegex(box["text"], rf"not enough space on the disk in C:\\users\\Public\\Small Temp{OWN_RUN}: "
                                      r"\d+ bytes to write, and the disk is full\)\. File processing error")
        app.answer("&Abort")
        self.refused_after(app, rf"^There is not enough space on the disk to write C:\\users\\Public\\Small Temp"
                                rf"{OWN_RUN}ZorvelData\.(Z0\d|zip): the disk that holds C:\\users\\Public\\Small Temp"
                                rf"{OWN_RUN} is full, and the Zorvel data comes to 6\.\d MB before compression\. "
                                r"The files Get Data had written are removed\.$")
        app.close()
        self.assertEqual(sorted(p.name for p in temp.iterdir()), [])


if __name__ == "__main__":
    main()
