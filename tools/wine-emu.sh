#!/bin/sh
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "wine-emu: WINEPREFIX/DISPLAY not set; run tests as: tools/winetest.sh run ctest --test-dir <build>" >&2
  exit 125
fi
# Each run is guarded: whatever it starts ends with it, also when ctest ends
# the test at its TIMEOUT or is itself stopped (tools/wine-guard.sh). A test
# script run through the guard guards every run it makes at once.
if [ -z "${VQ_WINE_GUARD:-}" ]; then
  exec "$(dirname "$0")/wine-guard.sh" "$0" "$@"
fi
# never give wine ctest's pipe: helpers it starts (explorer.exe, ...) inherit stderr and keep it open
out=$(mktemp "${TMPDIR:-/tmp}/wine-emu.XXXXXX")
# Now and then, on a busy machine, Wine fails to start the program at all
# ("Application could not be started ... ShellExecuteEx failed"): the program
# never ran, so it is started again, up to three times.
for attempt in 1 2 3; do
  wine "$@" >"$out" 2>&1 </dev/null
  rc=$?
  [ $rc -ne 0 ] && grep -q '^ShellExecuteEx failed' "$out" || break
  echo "wine-emu: Wine could not start $1 (attempt $attempt); trying again" >&2
  sleep 1
done
cat "$out"
# A Wine that cannot run the program (a 32-bit one without Wine's 32-bit
# half) exits 0 and prints nothing: a test program passes only when its own
# summary was seen.
if [ $rc -eq 0 ]; then
  for arg in "$@"; do
    case $arg in
      --gtest_list_tests)
        grep -q . "$out" || { echo "wine-emu: $1 listed no tests (did it run at all?)" >&2; rc=1; } ;;
      --gtest_filter=*)
        grep -q '^\[  PASSED  \]' "$out" || { echo "wine-emu: $1 exited 0 without its test summary (did it run at all?)" >&2; rc=1; } ;;
    esac
  done
fi
rm -f "$out"
exit $rc
