#!/bin/sh
# Sets up what is missing, builds Tavisto and runs it on the sample machine: a Wine prefix where
# the maker's five programs are installed with sample data. Without a display it works the
# window itself (Get Data, Start Analysis, both saves) under a virtual display and says where
# the results and a screenshot are; with DISPLAY set it just opens the window for you.
set -eu
cd "$(dirname "$0")/.."

scripts/setup-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64
exec python3 scripts/run_sample.py "$@"
