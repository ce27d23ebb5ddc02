#!/usr/bin/env python3
"""Times tavisto-open against 7-Zip on the Data.zip Get Data makes of a bench tree, in paired runs.

    bench/open_bench.py [--size medium] [--runs 5] [--work DIR] [--out DIR]

Builds the native-release programs (tavisto-open, and make_data_zip, which makes the Data.zip
natively as Get Data makes it: the tree packed as Zorvel's data folder, volumes of 4097152
bytes, stored in Data.zip with manifest.json), makes the tree with the shared corpus generator
(../shared/bench/make_corpus.py, seed 1; kept in --work), then runs, rotating which goes first,
on a warm page cache:

  open:   tavisto-open Data.zip OUT            (unpacks every set, checks every file and volume)
  7-Zip:  7zz x Data.zip, the parts renamed to lower case (7-Zip looks for .z01 on Linux), then
          7zz x of each set: the least it must do for the same files, checking CRC-32 only

Both write into --out (default: --work), each run into a new folder, as support opens a Data.zip
into a new folder: nothing is deleted until the runs are over. On ext4 a file created within half a
minute of many being deleted costs several times more (the allocator steps over recently freed
inodes), so folders left by an earlier bench are removed first and the runs wait out that half
minute; and the data each run leaves to be written back is flushed (sync) before the next, so that
neither tool pays for the other's. Even so, on a virtual machine whose host reclaims its page cache
the disk's timings wander by a factor of two from one minute to the next: by default Data.zip and
the runs' folders go to a RAM disk (/dev/shm) when it has room, which times the tools' own work
(reading, inflating, checking, creating and writing files); --out DIR times them on DIR's disk.

It prints every run, both medians, the median of the pairs' ratios as "open/7-Zip ratio: R"
(goal: at most 0.5), and tavisto-open's peak resident memory over the runs (goal: 64 MiB).
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


def build():
    for command in (["cmake", "--preset", "native-release"],
                    ["cmake", "--build", "--preset", "native-release", "--target", "tavisto-open", "make_data_zip"]):
        subprocess.run(command, cwd=REPO, check=True, stdout=subprocess.DEVNULL)
    out = os.path.join(REPO, "build", "native-release")
    return os.path.join(out, "intake", "tavisto-open"), os.path.join(out, "bench", "make_data_zip")


def timed(command, cwd=None, ok=(0,)):
    """Wall time and peak resident memory (KiB, through GNU time) of a command."""
    with tempfile.NamedTemporaryFile("r", suffix=".rss") as rss:
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-q", "-f", "%M", "-o", rss.name] + command, cwd=cwd,
                              stdout=subprocess.DEVNULL)
        elapsed = time.perf_counter() - start
        if done.returncode not in ok:
            raise SystemExit(f"{' '.join(command)} ended with {done.returncode}")
        return elapsed, int(rss.read().strip().splitlines()[-1])


# ext4 passes over inodes freed less than this long ago when it places a new file.
RECENTLY_FREED_SECONDS = 30


def run_open(tool, data_zip, out):
    return timed([tool, data_zip, out])


def run_7zip(data_zip, out):
    volumes = os.path.join(out, "volumes")
    total, _ = timed(["7zz", "x", "-y", "-bd", "-o" + volumes, data_zip])
    start = time.perf_counter()
    for name in os.listdir(volumes):
        if name.lower() != name:
            os.rename(os.path.join(volumes, name), os.path.join(volumes, name.lower()))
    total += time.perf_counter() - start
    for name in sorted(os.listdir(volumes)):
        if name.endswith(".zip") and "_0" not in name:
            elapsed, _ = timed(["7zz", "x", "-y", "-bd", "-o" + os.path.join(out, "files", name[:-4]),
                                os.path.join(volumes, name)])
            total += elapsed
    return total


def default_out(work, data_zip_bytes):
    """A folder of the bench's own on the RAM disk when it can hold Data.zip and twelve runs of both
    tools with room to spare, else the work folder."""
    ram = "/dev/shm"
    if os.path.isdir(ram) and shutil.disk_usage(ram).free > 40 * data_zip_bytes:
        return os.path.join(ram, "tavisto-open-bench")
    return work


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--size", default="medium")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--work", default="/tmp/tavisto-bench")
    parser.add_argument("--out", help="where Data.zip and both tools' files go (default: a folder on /dev/shm "
                                      "when it has room, else --work)")
    parser.add_argument("--generator", default=os.path.join(REPO, "..", "shared", "bench", "make_corpus.py"))
    args = parser.parse_args()
    for tool in ("7zz", "/usr/bin/time"):
        if shutil.which(tool) is None:
            print(f"{tool} is missing (apt-get install 7zip time)")
            return 1
    tool, maker = build()
    os.makedirs(args.work, exist_ok=True)
    tree = os.path.join(args.work, f"corpus-{args.size}")
    if not os.path.isdir(tree):
        print(f"making the {args.size} tree in {tree} ...", flush=True)
        subprocess.run([sys.executable, args.generator, "--size", args.size, "--seed", "1", tree], check=True)
    made = os.path.join(args.work, f"data-zip-{args.size}")
    shutil.rmtree(made, ignore_errors=True)
    os.makedirs(made)
    data_zip = subprocess.run([maker, made, "Zorvel=" + tree], check=True, capture_output=True,
                              text=True).stdout.strip()
    print(f"{data_zip}: {os.path.getsize(data_zip):,} bytes", flush=True)
    out = args.out or default_out(args.work, os.path.getsize(data_zip))
    if os.path.dirname(data_zip) != out:
        os.makedirs(out, exist_ok=True)
        shutil.copy(data_zip, os.path.join(out, "Data.zip"))
        data_zip = os.path.join(out, "Data.zip")
    print(f"Data.zip and the runs' files in {out}", flush=True)
    runs_folder = os.path.join(out, "open-bench-runs")
    if os.path.isdir(runs_folder):
        shutil.rmtree(runs_folder)
        subprocess.run(["sync"], check=True)
        print(f"waiting {RECENTLY_FREED_SECONDS} s for the files an earlier bench removed to settle", flush=True)
        time.sleep(RECENTLY_FREED_SECONDS)
    os.makedirs(runs_folder)

    def pair(run):
        """One paired run, the first tool alternating; run -1 is the warm-up."""
        ours_out, peer_out = (os.path.join(runs_folder, f"{run + 1}-{who}") for who in ("open", "7zip"))
        subprocess.run(["sync"], check=True)
        if run % 2 == 0:
            mine = run_open(tool, data_zip, ours_out)
            subprocess.run(["sync"], check=True)
            return mine, run_7zip(data_zip, peer_out)
        theirs = run_7zip(data_zip, peer_out)
        subprocess.run(["sync"], check=True)
        return run_open(tool, data_zip, ours_out), theirs

    # One unmeasured pair warms the page cache; its open also checks that all is as packed.
    pair(-1)
    ours, peers, ratios, peak = [], [], [], 0
    for run in range(args.runs):
        (mine, rss), theirs = pair(run)
        ours.append(mine)
        peers.append(theirs)
        ratios.append(mine / theirs)
        peak = max(peak, rss)
        print(f"run {run + 1}: open {mine:.3f} s, 7-Zip {theirs:.3f} s", flush=True)
    print(f"{args.size} tree, {args.runs} paired runs, medians: open {statistics.median(ours):.3f} s, "
          f"7-Zip {statistics.median(peers):.3f} s")
    print(f"open/7-Zip ratio: {statistics.median(ratios):.2f}")
    print(f"open peak resident memory: {peak / 1024:.1f} MiB")
    shutil.rmtree(runs_folder, ignore_errors=True)
    if not args.out and out != args.work:
        shutil.rmtree(out, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
