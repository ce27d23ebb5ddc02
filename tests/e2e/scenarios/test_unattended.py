"""The program without its window, as an IT desk's script runs it: "/report R.txt /data D.zip"
on the sample machine writes the report the window's memo shows after a Get Data (line for
line, the memory and time figures aside) and the Data.zip the window makes (every set passing
7-Zip, the manifest its own reader's checks), and exits 0 with no window; a file another program
holds is left out and named, and so is a machine where no product is installed (exit 1); a wrong
command line prints the usage and writes nothing, and so does one file named twice in two
spellings or a file inside a data folder (exit 2); a folder that does not exist, or a Get Data
running in a window, fails with its cause and writes nothing (exit 3).
"""

import time
import zipfile

from scenario import main
from test_delivery import DeliveryCase, add_sparse_capture, snapshot

from tests.e2e.harness import build_dir, tavisto_exe, win_path
from tests.fixtures import sample_machine as sm

COMPLETE, INCOMPLETE, USAGE, FAILED = 0, 1, 2, 3
RUNS_ELSEWHERE = ("Get Data is already running in another Tavisto window. Let it finish, then run Get Data "
                  "here again.")


class UnattendedCase(DeliveryCase):
    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        sm.install_tools(machine, cls.working)

    def unattended(self, *args, timeout=900):
        """Runs tavisto.exe with args to its end: its exit code and its output (stdout, stderr)."""
        done = self.machine.run([tavisto_exe(), *args], cwd=self.working, check=False, timeout=timeout)
        return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")


def differing_lines(window, file):
    """The indexes where the two reports differ, and whether they have as many lines."""
    return [i for i, (a, b) in enumerate(zip(window, file)) if a != b], len(window) == len(file)


class SampleMachine(UnattendedCase):
    def test_report_and_data_are_what_the_window_makes(self):
        app = self.start()
        self.get_data(app)
        app.click("Start Analysis")
        app.expect_message("Finish", 600000)
        memo = app.memo().split(b"\r\n")
        app.close()

        report, data = self.machine.root / "Report.txt", self.machine.root / "Data.zip"
        report.write_bytes(b"an older report of the user's")  # replaced once the new one is whole
        code, out, err = self.unattended("/REPORT", win_path(report), "-data", win_path(data))
        self.assertEqual(code, COMPLETE, out + err)
        # Each as a full path, where the file really is.
        self.assertIn(f"Report written to {win_path(report)}\r\n", out)
        self.assertIn(f"Data.zip written to {win_path(data)}\r\n", out)
        self.assertIn("Packing the Zorvel data", out)
        self.assertEqual(sorted(p.name for p in self.machine.root.glob("*.tavisto-new*")), [])

        lines = report.read_bytes().split(b"\r\n")
        differ, same_length = differing_lines(memo, lines)
        self.assertTrue(same_length, (len(memo), len(lines)))
        # The available memory, and the key log's time (the line after its heading and separator).
        key_log = memo.index(b"HKEY_CURRENT_USER -> Software\\Velmo ") + 2
        memory = next(i for i, line in enumerate(memo) if line.startswith(b"Avalilable physical memory:"))
        self.assertLessEqual(set(differ), {memory, key_log}, [(memo[i], lines[i]) for i in differ])
        self.assertTrue(any(line.startswith(b"--------------------Zorvel CS.log") for line in lines))
        self.check_volume_sets(data, sm.ALL_PRODUCTS)

    def test_a_wrong_command_line_prints_the_usage_and_writes_nothing(self):
        # Which command lines are refused is the parser's table; here, what a refusal does.
        code, out, err = self.unattended("/report", "a.txt", "stray", timeout=120)
        self.assertEqual(code, USAGE, out + err)
        self.assertIn('"stray" is not a switch', err)
        self.assertIn("/report", err)
        code, out, err = self.unattended("/?", timeout=120)
        self.assertEqual(code, COMPLETE)
        self.assertIn("/data", out)
        self.assertEqual(sorted(self.working.glob("*.txt")), [])

    def test_a_folder_that_does_not_exist_fails_and_writes_nothing(self):
        code, out, err = self.unattended("/data", r"C:\No Such Folder\Data.zip", "/report", r"C:\Nope\R.txt")
        self.assertEqual(code, FAILED, out + err)
        self.assertIn("No Such Folder", err)
        self.assertFalse((self.machine.temp / "Tavisto").exists())


class FilesItCannotWrite(UnattendedCase):
    products = ["Pylvex"]

    def test_one_file_in_two_spellings_is_refused_and_stays_as_it_was(self):
        out = self.working / "Out.zip"
        out.write_bytes(b"the user's earlier archive")
        # The full path with "/" for /data; a relative name in other letters for /report.
        code, stdout, err = self.unattended("/data", win_path(out).replace("\\", "/"), "/report", "out.ZIP",
                                            timeout=120)
        self.assertEqual(code, USAGE, stdout + err)
        self.assertIn("/data and /report name the same file", err)
        self.assertEqual(out.read_bytes(), b"the user's earlier archive")
        self.assertEqual(sorted(p.name for p in self.working.iterdir() if p.name.lower().startswith("out")),
                         ["Out.zip"])

    def test_a_file_inside_the_data_folder_it_packs_is_refused(self):
        data_folder = sm.product_values(self.machine.user)["Pylvex"]["AppDataPath"] + "Data"
        before = snapshot(self.machine.c(data_folder))
        code, stdout, err = self.unattended("/data", data_folder + r"\Logs\..\out.zip", timeout=120)
        self.assertEqual(code, USAGE, stdout + err)
        self.assertIn(f"inside the Pylvex data folder {data_folder}, which Get Data packs", err)
        self.assertEqual(snapshot(self.machine.c(data_folder)), before)


class NoProduct(UnattendedCase):
    products = []

    def test_data_zip_of_a_machine_without_products_is_incomplete(self):
        data = self.machine.root / "Data.zip"
        code, out, err = self.unattended("/data", win_path(data))
        self.assertEqual(code, INCOMPLETE, out + err)
        self.assertIn(f"Data.zip is incomplete:\r\n  no product is installed for the user {self.machine.user}\r\n",
                      out)
        self.assertEqual(zipfile.ZipFile(data).namelist(), ["manifest.json"])


class HeldFile(UnattendedCase):
    products = ["Pylvex"]
    locked = r"Data\Pylvex.cfg"

    def test_a_held_file_is_left_out_and_named(self):
        data_folder = sm.product_values(self.machine.user)["Pylvex"]["AppDataPath"]
        held, release = self.machine.root / "held", self.machine.root / "release"
        holder = self.machine.popen([build_dir() / "tests" / "fixtures" / "hold_file.exe", data_folder + self.locked,
                                     win_path(held), win_path(release)])
        try:
            for _ in range(300):
                if held.exists():
                    break
                time.sleep(0.1)
            data = self.machine.root / "Data.zip"
            code, out, err = self.unattended("/data", win_path(data))
        finally:
            release.write_text("go")
            holder.wait(timeout=60)
        self.assertEqual(code, INCOMPLETE, out + err)
        self.assertIn(f"Data.zip is incomplete:\r\n  {data_folder}{self.locked} (held by another program; "
                      "tried again for 5 seconds, then left out by the unattended run)", out)
        self.check_manifest(data, ["Pylvex"], [(self.locked, ["held by another program", "unattended run"])])


class GetDataInAWindow(UnattendedCase):
    products = ["Zorvel"]

    @classmethod
    def prepare(cls, machine):
        super().prepare(machine)
        add_sparse_capture(machine, 3 * 1024 ** 3 // 2)

    def test_get_data_running_in_a_window_fails_the_run(self):
        app = self.start()
        app.click("Get Data")
        self.packing(app)
        data = self.machine.root / "Data.zip"
        code, out, err = self.unattended("/data", win_path(data))
        self.assertEqual(code, FAILED, out + err)
        self.assertIn(RUNS_ELSEWHERE, err)
        self.assertFalse(data.exists())
        app.expect_message("Finished", 1200000)
        app.close()


if __name__ == "__main__":
    main()
