"""What a hostile customer does to the files a window writes and removes, and what every file of
theirs must come out as: byte for byte as they left it. They save files of their own where the
volumes were once the window has removed them (the file system hands the new files the numbers
the volumes had), and into the program's own folder; they remove a killed window's leftover
volume and save an archive of theirs under its name. What a killed window leaves goes as soon
as another window starts. And what the mail program answers: a failure is named in a box, a
message the user discarded says nothing (a stand-in MAPI32.DLL answers as the test tells it).
"""

import os
import shutil
import time

from scenario import main
from test_delivery import DeliveryCase, add_sparse_capture, data_zips

from tests.e2e.harness import build_dir, win_path

THEIRS = b"PK\x05\x06" + bytes(18) + b"the customer's own"
BIG = 1024 ** 3  # seconds of deflate, so that the window can be killed while it packs


def own_folder(machine):
    return machine.temp / "Tavisto"


class SavedWhereOursWere(DeliveryCase):
    products = ["Zorvel"]

    def test_files_saved_where_the_volumes_were_keep_their_bytes(self):
        app = self.start()
        run = self.get_data(app).parent
        theirs = [run / "ZorvelData.zip", run / "ZorvelData.Z01", run / "fcc notes.txt", run / "FC12.tmp",
                  own_folder(self.machine) / "FC1.tmp", self.machine.c(r"C:\Velmo\ZorvelData.zip")]
        for path in theirs:
            path.write_bytes(THEIRS)
        app.close()
        # The next window, and its Get Data (which sweeps what killed windows left), too.
        app = self.start()
        self.get_data(app)
        app.close()
        for path in theirs:
            self.assertEqual(path.read_bytes(), THEIRS, path)
        self.assertEqual(data_zips(self.machine), [])


class KilledWindow(DeliveryCase):
    products = ["Zorvel"]

    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        add_sparse_capture(machine, BIG)

    def killed_while_packing(self):
        """Starts Get Data, kills the window as it packs; the folder of the run it left."""
        app = self.start()
        app.click("Get Data")
        self.packing(app)
        app.process.kill()
        app.process.wait(timeout=60)
        # Wine's server closes a killed process's handles a moment after the process is gone, and
        # only then deletes its scratch files (deleted on close, as on Windows when it dies): what
        # the window left is what is there once they are.
        deadline = time.monotonic() + 60
        while list(own_folder(self.machine).glob("Get Data */Scratch */*.tmp")) and time.monotonic() < deadline:
            time.sleep(0.2)
        runs = sorted(own_folder(self.machine).glob("Get Data *"))
        self.assertEqual(len(runs), 1, runs)
        self.assertTrue(list(runs[0].glob("ZorvelData.*")))
        return runs[0]

    def test_what_a_killed_window_left_goes_when_the_next_one_starts(self):
        run = self.killed_while_packing()
        left = sorted(own_folder(self.machine).rglob("*"))
        # A journal that another user owns is no record of ours: the next window trusts nothing in it.
        [journal] = own_folder(self.machine).glob("Journal *.txt")
        os.lchown(journal, 65534, -1)
        app = self.start()
        app.wait_idle()
        app.close()
        self.assertEqual(sorted(own_folder(self.machine).rglob("*")), left)
        os.lchown(journal, os.geteuid(), -1)
        app = self.start()
        app.wait_idle()
        self.assertFalse(run.exists())
        self.assertFalse(own_folder(self.machine).exists(), sorted(own_folder(self.machine).rglob("*")))
        app.close()

    def test_an_archive_saved_under_a_leftover_s_name_stays(self):
        run = self.killed_while_packing()
        # The customer removes the leftovers by hand and saves an archive of theirs under the
        # first one's name: it may well get the number the volume had.
        leftovers = sorted(run.glob("ZorvelData.*"))
        for path in leftovers:
            path.unlink()
        leftovers[0].write_bytes(THEIRS)
        app = self.start()
        self.get_data(app)
        app.close()
        self.assertEqual(leftovers[0].read_bytes(), THEIRS)
        # Nothing in that folder can be told for ours any more: it stays, with the customer's file.
        self.assertEqual(sorted(run.iterdir()), [leftovers[0]])
        shutil.rmtree(run)


class MailAnswers(DeliveryCase):
    """The window with a mail library that answers what the test says: the program's own copy
    beside the stand-in, which Wine loads in place of its own MAPI32.DLL."""

    products = ["Pylvex"]

    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        folder = machine.c(r"C:\Tavisto")
        folder.mkdir(parents=True)
        cls.exe = folder / "tavisto.exe"
        shutil.copy2(build_dir() / "app" / "tavisto.exe", cls.exe)
        shutil.copy2(build_dir() / "tests" / "fixtures" / "tools" / "MAPI32.DLL", folder / "MAPI32.DLL")
        cls.log = machine.root / "mapi.txt"
        machine.environment.update(WINEDLLOVERRIDES="mapi32=n", TAVISTO_MAPI_LOG=win_path(cls.log))

    def answering(self, code):
        self.machine.environment["TAVISTO_MAPI_ANSWER"] = str(code)
        return self.start_tavisto(cwd=self.working, exe=self.exe)

    def calls(self):
        return self.log.read_text().splitlines() if self.log.exists() else []

    def test_a_failing_mail_program_is_named_and_a_discarded_message_says_nothing(self):
        app = self.answering(3)  # the mail program cannot log on
        app.click("Start Analysis")
        app.expect_message("Finish", 600000)
        app.click("Send result by email")
        box = app.dialog()
        self.assertEqual(box["text"], "unable send email\r\nThe mail program could not log on to your mail account. "
                                      "Save Result puts Analysis Result.txt on your desktop so that you can attach "
                                      "it yourself.")
        self.assertEqual(box["caption"], "Erreur")
        self.assertTrue(box["icon"])
        app.answer("OK")
        self.assertEqual([call.split("\t")[0] for call in self.calls()], ["Qrx Key Program"])
        app.close()

        app = self.answering(1)  # the user discarded the message
        self.get_data(app)
        app.click("Send data by email")
        app.wait_idle()
        self.assertIsNone(app.state()["dialog"])
        self.assertEqual(self.calls()[-1].split("\t")[0], "Data files")
        app.close()


if __name__ == "__main__":
    main()
