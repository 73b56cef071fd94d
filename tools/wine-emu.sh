#!/bin/sh
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "wine-emu: WINEPREFIX/DISPLAY not set; run tests as: tools/winetest.sh run ctest --test-dir <build>" >&2
  exit 125
fi
# never give wine ctest's pipe: helpers it starts (explorer.exe, ...) inherit stderr and keep it open
out=$(mktemp "${TMPDIR:-/tmp}/wine-emu.XXXXXX")
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"; rm -f "$out"
exit $rc
