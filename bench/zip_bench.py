#!/usr/bin/env python3
"""Times the archive component against Info-ZIP on the same data tree, in paired runs.

    bench/zip_bench.py [--size medium|tiny|small|large] [--runs 5] [--split] [--work DIR]

Builds the native-release harness (bench/zip_bench.cpp), makes the tree with the shared corpus
generator (../shared/bench/make_corpus.py, seed 1; kept in --work for later runs), then runs
both packers --runs times in pairs, alternating which goes first, on a warm page cache:

  component:  zip_bench TREE OUT.zip            (mode 1, "*.*", attributes 10431)
  Info-ZIP:   zip -1 -r -q OUT.zip .            (in the tree)
  --split:    zip_bench TREE OUT.zip 4097152    against  zip -1 -r -q -s 4m OUT.zip .

It prints every pair, the median wall time of each packer and their ratio, and the archive sizes.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
VOLUME_SIZE = 4097152


def build():
    for command in (["cmake", "--preset", "native-release"],
                    ["cmake", "--build", "--preset", "native-release", "--target", "zip_bench", "-j2"]):
        subprocess.run(command, cwd=REPO, check=True, stdout=subprocess.DEVNULL)
    return os.path.join(REPO, "build", "native-release", "bench", "zip_bench")


def make_tree(work, size, generator):
    tree = os.path.join(work, f"corpus-{size}")
    if not os.path.isdir(tree):
        print(f"making the {size} tree in {tree} ...", flush=True)
        subprocess.run([sys.executable, generator, "--size", size, "--seed", "1", tree], check=True)
    return tree


def clear(out_dir):
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)


def total_size(out_dir):
    return sum(os.path.getsize(os.path.join(out_dir, name)) for name in os.listdir(out_dir))


def timed(command, cwd=None):
    start = time.perf_counter()
    subprocess.run(command, cwd=cwd, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--size", default="medium")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--split", action="store_true", help="volumes of 4097152 bytes against zip -s 4m")
    parser.add_argument("--work", default="/tmp/tavisto-bench")
    parser.add_argument("--generator", default=os.path.join(REPO, "..", "shared", "bench", "make_corpus.py"))
    args = parser.parse_args()
    if shutil.which("zip") is None:
        print("Info-ZIP zip is missing (apt-get install zip)")
        return 1

    harness = build()
    os.makedirs(args.work, exist_ok=True)
    tree = make_tree(args.work, args.size, args.generator)
    ours_dir = os.path.join(args.work, "out-component")
    theirs_dir = os.path.join(args.work, "out-infozip")
    ours_cmd = [harness, tree, os.path.join(ours_dir, "Data.zip")] + ([str(VOLUME_SIZE)] if args.split else [])
    theirs_cmd = ["zip", "-1", "-r", "-q"] + (["-s", "4m"] if args.split else []) + \
        [os.path.join(theirs_dir, "Data.zip"), "."]

    # Warm the page cache with one unmeasured run of each.
    for out_dir, command, cwd in ((ours_dir, ours_cmd, None), (theirs_dir, theirs_cmd, tree)):
        clear(out_dir)
        timed(command, cwd)

    ours, theirs = [], []
    for run in range(args.runs):
        pair = {}
        order = [("component", ours_dir, ours_cmd, None), ("Info-ZIP", theirs_dir, theirs_cmd, tree)]
        if run % 2:
            order.reverse()
        for name, out_dir, command, cwd in order:
            clear(out_dir)
            pair[name] = timed(command, cwd)
        ours.append(pair["component"])
        theirs.append(pair["Info-ZIP"])
        print(f"run {run + 1}: component {pair['component']:.3f} s, Info-ZIP {pair['Info-ZIP']:.3f} s, "
              f"ratio {pair['component'] / pair['Info-ZIP']:.2f}", flush=True)

    ours_median, theirs_median = statistics.median(ours), statistics.median(theirs)
    kind = "split into 4097152-byte volumes" if args.split else "single archive"
    print(f"{args.size} tree, {kind}, {args.runs} paired runs")
    print(f"median component {ours_median:.3f} s, median Info-ZIP {theirs_median:.3f} s, "
          f"ratio {ours_median / theirs_median:.2f}")
    print(f"archive bytes: component {total_size(ours_dir)}, Info-ZIP {total_size(theirs_dir)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
