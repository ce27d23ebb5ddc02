"""Support's side on the real program: the Data.zip the window saved on the desktop opened by
/open (every file equal to its source), refused into the same folder again, and opened beside
itself when given alone, as Explorer starts the program for a file dropped on it."""

from scenario import main
from test_delivery import SAVED, DeliveryCase, extracted_tree, snapshot

from tests.e2e.harness import Tavisto, tavisto_exe, win_path
from tests.fixtures import sample_machine as sm

AS_PACKED, NOTHING_OPENED = 0, 3


class OpenWhatTheWindowSaved(DeliveryCase):
    def test_open_verifies_every_file_and_the_lone_file_opens_beside_itself(self):
        app = self.start()
        self.get_data(app)
        app.click("Save Data")
        app.expect_message(SAVED)
        app.close()
        data_zip = self.machine.desktop / "Data.zip"

        folder = self.machine.root / "Case 4711" / "opened"
        done = self.machine.run([tavisto_exe(), "/OPEN", win_path(data_zip), win_path(folder)], check=False)
        out = done.stdout.decode("utf-8", "replace") + done.stderr.decode("utf-8", "replace")
        self.assertEqual(done.returncode, AS_PACKED, out)
        files = 0
        for product in sm.ALL_PRODUCTS:
            source = self.machine.c(sm.product_values(self.machine.user)[product]["AppDataPath"] + "Data")
            self.assertEqual(extracted_tree(folder / product), extracted_tree(source), product)
            files += sum(1 for content in sm.DATA_TREES[product].values() if content is not None)
        summary = f"All {files} files are as packed."
        self.assertIn(summary + "\r\n", out)
        self.assertTrue((folder / "Verification.txt").read_bytes().startswith(b"\xef\xbb\xbf"))
        self.assertTrue((folder / "manifest.json").is_file())

        before = snapshot(folder)
        done = self.machine.run([tavisto_exe(), "/open", win_path(data_zip), win_path(folder)], check=False)
        out = done.stdout.decode("utf-8", "replace")
        self.assertEqual(done.returncode, NOTHING_OPENED, out)
        self.assertIn("is not empty", out)
        self.assertEqual(snapshot(folder), before)

        # Explorer gives the file's full path as the one argument; no window opens, one box says it all.
        lone = Tavisto(self.machine, cwd=self.working)
        lone.process = self.machine.popen([tavisto_exe(), win_path(data_zip)], cwd=self.working)
        box = lone.dialog(300000)
        self.screenshot("open-lone-file")
        beside = self.machine.desktop / "Data (opened)"
        self.assertEqual(box["text"], f"{summary}\r\nThe files are in {win_path(beside)}\\", box)
        self.assertTrue(box["icon"], box)
        self.assertIsNone(lone.driver("state", check=False).get("controls"), "a main window opened")
        lone.answer("OK")
        self.assertEqual(lone.process.wait(timeout=60), AS_PACKED)
        self.assertEqual(extracted_tree(beside / "Zorvel"), extracted_tree(folder / "Zorvel"))
        self.assertEqual(sorted(p.name for p in self.machine.desktop.iterdir()), ["Data (opened)", "Data.zip"])


if __name__ == "__main__":
    main()
