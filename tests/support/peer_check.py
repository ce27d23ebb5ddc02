#!/usr/bin/env python3
"""Runs the common ZIP readers over the archives a test program handed over.

    peer_check.py PEER_DIR

Each folder under PEER_DIR is one case: the archive files a test wrote (manifest.txt names them
in order; several files are the volumes of a split archive, the last one being the archive
itself) and, optionally, expected/, the tree the archive must extract to.

A plain archive must pass `unzip -t`, `7zz t` and Python's zipfile test (an entry of more than
1 GiB Info-ZIP lists rather than tests: its size and CRC must be the ones zipfile reads). A split
set is tested the way support staff open it on Linux: the volumes are copied under the
lower-case names the Linux tools look for (set.z01 ... set.zip), 7-Zip tests the set (and must
read every volume), Info-ZIP joins it (`zip -s 0`) and the joined archive must pass the three
readers. A manifest line "# no-infozip-join" leaves the join out: Info-ZIP's join mishandles a
local header that ends right at a volume's limit, so a set made for that case is checked with
7-Zip alone.

Info-ZIP 3.0's join also corrupts entries of some sets whose data runs over several volumes,
its own split sets included (zip -s 64k, -s 4m). When the join of a set fails, the check splits
the expected files with Info-ZIP itself at the set's volume size ("# volume-size: N") and joins
that: if Info-ZIP's own set joins soundly, the failure is the writer's and the case fails; if
not, the case is noted as left to 7-Zip, which must still test the set and extract it. With
expected/, 7-Zip's extraction must give exactly those files and folders, byte for byte; a tree of
more than 256 MiB is not extracted: 7-Zip's listing of the tested archive must give its files
with their sizes and CRCs, and its folders.

A missing reader fails the run, as does a PEER_DIR without any case: nothing is skipped.
Failing cases are left in PEER_DIR for a look; passing ones of more than 256 MiB are removed.
"""

import filecmp
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile
import zlib
from pathlib import Path

READERS = ["unzip", "7zz", "zip"]


def run(command, cwd=None, timeout=600):
    result = subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True,
                            timeout=timeout)
    return result.returncode, (result.stdout + result.stderr).decode("latin-1")


# Info-ZIP tests data at some 200 MB/s, a tenth of the others' speed: the Zip64 case's 8 GiB of
# stored zeros took it 43 CPU-s, most of the heavy cases' peer check. Entries larger than this
# it lists (their sizes and CRCs as the central directory gives them, Zip64 fields and all)
# rather than tests; 7-Zip and zipfile test every byte of them, and where they are a big tree's,
# 7-Zip's listing of them is compared with the sources' sizes and CRCs.
UNZIP_TESTS_UP_TO = 1 << 30


def unzip_problems(path):
    """What Info-ZIP finds wrong with one archive file."""
    try:
        with zipfile.ZipFile(path) as archive:
            entries = archive.infolist()
    except (zipfile.BadZipFile, OSError):
        entries = []  # zipfile's own test says what is wrong; unzip tests the whole file
    big = {e.filename: (e.file_size, f"{e.CRC:08x}") for e in entries if e.file_size > UNZIP_TESTS_UP_TO}
    rest = [e.filename for e in entries if e.file_size <= UNZIP_TESTS_UP_TO]
    if not big or any(c in name for name in rest for c in "*?[]\\"):
        code, out = run(["unzip", "-t", "-qq", path])
        # An archive without entries is the bare 22-byte end record, which unzip only warns about.
        empty = os.path.getsize(path) == 22 and code == 1 and "zipfile is empty" in out
        return [f"unzip -t exit {code}: {out.strip()[:2000]}"] if code != 0 and not empty else []
    problems = []
    code, out = run(["unzip", "-lv", path])
    listed = {}
    for line in out.splitlines():
        # Length Method Size Cmpr Date Time CRC-32 Name
        fields = line.split(None, 7)
        if len(fields) == 8 and fields[0].isdigit() and fields[7] in big:
            listed[fields[7]] = (int(fields[0]), fields[6])
    if code != 0 or listed != big:
        problems.append(f"unzip -lv exit {code}, listed {listed}, not {big}: {out.strip()[:2000]}")
    if rest:
        code, out = run(["unzip", "-t", "-qq", path] + rest)
        if code != 0:
            problems.append(f"unzip -t of the entries up to {UNZIP_TESTS_UP_TO} bytes exit {code}: "
                            f"{out.strip()[:2000]}")
    return problems


def test_plain(path):
    """The problems the three readers find in one archive file."""
    problems = unzip_problems(path)
    code, out = run(["7zz", "t", path])
    if code != 0 or "Everything is Ok" not in out:
        problems.append(f"7zz t exit {code}: {out.strip()[-2000:]}")
    code, out = run([sys.executable, "-m", "zipfile", "-t", path])
    if code != 0 or "corrupted" in out:
        problems.append(f"python -m zipfile -t exit {code}: {out.strip()[:2000]}")
    return problems


def part_names(count):
    """The names Info-ZIP and 7-Zip look for on Linux: set.z01, set.z02, ..., set.zip. Both
    naming schemes of the writer (".Z01" and "_001.zip") are copied under these."""
    return [f"set.z{i + 1:02d}" for i in range(count - 1)] + ["set.zip"]


def oem_names_as_utf8(folder):
    """7-Zip on Linux writes a name stored without the UTF-8 flag as its raw bytes; those are in
    the OEM code page (437 on an English Windows), where 7-Zip on Windows would take them from:
    rename them to what that gives."""
    for parent, folders, files in os.walk(os.fsencode(folder), topdown=False):
        for name in folders + files:
            try:
                name.decode("utf-8")
            except UnicodeDecodeError:
                os.rename(os.path.join(parent, name), os.path.join(parent, name.decode("cp437").encode("utf-8")))


def compare_tree(extracted, expected):
    oem_names_as_utf8(extracted)
    problems = []
    for folder, folders, files in os.walk(expected):
        relative = os.path.relpath(folder, expected)
        other = os.path.normpath(os.path.join(extracted, relative))
        if not os.path.isdir(other):
            problems.append(f"folder missing after extraction: {relative}")
            continue
        for name in files:
            a, b = os.path.join(folder, name), os.path.join(other, name)
            if not os.path.isfile(b):
                problems.append(f"file missing after extraction: {os.path.join(relative, name)}")
            elif not filecmp.cmp(a, b, shallow=False):
                problems.append(f"file differs after extraction: {os.path.join(relative, name)}")
    for folder, folders, files in os.walk(extracted):
        relative = os.path.relpath(folder, extracted)
        for name in folders + files:
            if not os.path.exists(os.path.join(expected, relative, name)):
                problems.append(f"extraction has more than expected: {os.path.join(relative, name)}")
    return problems


def infozip_control(expected, volume_size, scratch):
    """Splits the expected files with Info-ZIP itself at the set's volume size and joins them
    again. Returns what goes wrong with that, or None when Info-ZIP's own set joins soundly (then
    the failure of our set is ours)."""
    if not os.path.isdir(expected) or volume_size < 65536:
        return None
    control = os.path.join(scratch, "control")
    os.mkdir(control)
    size = f"{max(64, volume_size // 1024)}k"
    code, out = run(["zip", "-q", "-r", "-1", "-s", size, os.path.join(control, "own.zip"), "."], cwd=expected)
    if code != 0:
        return None
    joined = os.path.join(control, "own-joined.zip")
    try:
        code, out = run(["zip", "-s", "0", os.path.join(control, "own.zip"), "--out", joined], timeout=300)
    except subprocess.TimeoutExpired:
        code = -1
    if code != 0 or not os.path.isfile(joined):
        return f"zip -s {size} then -s 0: exit {code}"
    failures = test_plain(joined)
    return f"zip -s {size} then -s 0: {failures[0][:120]}" if failures else None


# Trees larger than this (sparse files of several GiB) are not extracted: 7-Zip has tested every
# byte of the archive against the CRCs it holds, and those CRCs and sizes, as 7-Zip lists them,
# must be the sources' own. Through a pipe the bytes took four times as long.
BIG_TREE = 256 << 20


def link_or_copy(source, target):
    try:
        os.link(source, target)
    except OSError:
        shutil.copyfile(source, target)


def tree_size(folder):
    return sum(os.path.getsize(os.path.join(d, f)) for d, _, files in os.walk(folder) for f in files)


def file_crc(path):
    crc = 0
    with open(path, "rb") as f:
        while chunk := f.read(1 << 22):
            crc = zlib.crc32(chunk, crc)
    return f"{crc:08X}"


def seven_zip_listing(text):
    """The files (path: (size, CRC)) and the folders of an archive, from `7zz l -slt`'s output."""
    files, folders = {}, set()
    for block in text.split("\n\n"):
        fields = dict(line.split(" = ", 1) for line in block.splitlines() if " = " in line)
        if "Path" not in fields or "Folder" not in fields:
            continue  # the archive's own block
        path = fields["Path"].replace("\\", "/")
        if fields["Folder"] == "+":
            folders.add(path)
        else:
            files[path] = (int(fields["Size"]), fields.get("CRC", ""))
    return files, folders


def listing_compare(archive, expected):
    """The files 7-Zip lists in an archive it has tested, with their sizes and CRCs, against the
    expected tree's."""
    code, out = run(["7zz", "l", "-slt", archive])
    if code != 0:
        return [f"7zz l -slt exit {code}: {out.strip()[-2000:]}"]
    listed, folders = seven_zip_listing(out)
    for path in listed:
        folders.update(parent.as_posix() for parent in Path(path).parents if str(parent) != ".")
    wanted, wanted_folders = {}, set()
    for folder, subfolders, files in os.walk(expected):
        relative = os.path.relpath(folder, expected)
        for name in subfolders:
            wanted_folders.add(os.path.normpath(os.path.join(relative, name)))
        for name in files:
            path = os.path.join(folder, name)
            wanted[os.path.normpath(os.path.join(relative, name))] = (os.path.getsize(path), file_crc(path))
    problems = []
    if listed != wanted:
        problems.append(f"7-Zip lists {listed}, the sources are {wanted}")
    if folders != wanted_folders:
        problems.append(f"7-Zip lists the folders {sorted(folders)}, "
                        f"the sources have {sorted(wanted_folders)}")
    return problems


def check_case(case):
    manifest = os.path.join(case, "manifest.txt")
    if not os.path.isfile(manifest):
        return ["no manifest.txt"], []
    with open(manifest, encoding="latin-1") as f:
        lines = [line.strip() for line in f if line.strip()]
    options = {line[1:].strip() for line in lines if line.startswith("#")}
    volume_size = next((int(o.split(":")[1]) for o in options if o.startswith("volume-size:")), 0)
    files = [line for line in lines if not line.startswith("#")]
    if not files:
        return ["empty manifest"], []
    problems = []
    notes = []
    with tempfile.TemporaryDirectory(prefix="peer-") as scratch:
        if len(files) == 1:
            archive = os.path.join(case, files[0])
            problems += test_plain(archive)
        else:
            parts = os.path.join(scratch, "parts")
            os.mkdir(parts)
            for name, part in zip(files, part_names(len(files))):
                link_or_copy(os.path.join(case, name), os.path.join(parts, part))
            last = os.path.join(parts, "set.zip")
            code, out = run(["7zz", "t", last])
            if code != 0 or "Everything is Ok" not in out:
                problems.append(f"7zz t on the split set exit {code}: {out.strip()[-2000:]}")
            elif f"Volumes = {len(files)}" not in out:
                problems.append(f"7zz did not read all {len(files)} volumes: {out.strip()[-2000:]}")
            joined = os.path.join(scratch, "joined.zip")
            if "no-infozip-join" in options:
                archive = last
                joined = None
            if joined:
                try:
                    code, out = run(["zip", "-s", "0", last, "--out", joined], timeout=300)
                except subprocess.TimeoutExpired:
                    code, out = -1, "timed out (a volume it looked for is missing)"
                if code != 0 or not os.path.isfile(joined):
                    join_problems = [f"zip -s 0 join exit {code}: {out.strip()[-2000:]}"]
                else:
                    join_problems = [f"joined: {p}" for p in test_plain(joined)]
                if join_problems:
                    verdict = infozip_control(os.path.join(case, "expected"), volume_size, scratch)
                    if verdict is None:
                        problems += join_problems
                    else:
                        notes.append(f"Info-ZIP's join fails on this set ({join_problems[0][:120]}), "
                                     f"and on its own split of the same files too ({verdict}): left to 7-Zip")
            archive = last
        expected = os.path.join(case, "expected")
        if os.path.isdir(expected) and tree_size(expected) > BIG_TREE:
            problems += listing_compare(archive, expected)
        elif os.path.isdir(expected):
            out_dir = os.path.join(scratch, "extracted")
            code, out = run(["7zz", "x", "-y", f"-o{out_dir}", archive])
            if code != 0:
                problems.append(f"7zz x exit {code}: {out.strip()[-2000:]}")
            else:
                problems += compare_tree(out_dir, expected)
    return problems, notes


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    peer_dir = sys.argv[1]
    missing = [tool for tool in READERS if shutil.which(tool) is None]
    if missing:
        print("missing peer programs: " + ", ".join(missing) + " (install unzip, zip and 7zip)")
        return 1
    cases = sorted(d for d in os.listdir(peer_dir) if os.path.isdir(os.path.join(peer_dir, d))) \
        if os.path.isdir(peer_dir) else []
    if not cases:
        print(f"no archives were handed over in {peer_dir}")
        return 1
    failed = 0
    noted = 0
    for name in cases:
        problems, notes = check_case(os.path.join(peer_dir, name))
        status = "ok" if not problems else "FAILED"
        print(f"{status:6} {name}")
        for problem in problems:
            print(f"         {problem}")
        for note in notes:
            print(f"         note: {note}")
        failed += bool(problems)
        noted += bool(notes and not problems)
        # Cases of several GiB (the Zip64 sets) go once they pass: the disk is shared.
        if not problems and tree_size(os.path.join(peer_dir, name)) > BIG_TREE:
            shutil.rmtree(os.path.join(peer_dir, name), ignore_errors=True)
    print(f"{len(cases) - failed} of {len(cases)} archives accepted by unzip, 7zz and zipfile"
          + (f" ({noted} split sets that Info-ZIP cannot join, nor its own split of the same files,"
             f" tested and extracted by 7-Zip)" if noted else "")
          + (f"; failing cases kept in {peer_dir}" if failed else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
