#!/usr/bin/env python3
"""Checks that two builds of the bench harness write the same archive bytes for a tree.

    bench/same_bytes.py OLD_HARNESS NEW_HARNESS TREE [VOLUME_SIZE] [--work DIR]

Both harnesses (bench/zip_bench.cpp built from two commits) pack TREE; the files they write
(one archive, or every volume of a split set) must be equal byte for byte, except the time and
date of folder entries, which are the moment of the scan: those four bytes are masked in the
local headers and central records of entries whose name ends in "/".
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys


def pack(harness, tree, out_dir, volume_size):
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)
    command = [harness, tree, os.path.join(out_dir, "Data.zip")] + ([volume_size] if volume_size else [])
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return [os.path.join(out_dir, name) for name in sorted(os.listdir(out_dir))]


def masked(data):
    """The bytes with the time and date of folder entries zeroed (local and central records)."""
    data = bytearray(data)
    for signature, time_at, name_len_at, fixed in ((b"PK\x03\x04", 10, 26, 30), (b"PK\x01\x02", 12, 28, 46)):
        at = data.find(signature)
        while at >= 0:
            if at + fixed <= len(data):
                name_length = struct.unpack_from("<H", data, at + name_len_at)[0]
                name = bytes(data[at + fixed:at + fixed + name_length])
                if name.endswith(b"/"):
                    data[at + time_at:at + time_at + 4] = b"\0\0\0\0"
            at = data.find(signature, at + 4)
    return bytes(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("tree")
    parser.add_argument("volume_size", nargs="?")
    parser.add_argument("--work", default="/tmp/tavisto-same-bytes")
    args = parser.parse_args()
    old = pack(args.old, args.tree, os.path.join(args.work, "old"), args.volume_size)
    new = pack(args.new, args.tree, os.path.join(args.work, "new"), args.volume_size)
    if [os.path.basename(p) for p in old] != [os.path.basename(p) for p in new]:
        print(f"different files: {old} against {new}")
        return 1
    total = 0
    for a, b in zip(old, new):
        with open(a, "rb") as fa, open(b, "rb") as fb:
            da, db = fa.read(), fb.read()
        total += len(da)
        if masked(da) != masked(db):
            print(f"{os.path.basename(a)} differs ({len(da)} against {len(db)} bytes)")
            return 1
    print(f"same bytes: {len(old)} file(s), {total} bytes")
    shutil.rmtree(args.work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
