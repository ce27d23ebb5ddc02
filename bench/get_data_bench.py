#!/usr/bin/env python3
"""Times Get Data under Wine, click to "Finished", against the zlib floor, in paired runs.

    bench/get_data_bench.py [--runs 3] [--tree DIR | --size medium] [--work DIR] [--against EXE]

The real tavisto.exe (win64 build, whatever the build folder holds) runs on the sample machine
of the end-to-end tests with Zorvel's data folder replaced by the tree (made with the shared
corpus generator, seed 1, when --tree is not given; linked in, not copied). The test driver
presses Get Data and waits for the message box that ends it. The floor is bench/zlib_floor.exe
under the same Wine machine: one thread reading and deflating the same tree with zlib at level
1, with no archive around it. Wine manages the windows itself (no wait for a window manager that
Xvfb does not have). Runs alternate which goes first; it prints every pair, the
medians and their ratio.

--against EXE times another tavisto.exe in the floor's place, on the same machine and tree: an
earlier build, as the one before Data.zip carried its manifest (with its checksum of every file),
to see what that costs a Get Data.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO))

from tests.e2e.harness import Display, Tavisto, WineMachine, build_dir, tavisto_exe, win_path, work_root  # noqa: E402
from tests.fixtures import sample_machine as sm  # noqa: E402


def link_tree(source: Path, target: Path):
    shutil.rmtree(target, ignore_errors=True)
    shutil.copytree(source, target, copy_function=os.link)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--tree")
    parser.add_argument("--size", default="medium")
    parser.add_argument("--work", default="/tmp/tavisto-bench")
    parser.add_argument("--against", help="another tavisto.exe, timed in the floor's place")
    args = parser.parse_args()

    floor_exe = build_dir() / "bench" / "zlib_floor.exe"
    other_exe = Path(args.against).resolve() if args.against else None
    for needed in (floor_exe, tavisto_exe(), other_exe or tavisto_exe()):
        if not needed.exists():
            print(f"{needed} is missing: build the win64 preset first")
            return 1
    tree = Path(args.tree) if args.tree else Path(args.work) / f"corpus-{args.size}"
    if not tree.is_dir():
        generator = REPO.parent / "shared" / "bench" / "make_corpus.py"
        subprocess.run([sys.executable, str(generator), "--size", args.size, "--seed", "1", str(tree)], check=True)

    machine = WineMachine(work_root() / "machines" / "get-data-bench")
    get_data, floor = [], []
    with Display() as display, machine.session(display):
        sm.install(machine)
        # Under Xvfb there is no window manager, and Wine waits about 2 s for one whenever a
        # window closes (here: the progress dialog, before "Finished"). No Windows desktop has
        # that wait: Wine manages its windows itself here, so the time is Tavisto's own.
        machine.reg_add(r"HKCU\Software\Wine\X11 Driver", "Managed", "N")
        data = machine.c(sm.product_values(machine.user)["Zorvel"]["AppDataPath"].rstrip("\\")) / "Data"
        link_tree(tree, data)
        floor_out = machine.temp / "floor.bin"

        def run_get_data(exe=None):
            app = Tavisto(machine, cwd=machine.root / "cwd", exe=exe).start()
            start = time.perf_counter()
            app.click("Get Data")
            box = app.dialog(1800000)
            elapsed = time.perf_counter() - start
            app.answer("OK")
            app.close()
            if box["text"] != "Finished":
                raise RuntimeError(f"Get Data ended with {box['text']!r}")
            return elapsed

        def run_floor():
            start = time.perf_counter()
            machine.run([floor_exe, win_path(data), win_path(floor_out)], timeout=1800)
            elapsed = time.perf_counter() - start
            floor_out.unlink()
            return elapsed

        if other_exe:
            floor_name, run_floor = "the other build", lambda: run_get_data(other_exe)  # noqa: E731
        else:
            floor_name = "zlib floor"
        run_floor()  # warms the page cache and Wine
        for run in range(args.runs):
            pair = {}
            order = [("Get Data", run_get_data), ("floor", run_floor)]
            if run % 2:
                order.reverse()
            for name, action in order:
                pair[name] = action()
            get_data.append(pair["Get Data"])
            floor.append(pair["floor"])
            print(f"run {run + 1}: Get Data {pair['Get Data']:.2f} s, {floor_name} {pair['floor']:.2f} s, "
                  f"ratio {pair['Get Data'] / pair['floor']:.3f}", flush=True)
    shutil.rmtree(machine.root, ignore_errors=True)
    ours, theirs = statistics.median(get_data), statistics.median(floor)
    ratios = [a / b for a, b in zip(get_data, floor)]
    print(f"{tree.name}, {args.runs} paired runs: median Get Data {ours:.2f} s, median {floor_name} {theirs:.2f} s, "
          f"ratio of the medians {ours / theirs:.3f}, median of the pair ratios {statistics.median(ratios):.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
