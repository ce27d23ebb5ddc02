"""Get Data on drives too small for it, each a small file system of its own (tmpfs, mounted
as root) that the machine sees as a drive: the base folder on a full drive (refused before
anything is written), on a small one (the disk fills up while packing), and the temporary
folder on a small one (Data.zip refused before it is written). Every message names the
place, what was needed and what was free, and every run leaves the drives as they were.
"""

import os
import re
import subprocess
import sys
import unittest

from scenario import main
from test_delivery import DeliveryCase

from tests.fixtures import sample_machine as sm

ZORVEL = r"HKEY_CURRENT_USER\Software\Velmo\Zorvel\AppPath"
DRIVE_BYTES = 2 * 1024 * 1024  # the Zorvel data is over 6 MB, incompressible


SIZE = r"\d+(\.\d)? (bytes|KB|MB)"


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
        for letter in ("s", "t"):
            folder = machine.root / f"drive-{letter}"
            folder.mkdir()
            subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={DRIVE_BYTES}", f"tavisto-{letter}", str(folder)],
                           check=True)
            cls.mounts.append(folder)
            (machine.prefix / "dosdevices" / f"{letter}:").symlink_to(folder)
            cls.drives[letter] = folder
        (cls.drives["s"] / "Suite" / "Zorvel").mkdir(parents=True)
        (cls.drives["t"] / "Temp").mkdir()
        for name in ("TEMP", "TMP"):
            machine.reg_add(r"HKEY_CURRENT_USER\Environment", name, r"T:\Temp")

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        for folder in getattr(cls, "mounts", []):
            subprocess.run(["umount", "-l", str(folder)], check=False)

    def refused(self, app, pattern):
        app.click("Get Data")
        box = app.dialog(600000)
        self.assertTrue(box["icon"])
        self.assertRegex(box["text"], pattern)
        app.answer("OK")
        return box["text"]

    def test_each_drive_too_small_is_named_with_what_was_needed_and_free(self):
        base, temp = self.drives["s"], self.drives["t"]
        self.machine.reg_add(ZORVEL, "AppPath", "S:\\Suite\\Zorvel\\Bin\\")
        app = self.start()
        self.assertEqual(self.machine.run(["cmd", "/c", "echo", "%TEMP%"]).stdout.decode().strip(), r"T:\Temp")

        # A full drive: refused before anything is written.
        with open(base / "customer.bin", "wb") as filler:
            try:
                while True:
                    filler.write(bytes(65536))
                    filler.flush()
            except OSError:
                pass
        before = listing(base), listing(temp)
        self.refused(app, r"^There is not enough space on the disk to write the data's archives in "
                          rf"S:\\Suite\\Zorvel\\: it needs at least {SIZE}, and the disk has {SIZE} free\. "
                          r"Get Data has written nothing\.$")
        self.assertEqual((listing(base), listing(temp)), before)

        # A small drive: the disk fills up while the volumes are written.
        (base / "customer.bin").unlink()
        before = listing(base), listing(temp)
        self.refused(app, r"^There is not enough space on the disk to write S:\\Suite\\Zorvel\\ZorvelData\.(Z0\d|zip): "
                          rf"S:\\Suite\\Zorvel\\ has {SIZE} free, and the Zorvel data comes to 6\.\d MB before "
                          r"compression\. The files Get Data had written are removed\.$")
        self.assertEqual((listing(base), listing(temp)), before)

        # The volumes have room, Data.zip beside them on the temporary folder's drive has not.
        self.machine.reg_add(ZORVEL, "AppPath", sm.product_values(self.machine.user)["Zorvel"]["AppPath"])
        velmo = self.machine.c(r"C:\Velmo\Zorvel")
        before = listing(velmo), listing(temp)
        text = self.refused(app, r"^There is not enough space on the disk to write Data\.zip in "
                                 rf"T:\\Temp\\Tavisto\\Get Data \d+\\: it needs at least 6\.\d MB, and the disk has "
                                 rf"{SIZE} free\. The files Get Data had written are removed\.$")
        self.assertEqual((listing(velmo), listing(temp)), before, text)
        self.assertFalse(re.search("Finished", text))
        app.close()
        self.assertEqual(listing(temp), ["Temp"])


if __name__ == "__main__":
    main()
