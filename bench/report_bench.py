#!/usr/bin/env python3
"""Times the whole Start Analysis under Wine, click to "Finish", on big CS.logs, against a bare
EDIT control filled with the same text, and the unattended "/report FILE", which writes the same
report into a file without the memo, in runs that take turns.

    bench/report_bench.py [--runs 3] [--sizes 20,60] [--build build/win64]

The real tavisto.exe of the build runs on the sample machine of the end-to-end tests with only
Quorix installed, whose CS.log is replaced by one of the given size in megabytes (log lines of
about 80 bytes); Get Data runs once first, so that the report copies that log. The test driver
presses Start Analysis and waits for the box that ends it. The floor is bench/edit_floor.exe
under the same Wine machine and display: a window whose EDIT control, styled, sized and in the
font of the memo (at 96 DPI), is filled with the report Tavisto wrote (saved from its memo) by
one WM_SETTEXT. "/report" is tavisto.exe run to its end with that switch in the same working
folder. All are timed from outside, start to end. Runs rotate which goes first; it prints every
run, the medians, the ratio of Start Analysis to the floor and that of /report to Start Analysis
for each size.
"""

import argparse
import os
import shutil
import statistics
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO))

from tests.e2e.harness import Display, Tavisto, WineMachine, win_path, work_root  # noqa: E402
from tests.fixtures import sample_machine as sm  # noqa: E402


def log_of(megabytes):
    lines, size, number = [], 0, 0
    while size < megabytes * 1024 * 1024:
        line = b"2026-12-01 %02d:%02d:%02d [INFO] COM7 answered %d bytes, all well, session %d\r\n" % (
            number // 3600 % 24, number // 60 % 60, number % 60, number * 7 % 4096, number)
        lines.append(line)
        size += len(line)
        number += 1
    return b"".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--sizes", default="20,60")
    parser.add_argument("--build", default=str(REPO / "build" / "win64"))
    args = parser.parse_args()
    os.environ["TAVISTO_BUILD_DIR"] = str(Path(args.build).resolve())

    floor_exe = Path(args.build).resolve() / "bench" / "edit_floor.exe"
    tavisto_exe = Path(args.build).resolve() / "app" / "tavisto.exe"
    for needed in (floor_exe, tavisto_exe):
        if not needed.exists():
            print(f"{needed} is missing: build the preset first")
            return 1

    machine = WineMachine(work_root() / "machines" / "report-bench")
    results = []
    with Display() as display, machine.session(display):
        sm.install(machine, products=["Quorix"])
        # As in get_data_bench.py: Wine manages its own windows, so no window-manager wait is timed.
        machine.reg_add(r"HKCU\Software\Wine\X11 Driver", "Managed", "N")
        log = machine.c(sm.product_values(machine.user)["Quorix"]["AppDataPath"].rstrip("\\")) / "CS.log"
        report = machine.root / "report.txt"
        for megabytes in (int(size) for size in args.sizes.split(",")):
            log.write_bytes(log_of(megabytes))
            app = Tavisto(machine, cwd=machine.root / "cwd").start()
            app.click("Get Data")
            app.expect_message("Finished", 600000)

            def run_analysis():
                start = time.perf_counter()
                app.click("Start Analysis")
                box = app.dialog(1800000)
                elapsed = time.perf_counter() - start
                if box["text"] != "Finish":
                    raise RuntimeError(f"Start Analysis ended with {box['text']!r}")
                app.answer("OK")
                return elapsed

            def run_floor():
                start = time.perf_counter()
                machine.run([floor_exe, win_path(report)], timeout=1800)
                return time.perf_counter() - start

            unattended_report = machine.root / "unattended.txt"

            def run_unattended():
                start = time.perf_counter()
                done = machine.run([tavisto_exe, "/report", win_path(unattended_report)], cwd=machine.root / "cwd",
                                   check=False, timeout=1800)
                elapsed = time.perf_counter() - start
                if done.returncode != 0:
                    raise RuntimeError(f"/report ended with exit code {done.returncode}: {done.stderr!r}")
                return elapsed

            run_analysis()  # warms Wine and the page cache, and gives the floor its text
            report.write_bytes(app.memo())
            analysis, floor, unattended = [], [], []
            for run in range(args.runs):
                times = {}
                order = [("Start Analysis", run_analysis), ("floor", run_floor), ("/report", run_unattended)]
                order = order[run % 3:] + order[:run % 3]
                for name, action in order:
                    times[name] = action()
                analysis.append(times["Start Analysis"])
                floor.append(times["floor"])
                unattended.append(times["/report"])
                print(f"{megabytes} MB run {run + 1}: Start Analysis {times['Start Analysis']:.2f} s, "
                      f"EDIT floor {times['floor']:.2f} s, /report {times['/report']:.2f} s; Start Analysis to floor "
                      f"{times['Start Analysis'] / times['floor']:.2f}, /report to Start Analysis "
                      f"{times['/report'] / times['Start Analysis']:.3f}", flush=True)
            app.close()
            results.append((megabytes, report.stat().st_size, statistics.median(analysis), statistics.median(floor),
                            statistics.median(unattended)))
    shutil.rmtree(machine.root, ignore_errors=True)
    for megabytes, size, ours, theirs, file in results:
        print(f"{megabytes} MB CS.log ({size / 1048576:.1f} MB report), {args.runs} runs each: median Start Analysis "
              f"{ours:.2f} s, median EDIT floor {theirs:.2f} s, ratio {ours / theirs:.2f}; median /report {file:.2f} s, "
              f"ratio to Start Analysis {file / ours:.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
