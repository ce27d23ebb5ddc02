#!/bin/sh
# Sets up what is missing, builds the builds and runs every test: the portable core natively
# (ASan/UBSan), the archive writer's tests under ThreadSanitizer, the fuzzers' smoke run, then everything under Wine
# (unit, Windows and end-to-end tests) on the 64-bit build and on the shipped 32-bit build, which
# runs as on 64-bit Windows (WOW64). Where this machine cannot run 32-bit programs only the
# shipped 32-bit program is compiled and linked, and the last line says so.
#
# The Wine tests spend much of their time waiting for windows, timers and other processes, so
# the stages that do not need them (the native builds and tests, the 32-bit build) run beside
# them at the lowest priority, on what they leave of the machine. Those stages write to
# build/side-stages.log and build/side-tsan.log, which are shown when one of them fails.
#
# It ends with one line per stage: its wall time and the CPU time of all its processes (on a
# shared machine the second says more), then the total.
set -eu
cd "$(dirname "$0")/.."

mkdir -p build
record=build/stage-times.txt
side_log=build/side-stages.log
tsan_log=build/side-tsan.log
: >"$record"
load_at_start=$(cut -d' ' -f1 /proc/loadavg)
started=$(date +%s)

# The stage lines, for the stages run so far (some may have failed).
summary() {
  awk -F '\t' -v total="$(($(date +%s) - started))" -v load="$load_at_start" \
      -v load_end="$(cut -d' ' -f1 /proc/loadavg)" '
    { status = $2 == 0 ? "" : "   FAILED (exit status " $2 ")"
      cpu = $4 == "" ? "" : sprintf("   CPU %5d s", $4); cpus += $4
      printf "== time: %-20s %5d s%s%s\n", $1, $3, cpu, status }
    END { printf "== time: %-20s %5d s   CPU %5d s   (load average %s at the start, %s at the end)\n",
                 "total", total, cpus, load, load_end }' "$record"
}

side=""
# On a failure: wait for the stages beside (their results belong to the run), show what failed.
on_exit() {
  status=$?
  [ "$status" -ne 0 ] || return 0
  if [ -n "$side" ]; then
    echo "== waiting for the stages beside the Wine tests"
    wait "$side" || show_side_failure
  fi
  summary
}
trap on_exit EXIT
show_side_failure() {
  echo "== a stage beside the Wine tests FAILED; the end of $side_log:"
  tail -n 150 "$side_log"
  echo "== the end of $tsan_log:"
  tail -n 60 "$tsan_log"
}

stage() {
  name=$1
  shift
  echo "== $name"
  scripts/stage-run "$record" "$name" "$@"
}

# python3 may be missing until set-up has run: this stage is timed here.
echo "== set-up"
setup_start=$(date +%s)
setup_status=0
scripts/setup-deps.sh || setup_status=$?
printf 'set-up\t%s\t%s\t\n' "$setup_status" "$(($(date +%s) - setup_start))" >>"$record"
[ "$setup_status" -eq 0 ] || exit "$setup_status"

# A configuration's build: configure, then build.
build='cmake --preset "$0" && cmake --build --preset "$0"'
low='nice -n 19'
runs_32bit=yes
not_run=$(scripts/can-run-32bit) || runs_32bit=""

# The Wine prefix every Wine test copies, booted once while the 64-bit build compiles.
rm -rf build/wine-template build/zip-many-files
stage "wine prefix" python3 tests/support/wine_prefix.py build/wine-template >build/wine-template.log 2>&1 &
template=$!

# Beside: the 32-bit build first (its tests follow the 64-bit ones), then the native stages.
# A stage that fails does not stop the others; the ones that need it are left out.
win32_built=build/win32-built
rm -f "$win32_built"
# Where its tests cannot run, the 32-bit build is the shipped program alone: its test programs
# would only be compiled.
build_32bit=$build
[ -n "$runs_32bit" ] || build_32bit='cmake --preset "$0" && cmake --build --preset "$0" --target tavisto'
# The ThreadSanitizer stages, then the fuzzers' smoke run, in a chain of their own beside the
# others: its tests are one program on one core, which at the end of the run would leave the
# other core idle.
(
  status=0
  (
    status=0
    if stage "native-tsan build" $low sh -c "$build" native-tsan; then
      stage "native-tsan tests" $low ctest --preset native-tsan || status=1
    else
      status=1
    fi
    # The readers of outside input fuzzed for a short while (20 s each, two at a time).
    stage "fuzz smoke" $low scripts/fuzz.py --smoke || status=1
    exit "$status"
  ) >"$tsan_log" 2>&1 &
  tsan=$!
  stage "win32 build" $low sh -c "$build_32bit" win32 || status=$?
  echo "$status" >"$win32_built"
  if stage "native build" $low sh -c "$build" native; then
    stage "native tests" $low ctest --preset native || status=1
  else
    status=1
  fi
  wait "$tsan" || status=1
  exit "$status"
) >"$side_log" 2>&1 &
side=$!

stage "win64 build" sh -c "$build" win64
wait "$template" || { cat build/wine-template.log; exit 1; }
stage "win64 tests" ctest --preset win64
if [ -n "$runs_32bit" ]; then
  echo "== waiting for the 32-bit build"
  while [ ! -s "$win32_built" ] && kill -0 "$side" 2>/dev/null; do
    sleep 2
  done
  [ "$(cat "$win32_built" 2>/dev/null)" = 0 ] || { echo "== the 32-bit build FAILED"; exit 1; }
  stage "win32 tests" ctest --preset win32
fi
echo "== waiting for the stages beside the Wine tests"
side_status=0
wait "$side" || side_status=$?
side=""
if [ "$side_status" -ne 0 ]; then
  show_side_failure
  exit "$side_status"
fi
summary
if [ -n "$runs_32bit" ]; then
  echo "All tests passed, on the 64-bit and the shipped 32-bit build."
else
  echo "All other tests passed. WARNING: the 32-bit tests were NOT run: $not_run."
fi
