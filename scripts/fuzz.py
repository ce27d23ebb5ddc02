#!/usr/bin/env python3
"""Builds the fuzzers (the fuzz preset: clang, libFuzzer, ASan, UBSan) and runs them.

    scripts/fuzz.py [--seconds 600] [--jobs 2] [--only archive,split_set,manifest]
    scripts/fuzz.py --smoke          (what CI runs: 20 s each, about 60 s in all)

Each fuzzer starts from the seeds fuzz_seeds makes afresh (our writer's Data.zip, its volumes
and manifest; the tests' honest and hostile archives) and from its corpus of earlier runs
(build/fuzz/corpus, never kept in the source tree), with the dictionary of the format's
signatures (tests/fuzz/zip.dict), at the lowest priority, at most --jobs at a time. It prints one
line per fuzzer: executions, coverage (edges and features), corpus size, and what it found.

An input that crashes a fuzzer (or makes it hang or run out of memory) is copied into
tests/fuzz/regressions/<fuzzer>/, where the native unit tests replay it from then on, and the
run ends with a non-zero status naming it.
"""

import argparse
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(REPO, "build", "fuzz")
FUZZERS = ["archive", "split_set", "manifest"]
# The largest seed is our writer's two volumes of 64 KiB each: inputs may grow a little past it.
MAX_LEN = {"archive": 160000, "split_set": 160000, "manifest": 8192}
# An input that runs this long is a hang. The fuzzers run at the lowest priority on a machine
# others share: an input of a second can take twenty there, and is no finding.
HANG_SECONDS = 120
# What libFuzzer writes for a finding: a crash (any sanitizer's report), a leak, a hang, memory
# past the limit. It also writes slow inputs, which are not.
FINDINGS = ("crash-", "leak-", "timeout-", "oom-")


def build():
    for command in (["cmake", "--preset", "fuzz"], ["nice", "-n", "19", "cmake", "--build", "--preset", "fuzz"]):
        subprocess.run(command, cwd=REPO, check=True, stdout=subprocess.DEVNULL)


def seeds():
    folder = os.path.join(BUILD, "seeds")
    shutil.rmtree(folder, ignore_errors=True)
    subprocess.run([os.path.join(BUILD, "tests", "fuzz", "fuzz_seeds"), folder], check=True)
    return folder


def run(name, seconds, seed_folder):
    corpus = os.path.join(BUILD, "corpus", name)
    artifacts = os.path.join(BUILD, "artifacts", name) + os.sep
    os.makedirs(corpus, exist_ok=True)
    shutil.rmtree(artifacts, ignore_errors=True)
    os.makedirs(artifacts)
    command = ["nice", "-n", "19", os.path.join(BUILD, "tests", "fuzz", "fuzz_" + name), corpus,
               os.path.join(seed_folder, name), "-dict=" + os.path.join(REPO, "tests", "fuzz", "zip.dict"),
               f"-max_total_time={seconds}", f"-max_len={MAX_LEN[name]}", f"-timeout={HANG_SECONDS}",
               f"-report_slow_units={HANG_SECONDS}", "-rss_limit_mb=2048",
               "-print_final_stats=1", "-artifact_prefix=" + artifacts]
    done = subprocess.run(command, capture_output=True, text=True, errors="replace")
    log = done.stdout + done.stderr
    with open(os.path.join(BUILD, f"fuzz_{name}.log"), "w") as out:
        out.write(log)
    executions = re.findall(r"stat::number_of_executed_units: (\d+)", log)
    coverage = re.findall(r"cov: (\d+) ft: (\d+) corp: (\d+)", log)
    found = []
    for artifact in sorted(os.listdir(artifacts)):
        if not artifact.startswith(FINDINGS):
            continue
        keep = os.path.join(REPO, "tests", "fuzz", "regressions", name)
        os.makedirs(keep, exist_ok=True)
        shutil.copy(os.path.join(artifacts, artifact), keep)
        found.append(os.path.join("tests", "fuzz", "regressions", name, artifact))
    cov, features, corp = coverage[-1] if coverage else ("?", "?", "?")
    line = (f"fuzz_{name}: {int(executions[-1]) if executions else 0:,} executions in {seconds} s, coverage {cov} "
            f"edges ({features} features), corpus {corp} inputs, ")
    if found or done.returncode != 0:
        line += "FOUND: " + (", ".join(found) if found else f"exit status {done.returncode}")
        line += f" (log: build/fuzz/fuzz_{name}.log)"
    else:
        line += "nothing found"
    return line, bool(found) or done.returncode != 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seconds", type=int, default=600, help="per fuzzer")
    parser.add_argument("--jobs", type=int, default=2, help="fuzzers at a time")
    parser.add_argument("--only", default=",".join(FUZZERS))
    parser.add_argument("--smoke", action="store_true", help="20 s each: CI's run")
    args = parser.parse_args()
    if args.smoke:
        args.seconds = 20
    names = [name for name in args.only.split(",") if name]
    for name in names:
        if name not in FUZZERS:
            print(f"no fuzzer {name}: there are {', '.join(FUZZERS)}")
            return 2
    build()
    seed_folder = seeds()
    failed = False
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        for line, bad in pool.map(lambda name: run(name, args.seconds, seed_folder), names):
            print(line, flush=True)
            failed = failed or bad
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
