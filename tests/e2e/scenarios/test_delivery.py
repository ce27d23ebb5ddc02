"""Get Data, Save Result, Save Data and the two mail buttons, end to end on real (Wine)
machines: the sample machine with all five programs, machines with only Quorix, only MultiQrx
or none, and one without Simple MAPI.

Archives are checked by peers, never by the program's own reading: Python's zipfile for
Data.zip, 7-Zip for every product's volume set (tested, then extracted and compared with the
product's Data tree as the sample machine's tables give it), and Data.zip's manifest by a reader
of its own against the Data trees on the machine. Mail goes through Wine's own
Simple MAPI, which hands the message to the desktop's mail program as a mailto: URL through
xdg-email: a recording stand-in on PATH receives it, and Wine's +winemapi channel names the
attachment.
"""

import hashlib
import subprocess
import tempfile
import time
import urllib.parse
import zipfile
from pathlib import Path

from scenario import MailRecorder, ScenarioCase, main

from tests.e2e.harness import build_dir, win_path
from tests.fixtures import sample_machine as sm
from tests.support.manifest_check import check_data_zip

SAVED = "File saved on your desktop."
SUPPORT_ADDRESS = "support@velmo.it"
ARCHIVE_NAMES = {"Zorvel": "ZorvelData", "Quorix": "QrxData", "Pylvex": "PYData", "Voyra": "VYData",
                 "MultiQrx": "MQData"}
VOLUME_SIZE = 4097152


def data_zips(machine):
    """The Data.zip files the program's windows hold, each in a folder of the program's own."""
    return sorted((machine.temp / "Tavisto").glob("Get Data */Data.zip"))


def snapshot(folder):
    """Every file below folder with its content's hash, and every subfolder (None)."""
    return {p.relative_to(folder).as_posix(): None if p.is_dir() else hashlib.sha1(p.read_bytes()).hexdigest()
            for p in sorted(folder.rglob("*"))}


def add_sparse_capture(machine, size):
    """A file of zeros in Zorvel's data, sparse on disk: seconds of deflate for next to no disk space."""
    data = machine.c(sm.product_values(machine.user)["Zorvel"]["AppDataPath"] + "Data")
    with open(data / "capture.bin", "wb") as big:
        big.truncate(size)
    return data


def hold(case, path):
    """Has another program hold the file at the Windows path exclusively: its process, and the
    file whose creation lets it go."""
    held, release = case.machine.root / "held", case.machine.root / "release"
    held.unlink(missing_ok=True)
    release.unlink(missing_ok=True)
    holder = case.machine.popen([build_dir() / "tests" / "fixtures" / "hold_file.exe", path, win_path(held),
                                 win_path(release)])
    for _ in range(300):
        if held.exists():
            break
        time.sleep(0.1)
    case.assertTrue(held.exists(), f"{path} could not be held")
    return holder, release


def enabled(app):
    return {c["text"]: c["enabled"] for c in app.state()["controls"] if c["class"] == "Button"}


def volume_set(names, product):
    """The names of one product's volumes in Data.zip, in order, the last one last."""
    base = ARCHIVE_NAMES[product]
    numbered = sorted(n for n in names if n.startswith(base + (".Z" if product != "Voyra" else "_")))
    return numbered + [base + ".zip"]


def expected_tree(product):
    """The Data tree as 7-Zip extracts it: relative path -> bytes (None for a folder)."""
    tree = {}
    for relative, content in sm.DATA_TREES[product].items():
        parts = relative.rstrip("\\").split("\\")
        for depth in range(1, len(parts)):
            tree.setdefault("/".join(parts[:depth]), None)
        tree["/".join(parts)] = content
    return tree


def extracted_tree(folder: Path):
    tree = {}
    for path in sorted(folder.rglob("*")):
        relative = path.relative_to(folder).as_posix()
        tree[relative] = None if path.is_dir() else path.read_bytes()
    return tree


class DeliveryCase(ScenarioCase):
    products = sm.ALL_PRODUCTS

    @classmethod
    def prepare(cls, machine):
        sm.install(machine, products=cls.products)
        cls.mail = MailRecorder(machine)
        cls.working = machine.root / "working folder"
        cls.working.mkdir(parents=True, exist_ok=True)

    def start(self):
        self.debug_log = self.machine.root / f"wine-{self.id().split('.')[-1]}.log"
        return self.start_tavisto(cwd=self.working, winedebug="+winemapi", stderr_path=self.debug_log)

    def packing(self, app):
        """Waits until app's Get Data is packing, past its first bytes."""
        for _ in range(200):
            shown = app.progress()
            if shown["lines"][0] == "Packing the Zorvel data" and shown["bar"][0] > 0:
                return shown
        self.fail(f"Get Data did not get going: {shown}")

    def get_data(self, app, screenshot=None, ends="Finished"):
        app.click("Get Data")
        box = app.dialog(1200000)
        if screenshot:
            self.screenshot(screenshot)
        self.assertEqual(box["text"], ends, box)
        self.assertEqual(bool(box["icon"]), ends != "Finished")
        app.answer("OK")
        buttons = enabled(app)
        self.assertTrue(buttons["Save Data"] and buttons["Send data by email"])
        return self.data_zip()

    def data_zip(self):
        """The one Data.zip of the window on the machine."""
        found = data_zips(self.machine)
        self.assertEqual(len(found), 1, found)
        return found[0]

    def check_manifest(self, data_zip: Path, products, left_out=()):
        """Data.zip's manifest names every file of every product's set with its true checksums,
        each file of the products' Data trees on the machine listed or left out; the manifest."""
        sources = {product: self.machine.c(sm.product_values(self.machine.user)[product]["AppDataPath"] + "Data")
                   for product in products}
        return check_data_zip(data_zip, sources=sources, left_out=list(left_out))

    def check_volume_sets(self, data_zip: Path, products):
        """Every product's volume set in Data.zip, tested and extracted by 7-Zip, holds exactly
        the product's Data tree; the manifest, Data.zip's last entry, says so too. The names of
        the volumes in Data.zip."""
        self.check_manifest(data_zip, products)
        with zipfile.ZipFile(data_zip) as archive:
            self.assertIsNone(archive.testzip())
            names = archive.namelist()
            # The volumes are deflated already: Data.zip stores them.
            self.assertEqual({i.compress_type for i in archive.infolist()} - {zipfile.ZIP_STORED}, set())
            with tempfile.TemporaryDirectory() as scratch:
                scratch = Path(scratch)
                for product in products:
                    parts = volume_set(names, product)
                    folder = scratch / product
                    folder.mkdir()
                    # 7-Zip on Linux looks for the parts under lower-case .z01 names.
                    base = ARCHIVE_NAMES[product]
                    for index, name in enumerate(parts[:-1], start=1):
                        (folder / f"{base}.z{index:02d}").write_bytes(archive.read(name))
                        self.assertLessEqual(archive.getinfo(name).file_size, VOLUME_SIZE)
                    (folder / f"{base}.zip").write_bytes(archive.read(parts[-1]))
                    test = subprocess.run(["7zz", "t", str(folder / f"{base}.zip")], capture_output=True,
                                          text=True, timeout=300)
                    self.assertEqual(test.returncode, 0, f"{product}: {test.stdout}{test.stderr}")
                    out = folder / "out"
                    subprocess.run(["7zz", "x", "-y", f"-o{out}", str(folder / f"{base}.zip")],
                                   capture_output=True, check=True, timeout=300)
                    self.assertEqual(extracted_tree(out), expected_tree(product), product)
        self.assertEqual(names[-1], "manifest.json")
        return names[:-1]

    def mails(self, expected=0):
        return self.mail.mails(expected)


class SampleMachine(DeliveryCase):
    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        # The customer's own archives below the products' base folder, and a volume left over
        # from an earlier run, are neither packed nor touched.
        cls.own_archives = [machine.c(r"C:\Velmo\Zorvel\Backup.zip"), machine.c(r"C:\Velmo\Zorvel\ZorvelData.Z09"),
                            machine.c(r"C:\Velmo\Zorvel\Backups\old.zip")]
        for archive in cls.own_archives:
            archive.parent.mkdir(parents=True, exist_ok=True)
            archive.write_bytes(b"PK\x05\x06" + bytes(18))

    def test_get_data_saves_and_mails(self):
        app = self.start()
        self.assertFalse(enabled(app)["Save Data"])
        data_zip = self.get_data(app, screenshot="delivery-finished")

        names = self.check_volume_sets(data_zip, sm.ALL_PRODUCTS)
        # Zorvel's and Voyra's data fill more than one volume; the others fit in one. Data.zip
        # holds exactly the volumes of this run.
        self.assertIn("ZorvelData.Z01", names)
        self.assertIn("VYData_001.zip", names)
        self.assertNotIn("QrxData.Z01", names)
        self.assertEqual(sorted(names), sorted(sum((volume_set(names, p) for p in sm.ALL_PRODUCTS), [])))
        # The volumes this run wrote are gone from the base folder; the customer's files stay.
        base = self.machine.c(r"C:\Velmo\Zorvel")
        self.assertEqual(sorted(p.name for p in base.iterdir() if p.suffix.lower().startswith(".z")),
                         ["Backup.zip", "ZorvelData.Z09"])
        self.assertTrue(all(a.read_bytes() == b"PK\x05\x06" + bytes(18) for a in self.own_archives))

        # Save Data: a byte copy on the desktop.
        app.click("Save Data")
        app.expect_message(SAVED)
        self.assertEqual((self.machine.desktop / "Data.zip").read_bytes(), data_zip.read_bytes())
        # Saved again while another program holds that save: it stays as it was, nothing beside it.
        holder, release = hold(self, rf"C:\users\{self.machine.user}\Desktop\Data.zip")
        try:
            app.click("Save Data")
            box = app.dialog()
            self.assertRegex(box["text"], r"^The new file could not take the place of .*Data\.zip \(.*\); that file is "
                                          r"as it was\.$")
            app.answer("OK")
        finally:
            release.write_text("go")
            holder.wait(timeout=60)
        self.assertEqual((self.machine.desktop / "Data.zip").read_bytes(), data_zip.read_bytes())
        self.assertEqual(sorted(p.name for p in self.machine.desktop.iterdir()), ["Data.zip"])

        # The report after Get Data, saved as the memo holds it (edited by the user).
        app.click("Start Analysis")
        app.expect_message("Finish", 600000)
        edited = app.memo().replace(b"Tavisto: ", b"Tavisto (edited): ", 1)
        app.set_memo(edited)
        app.click("Save Result")
        app.expect_message(SAVED)
        self.assertEqual((self.machine.desktop / "Analysis Result.txt").read_bytes(), edited)

        # The result mail carries what the memo holds now, not an older saved file.
        app.set_memo(b"the report as it stands now\r\n")
        app.click("Send result by email")
        app.wait_idle()
        self.assertFalse((self.machine.desktop / "qrxReg.log").exists())
        # Zorvel's and Voyra's volumes make a Data.zip above 7 MB: the user is warned first.
        app.click("Send data by email")
        self.assertIn("Send it by email anyway?", app.dialog()["text"])
        app.answer("&Yes")
        app.wait_idle()
        self.screenshot("delivery-mailed")

        mails = self.mails(2)
        self.assertEqual(len(mails), 2, mails)
        for url, subject in zip(mails, ["Qrx Key Program", "Data files"]):
            parsed = urllib.parse.urlparse(url)
            self.assertEqual(parsed.scheme, "mailto")
            self.assertEqual(parsed.path, SUPPORT_ADDRESS)
            query = urllib.parse.parse_qs(parsed.query)
            self.assertEqual(query["subject"], [subject])
            self.assertEqual(query["body"], ["Free text"])
        log = self.debug_log.read_bytes().decode("latin-1")
        own = rf"C:\\\\users\\\\{self.machine.user}\\\\Temp\\\\Tavisto\\\\"
        self.assertRegex(log, own + r'Mail \d+\\\\qrxReg\.log" \("Analysis Result\.txt"\)')
        self.assertRegex(log, own + r'Get Data \d+\\\\Data\.zip"')

        # Closing the window removes the temporary Data.zip, never the desktop's copy.
        app.close()
        self.assertFalse(data_zip.exists())
        self.assertTrue((self.machine.desktop / "Data.zip").exists())


class OnlyQuorix(DeliveryCase):
    products = ["Quorix"]

    def test_data_zip_holds_quorix_alone(self):
        app = self.start()
        data_zip = self.get_data(app)
        names = self.check_volume_sets(data_zip, ["Quorix"])
        # The base folder is the one above Quorix's program folder: its Help.zip is not packed
        # and stays where it is.
        self.assertEqual(names, ["QrxData.zip"])
        self.assertTrue(self.machine.c(r"C:\Velmo\Quorix\Help.zip").exists())
        self.assertFalse(self.machine.c(r"C:\Velmo\QrxData.zip").exists())
        app.close()


class OnlyMultiQrx(DeliveryCase):
    products = ["MultiQrx"]

    def test_without_a_base_folder_nothing_lands_in_the_working_folder(self):
        (self.working / "stray.zip").write_bytes(b"PK\x05\x06" + bytes(18))
        app = self.start()
        data_zip = self.get_data(app)
        names = self.check_volume_sets(data_zip, ["MultiQrx"])
        self.assertEqual(names, ["MQData.zip"])
        self.assertEqual(sorted(p.name for p in self.working.iterdir()), ["stray.zip"])
        app.close()
        self.assertFalse((self.machine.temp / "Tavisto").exists())


class NoProgram(DeliveryCase):
    products = []

    def test_data_zip_holds_an_empty_manifest_and_says_nothing_was_found(self):
        (self.working / "stray.zip").write_bytes(b"customer's")
        app = self.start()
        data_zip = self.get_data(app, ends="Get Data finished, but Data.zip is incomplete:\r\n"
                                           f"no product is installed for the user {self.machine.user}")
        manifest = self.check_manifest(data_zip, [])
        self.assertEqual(manifest["products"], [])
        self.assertEqual(zipfile.ZipFile(data_zip).namelist(), ["manifest.json"])
        self.assertEqual((self.working / "stray.zip").read_bytes(), b"customer's")
        app.click("Save Data")
        app.expect_message(SAVED)
        app.close()


class LockedDataFile(DeliveryCase):
    """A data file another program holds exclusively: the writer asks Abort, Retry or Ignore
    through a real message box of the program."""

    products = ["Pylvex"]
    locked = r"Data\Pylvex.cfg"

    def hold(self):
        return hold(self, sm.product_values(self.machine.user)["Pylvex"]["AppDataPath"] + self.locked)

    def failure_box(self, app):
        box = app.dialog(600000)
        path = sm.product_values(self.machine.user)["Pylvex"]["AppDataPath"] + self.locked
        self.assertEqual(box["text"], f'ArchivioPY: Cannot open file "{path}" - Native error: 00033. '
                                      "File processing error, possibly disk is full")
        self.assertEqual(box["buttons"], ["&Abort", "&Retry", "&Ignore"])
        return box

    def release(self, holder, release):
        release.write_text("go")
        holder.wait(timeout=60)

    def test_abort_stops_get_data_retry_packs_the_file_ignore_names_it(self):
        app = self.start()
        base = self.machine.c(r"C:\Velmo")
        before = sorted(p.name for p in base.iterdir())
        holder, release = self.hold()
        app.click("Get Data")
        self.failure_box(app)
        app.answer("&Abort")
        box = app.dialog(600000)
        self.assertTrue(box["icon"])
        path = sm.product_values(self.machine.user)["Pylvex"]["AppDataPath"] + self.locked
        self.assertEqual(box["text"], f"Get Data was stopped while packing the Pylvex data: {path} could not be "
                                      "packed and Abort was chosen. The files Get Data had written are removed.")
        app.answer("OK")
        self.release(holder, release)
        buttons = enabled(app)
        self.assertFalse(buttons["Save Data"] or buttons["Send data by email"])
        self.assertEqual(sorted(p.name for p in base.iterdir()), before)
        self.assertEqual(data_zips(self.machine), [])

        holder, release = self.hold()
        app.click("Get Data")
        self.failure_box(app)
        self.screenshot("delivery-locked-file")
        app.answer("&Retry")
        self.failure_box(app)  # still held: asked again
        self.release(holder, release)
        app.answer("&Retry")
        app.expect_message("Finished", 600000)
        self.check_volume_sets(self.data_zip(), ["Pylvex"])

        holder, release = self.hold()
        app.click("Get Data")
        self.failure_box(app)
        app.answer("&Ignore")
        path = sm.product_values(self.machine.user)["Pylvex"]["AppDataPath"] + self.locked
        box = app.expect_message("Get Data finished, but Data.zip is incomplete:\r\n"
                                 f"{path} (held by another program; Ignore was chosen)", 600000)
        self.assertTrue(box["icon"])
        self.release(holder, release)
        self.check_manifest(self.data_zip(), ["Pylvex"], [(self.locked, ["held by another program",
                                                                         "Ignore was chosen"])])
        expected = expected_tree("Pylvex")
        del expected["Pylvex.cfg"]
        with zipfile.ZipFile(self.data_zip()) as archive, \
                tempfile.TemporaryDirectory() as scratch:
            (Path(scratch) / "PYData.zip").write_bytes(archive.read("PYData.zip"))
            subprocess.run(["7zz", "x", "-y", f"-o{scratch}/out", f"{scratch}/PYData.zip"],
                           capture_output=True, check=True, timeout=300)
            self.assertEqual(extracted_tree(Path(scratch) / "out"), expected)
        app.close()


class WithoutSimpleMapi(DeliveryCase):
    products = ["Pylvex"]

    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        for view in ("64", "32"):  # a 32-bit program reads the 32-bit copy of the key
            machine.reg_delete(r"HKLM\SOFTWARE\Microsoft\Windows Messaging Subsystem", "MAPI", view=view)

    def test_the_mail_buttons_open_nothing_and_say_what_to_do_instead(self):
        app = self.start()
        app.click("Start Analysis")
        app.expect_message("Finish", 600000)
        self.get_data(app)
        no_mail = "unable send email\r\nNo mail program on this computer takes messages from other programs (Simple MAPI). "
        for caption, instead in (("Send result by email", "Save Result puts Analysis Result.txt"),
                                 ("Send data by email", "Save Data puts Data.zip")):
            app.click(caption)
            box = app.dialog()
            self.assertEqual(box["text"], no_mail + instead + " on your desktop so that you can attach it yourself.")
            self.assertEqual(box["caption"], "Erreur")
            app.answer("OK")
        self.assertEqual(self.mails(), [])
        self.assertFalse((self.machine.desktop / "qrxReg.log").exists())
        app.close()


if __name__ == "__main__":
    main()
