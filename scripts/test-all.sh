#!/bin/sh
# Sets up what is missing, builds the builds and runs every test: the portable core natively
# (ASan/UBSan), the archive writer's tests under ThreadSanitizer, then everything under Wine
# (unit, Windows and end-to-end tests) on the 64-bit build and on the shipped 32-bit build, which
# runs as on 64-bit Windows (WOW64). Where this machine cannot run 32-bit programs the 32-bit
# build is only compiled and linked, and the last line says so.
set -eu
cd "$(dirname "$0")/.."

scripts/setup-deps.sh

echo "== native: portable core with sanitizers"
cmake --preset native
cmake --build --preset native
ctest --preset native

echo "== native-tsan: the archive writer's tests, its worker threads under ThreadSanitizer"
cmake --preset native-tsan
cmake --build --preset native-tsan
ctest --preset native-tsan

echo "== win64: everything under Wine"
cmake --preset win64
cmake --build --preset win64
ctest --preset win64

echo "== win32: the shipped build, everything under Wine as WOW64"
cmake --preset win32
cmake --build --preset win32
if not_run=$(scripts/can-run-32bit); then
  ctest --preset win32
  echo "All tests passed, on the 64-bit and the shipped 32-bit build."
else
  echo "All other tests passed. WARNING: the 32-bit tests were NOT run: $not_run."
fi
