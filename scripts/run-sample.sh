#!/bin/sh
# Sets up what is missing, builds Tavisto and runs it on the sample machine: a Wine prefix where
# the maker's five programs are installed with sample data. Without a display it works the
# window itself (Get Data, Start Analysis, both saves) under a virtual display, says where the
# results and a screenshot are, and exits non-zero naming the step that did not end as it
# should; with DISPLAY set it just opens the window for you. It runs the shipped 32-bit build
# where this machine can run 32-bit programs, else the 64-bit one, and says which.
set -eu
cd "$(dirname "$0")/.."

scripts/setup-deps.sh
if not_run=$(scripts/can-run-32bit); then
  preset=win32
  echo "Sample run on the shipped 32-bit build (win32), under Wine as on 64-bit Windows."
else
  preset=win64
  echo "Sample run on the 64-bit build (win64): the shipped 32-bit build cannot run here: $not_run."
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target sample_run
TAVISTO_BUILD_DIR="$PWD/build/$preset" exec python3 scripts/run_sample.py "$@"
