#!/usr/bin/env python3
"""Times the archive component against Info-ZIP and 7-Zip on the same data tree, in paired runs.

    bench/zip_bench.py [--size medium|tiny|small|large] [--runs 5] [--split] [--work DIR]
    bench/zip_bench.py --digests [--wine] [--runs 7] [--split] [--size medium]

Builds the native-release harness (bench/zip_bench.cpp), makes the tree with the shared corpus
generator (../shared/bench/make_corpus.py, seed 1; kept in --work for later runs), then runs
every packer --runs times, rotating which goes first, on a warm page cache:

  component:  zip_bench TREE OUT.zip            (mode 1, "*.*", attributes 10431, all cores)
  Info-ZIP:   zip -1 -r -q OUT.zip .            (in the tree)
  7-Zip:      7zz a -tzip -mx1 -mmt2 OUT.zip .  (two threads; not with --split)
  --split:    zip_bench TREE OUT.zip 4097152    against  zip -1 -r -q -s 4m OUT.zip .

It prints every run, each packer's median wall time and its ratio to Info-ZIP's, the archive
sizes, and the component's peak resident memory (the largest over the runs).

--digests times the component against itself instead: each file's SHA-256 computed as it is read
(what Get Data's manifest asks for) and not, in pairs run by the harness in one process
(zip_bench --digest-pairs), the order alternating; it prints every pair and the median of the
pair ratios. With --wine, the win64 build of the harness (build/win64, built beforehand) runs
under wine64 on a machine copied from the tests' booted prefix (build/wine-template), with the
system's SHA-256 from Wine's bcrypt.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
VOLUME_SIZE = 4097152
# Stands for the archive each packer writes, in its own output folder.
ARCHIVE = object()


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
    """Wall time of the command and its peak resident memory in KiB (through GNU time)."""
    with tempfile.NamedTemporaryFile("r", suffix=".rss") as rss:
        start = time.perf_counter()
        subprocess.run(["/usr/bin/time", "-q", "-f", "%M", "-o", rss.name] + command, cwd=cwd, check=True,
                       stdout=subprocess.DEVNULL)
        elapsed = time.perf_counter() - start
        return elapsed, int(rss.read().strip().splitlines()[-1])


def digest_pairs(args):
    os.makedirs(args.work, exist_ok=True)
    tree = make_tree(args.work, args.size, args.generator)
    out = os.path.join(args.work, "out-digests")
    tail = [str(VOLUME_SIZE)] if args.split else []
    if args.wine:
        harness = os.path.join(REPO, "build", "win64", "bench", "zip_bench.exe")
        if not os.path.exists(harness):
            print(f"{harness} is missing: build the win64 preset first")
            return 1
        # A Wine machine of its own, copied from the prefix the tests boot (booted here if missing).
        prefix = os.path.join(REPO, "build", "win64", "wine", "zip-bench")
        subprocess.run([sys.executable, os.path.join(REPO, "tests", "support", "wine_prefix.py"),
                        os.path.join(REPO, "build", "wine-template"), prefix], check=True)
        env = dict(os.environ, WINEPREFIX=prefix, HOME=prefix + ".home", WINEDEBUG="-all")
        windows = lambda path: "Z:" + os.path.abspath(path).replace("/", "\\")  # noqa: E731
        command = ["/usr/lib/wine/wine64", harness, "--digest-pairs", str(args.runs), windows(tree), windows(out)]
    else:
        harness, env = build(), None
        command = [harness, "--digest-pairs", str(args.runs), tree, out]
    print(f"{args.size} tree, {'split' if args.split else 'single archive'}, "
          f"{'win64 under Wine' if args.wine else 'native'}: SHA-256 on against off", flush=True)
    done = subprocess.run(command + tail, env=env)
    shutil.rmtree(out, ignore_errors=True)
    return done.returncode


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--size", default="medium")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--split", action="store_true", help="volumes of 4097152 bytes against zip -s 4m")
    parser.add_argument("--work", default="/tmp/tavisto-bench")
    parser.add_argument("--generator", default=os.path.join(REPO, "..", "shared", "bench", "make_corpus.py"))
    parser.add_argument("--digests", action="store_true", help="SHA-256 on against off, paired in one process")
    parser.add_argument("--wine", action="store_true", help="with --digests: the win64 harness under wine64")
    args = parser.parse_args()
    if args.digests:
        return digest_pairs(args)
    for tool in ("zip", "7zz", "/usr/bin/time"):
        if shutil.which(tool) is None:
            print(f"{tool} is missing (apt-get install zip 7zip time)")
            return 1

    harness = build()
    os.makedirs(args.work, exist_ok=True)
    tree = make_tree(args.work, args.size, args.generator)
    packers = [
        ("component", [harness, tree, ARCHIVE] + ([str(VOLUME_SIZE)] if args.split else []), None),
        ("Info-ZIP", ["zip", "-1", "-r", "-q"] + (["-s", "4m"] if args.split else []) + [ARCHIVE, "."], tree),
    ]
    if not args.split:
        packers.append(("7-Zip", ["7zz", "a", "-tzip", "-mx1", "-mmt2", "-bd", ARCHIVE, "."], tree))

    def run_packer(name, command, cwd):
        out_dir = os.path.join(args.work, "out-" + name)
        clear(out_dir)
        return timed([os.path.join(out_dir, "Data.zip") if c == ARCHIVE else c for c in command], cwd), out_dir

    # Warm the page cache with one unmeasured run of each.
    for name, command, cwd in packers:
        run_packer(name, command, cwd)

    times = {name: [] for name, _, _ in packers}
    peak = 0
    sizes = {}
    for run in range(args.runs):
        order = packers[run % len(packers):] + packers[:run % len(packers)]
        line = []
        for name, command, cwd in order:
            (elapsed, rss), out_dir = run_packer(name, command, cwd)
            times[name].append(elapsed)
            sizes[name] = total_size(out_dir)
            if name == "component":
                peak = max(peak, rss)
            line.append(f"{name} {elapsed:.3f} s")
        print(f"run {run + 1}: " + ", ".join(line), flush=True)

    kind = "split into 4097152-byte volumes" if args.split else "single archive"
    print(f"{args.size} tree, {kind}, {args.runs} runs, medians:")
    base = statistics.median(times["Info-ZIP"])
    for name, _, _ in packers:
        median = statistics.median(times[name])
        print(f"  {name:10} {median:8.3f} s  ratio to Info-ZIP {median / base:.2f}  archive bytes {sizes[name]}")
    print(f"component peak resident memory: {peak / 1024:.1f} MiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
