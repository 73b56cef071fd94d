#!/bin/bash
# Runs every test: native (Debug, ASan + UBSan), win64 and win32 under Wine +
# Xvfb (win32 where the kernel runs 32-bit programs), and the check that the
# builds write the same scene. Fails on the first failure; ends with the
# runners' summaries.
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

echo "== win32: build"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
if tools/runs-32bit.sh; then
  echo "== win32: test under Wine's 32-bit half"
  tools/winetest.sh run ctest --preset win32 -j "$jobs" | tee "$log/win32.txt"
  win32="$(grep -E 'tests passed' "$log/win32.txt")"
else
  win32="SKIPPED: this machine's kernel does not run 32-bit programs (built, not run)"
fi

echo "== the builds agree: the same scene from Linux, win64 and win32"
tools/winetest.sh run app/tests/same_scene_test.sh build | tee "$log/same.txt"

echo
echo "== summary"
echo "native: $(grep -E 'tests passed' "$log/native.txt")"
echo "win64:  $(grep -E 'tests passed' "$log/win64.txt")"
echo "win32:  $win32"
echo "builds: $(tail -n 1 "$log/same.txt")"
