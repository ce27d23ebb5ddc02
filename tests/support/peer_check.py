#!/usr/bin/env python3
"""Runs the common ZIP readers over the archives a test program handed over.

    peer_check.py PEER_DIR

Each folder under PEER_DIR is one case: the archive files a test wrote (manifest.txt names them
in order; several files are the volumes of a split archive, the last one being the archive
itself) and, optionally, expected/, the tree the archive must extract to.

A plain archive must pass `unzip -t`, `7zz t` and Python's zipfile test. A split set is tested
the way support staff open it on Linux: the volumes are copied under the lower-case names the
Linux tools look for (set.z01 ... set.zip), 7-Zip tests the set (and must read every volume),
Info-ZIP joins it (`zip -s 0`) and the joined archive must pass the three readers. A manifest
line "# no-infozip-join" leaves the join out: Info-ZIP's join mishandles a local header that
ends right at a volume's limit, so a set made for that case is checked with 7-Zip alone.

Info-ZIP 3.0's join also corrupts entries of some sets whose data runs over several volumes,
its own split sets included (zip -s 64k, -s 4m). When the join of a set fails, the check splits
the expected files with Info-ZIP itself at the set's volume size ("# volume-size: N") and joins
that: if Info-ZIP's own set joins soundly, the failure is the writer's and the case fails; if
not, the case is noted as left to 7-Zip, which must still test the set and extract it. With expected/, 7-Zip's extraction must give exactly those
files and folders, byte for byte.

A missing reader fails the run, as does a PEER_DIR without any case: nothing is skipped.
Failing cases are left in PEER_DIR for a look; passing ones of more than 256 MiB are removed.
"""

import filecmp
import os
import shutil
import subprocess
import sys
import tempfile

READERS = ["unzip", "7zz", "zip"]


def run(command, cwd=None, timeout=600):
    result = subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True,
                            timeout=timeout)
    return result.returncode, (result.stdout + result.stderr).decode("latin-1")


def test_plain(path):
    """The problems the three readers find in one archive file."""
    problems = []
    code, out = run(["unzip", "-t", "-qq", path])
    # An archive without entries is the bare 22-byte end record, which unzip only warns about.
    empty = os.path.getsize(path) == 22 and code == 1 and "zipfile is empty" in out
    if code != 0 and not empty:
        problems.append(f"unzip -t exit {code}: {out.strip()[:2000]}")
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


# Trees larger than this (sparse files of several GiB) are compared entry by entry through
# 7-Zip's standard output rather than extracted to disk.
BIG_TREE = 256 << 20


def link_or_copy(source, target):
    try:
        os.link(source, target)
    except OSError:
        shutil.copyfile(source, target)


def tree_size(folder):
    return sum(os.path.getsize(os.path.join(d, f)) for d, _, files in os.walk(folder) for f in files)


def stream_compare(archive, expected):
    """7-Zip extracts each expected file to a pipe, compared with the file as it comes."""
    problems = []
    for folder, _, files in os.walk(expected):
        for name in files:
            relative = os.path.relpath(os.path.join(folder, name), expected)
            with subprocess.Popen(["7zz", "x", "-so", archive, relative], stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL) as extract, \
                    open(os.path.join(folder, name), "rb") as original:
                same = True
                while True:
                    a = extract.stdout.read(1 << 20)
                    b = original.read(len(a)) if a else original.read(1)
                    if a != b:
                        same = False
                        break
                    if not a:
                        break
                extract.stdout.close()
                code = extract.wait()
            if not same or code != 0:
                problems.append(f"7zz x -so {relative}: exit {code}, {'same' if same else 'differs'}")
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
            problems += stream_compare(archive, expected)
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
