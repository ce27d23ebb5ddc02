#!/bin/sh
# Sets up what is missing, builds the three builds and runs every test: the portable core
# natively (ASan/UBSan), everything under Wine (unit, Windows and end-to-end tests), and the
# shipped 32-bit build (compile and link).
set -eu
cd "$(dirname "$0")/.."

scripts/setup-deps.sh

echo "== native: portable core with sanitizers"
cmake --preset native
cmake --build --preset native
ctest --preset native

echo "== win64: everything under Wine"
cmake --preset win64
cmake --build --preset win64
ctest --preset win64

echo "== win32: the shipped build"
cmake --preset win32
cmake --build --preset win32

echo "All tests passed."
