#!/bin/bash
# Runs every test: native (Debug, ASan + UBSan), win64 under Wine + Xvfb, and
# the win32 build. Fails on the first failure; ends with the runners' summaries.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash scripts/bootstrap.sh

log=$(mktemp -d "${TMPDIR:-/tmp}/vqtest.XXXXXX")
trap 'rm -rf "$log"' EXIT

echo "== native: build"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
echo "== native: test"
ctest --preset native -j "$jobs" | tee "$log/native.txt"

echo "== win64: build"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
echo "== win64: test under Wine"
tools/winetest.sh run ctest --preset win64 -j "$jobs" | tee "$log/win64.txt"

echo "== win32: build only"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"

echo
echo "== summary"
echo "native: $(grep -E 'tests passed' "$log/native.txt")"
echo "win64:  $(grep -E 'tests passed' "$log/win64.txt")"
echo "win32:  built"
