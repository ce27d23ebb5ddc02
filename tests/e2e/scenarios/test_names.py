"""Names outside the ANSI code page and paths past 260 characters, end to end: the report reads
and lists such files and dumps such registry keys with their values (shown in the code page, '?'
for a character it lacks); both results are saved, and the report mailed, from a desktop whose
path the code page cannot hold.
"""

import re
import urllib.parse

from scenario import MailRecorder, ScenarioCase, main
from test_delivery import data_zips

from tests.e2e.harness import build_dir, win_path
from tests.fixtures import sample_machine as sm

SAVED = "File saved on your desktop."
NAMES = r"C:\Velmo\Zorvel\Names"
# Four levels of 40 characters, then one of 34, then one more of 40: the key paths below
# Software\Velmo\Deep reach 224, 259 (just short of 260) and 300 characters.
DEEP_LEVELS = [c * 40 for c in "abcd"] + ["e" * 40, "f" * 34, "g" * 40]


def memo_lines(app):
    return [line.decode("cp1252") for line in app.memo().split(b"\r\n")[:-1]]


class NamesAndLongPaths(ScenarioCase):
    @classmethod
    def prepare(cls, machine):
        sm.install(machine, products=["Zorvel"])
        names = machine.c(NAMES)
        names.mkdir(parents=True)
        for name, text in {"Omega.txt": "latin", "\u03a9mega.txt": "greek", "\u65e5\u672c.txt": "cjk"}.items():
            (names / name).write_text(text)
        cls.deep_folder = names / "/".join(DEEP_LEVELS)
        cls.deep_folder.mkdir(parents=True)
        (cls.deep_folder / "deep.txt").write_text("deep")
        # Program files whose versions the report reads through such paths.
        stub = (sm.fixture_dir(build_dir()) / "stub_zorvel_main.exe").read_bytes()
        (names / "\u03a9mega.exe").write_bytes(stub)
        (cls.deep_folder / "deep.exe").write_bytes(stub)

        # Regedit reads a UTF-16 file whole: the only way the names reach the registry as they are.
        deep_key = r"HKEY_CURRENT_USER\Software\Velmo\Deep"
        text = "Windows Registry Editor Version 5.00\r\n\r\n"
        text += "[HKEY_CURRENT_USER\\Software\\Velmo\\\u03a9mega]\r\n"
        text += '"\u039d\u03b1me"="\u03b1\u03b2 caf\u00e9"\r\n"Count"=dword:00000007\r\n\r\n'
        for depth, level in enumerate(DEEP_LEVELS, start=1):
            deep_key += "\\" + level
            text += f'[{deep_key}]\r\n"Level"=dword:{depth:08x}\r\n\r\n'
        # The user's desktop folder, as the shell knows it, is named outside the code page.
        desktop = f"C:\\users\\{machine.user}\\\u0394esktop"
        cls.desktop = machine.c(desktop)
        cls.desktop.mkdir()
        text += "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders]\r\n"
        text += '"Desktop"="' + desktop.replace("\\", "\\\\") + '"\r\n'
        reg = machine.root / "names.reg"
        reg.write_bytes(b"\xff\xfe" + text.encode("utf-16-le"))
        machine.run(["regedit", "/S", win_path(reg)])

        cls.mail = MailRecorder(machine)

    def test_report_lists_dumps_saves_and_mails_them(self):
        log = self.machine.root / "wine.log"
        app = self.start_tavisto(winedebug="+winemapi", stderr_path=log)
        app.click("Start Analysis")
        app.expect_message("Finish", 600000)
        lines = memo_lines(app)

        # Program versions read through both paths.
        version = sm.STUB_VERSIONS["stub_zorvel_main.exe"]
        self.assertIn(NAMES + "\\?mega.exe: " + version, lines)
        self.assertIn(NAMES + "\\" + "\\".join(DEEP_LEVELS) + "\\deep.exe: " + version, lines)

        # FILES LIST: every file, Omega.txt and its Greek neighbour apart, the deep one whole.
        files = lines[lines.index("-----------------FILES LIST-------------------------------"):]
        for name in ("Omega.txt", "?mega.txt", "??.txt"):
            self.assertIn(NAMES + "\\" + name, files)
        deep = NAMES + "\\" + "\\".join(DEEP_LEVELS) + "\\deep.txt"
        self.assertGreater(len(deep), 300)
        self.assertIn(deep, files)

        # The key log: the Greek key with both its values, each level of the deep tree with its own.
        greek = lines.index("     + ?mega")
        self.assertEqual(sorted(lines[greek + 1:greek + 3]), ["            ??me = ?? caf\u00e9",
                                                              "            Count = 7"])
        # Each key's sub-keys come first, then its values: the levels down, then their values up.
        deep_at = lines.index("     + Deep")
        levels = len(DEEP_LEVELS)
        for depth, level in enumerate(DEEP_LEVELS, start=1):
            self.assertEqual(lines[deep_at + depth], " " * 5 * (depth + 1) + "+ " + level)
            self.assertEqual(lines[deep_at + 2 * levels + 1 - depth], " " * 6 * (depth + 2) + f"Level = {depth}")

        # Both saves and the result mail to the desktop the code page cannot name.
        app.click("Save Result")
        app.expect_message(SAVED)
        self.assertEqual((self.desktop / "Analysis Result.txt").read_bytes(), app.memo())
        app.click("Get Data")
        app.expect_message("Finished", 1200000)
        app.click("Save Data")
        app.expect_message(SAVED)
        self.assertEqual((self.desktop / "Data.zip").read_bytes(), data_zips(self.machine)[0].read_bytes())
        app.click("Send result by email")
        app.wait_idle()
        self.assertFalse((self.desktop / "qrxReg.log").exists())
        app.close()
        mails = self.mail.mails(1)
        self.assertEqual(len(mails), 1, mails)
        query = urllib.parse.parse_qs(urllib.parse.urlparse(mails[0]).query)
        self.assertEqual(query["subject"], ["Qrx Key Program"])
        # Simple MAPI is 8-bit: the attachment reaches it under the temporary folder's short
        # name, one that really names that folder (the program's own folder in it is gone again).
        attached = re.search(r'"(C:[^"]*)\\\\Tavisto\\\\Mail \d+\\\\qrxReg\.log" \("Analysis Result\.txt"\)',
                             log.read_text("latin-1"))
        self.assertIsNotNone(attached, "no attachment in the mail")
        folder = attached.group(1).replace("\\\\", "\\")
        self.assertNotIn("?", folder)
        self.machine.run(["cmd", "/c", "dir", "/b", folder])


if __name__ == "__main__":
    main()
