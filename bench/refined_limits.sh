#!/bin/bash
# The error-bounded mesh where the full grid cannot go:
# - the 64-bit `vqvireru import` of a POINTS x POINTS terrain (default
#   10000 x 10000) with --max-error 0.5 inside a memory cgroup limited to
#   LIMIT_MB (default 2048);
# - the 32-bit `vqvireru.exe` (the win32 build, under Wine) importing 8193 x
#   8193 with --max-error 1, which the full grid cannot (its lists pass 2 GB).
# Each prints its summary line, time and peak memory.
#
#   tools/winetest.sh run bench/refined_limits.sh BUILD_ROOT   (holds release/ and win32/)
set -euo pipefail
(($# == 1)) || { sed -n '/^#   tools/p' "$0" | sed 's/^#   /usage: /' >&2; exit 2; }
root=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
src=$(dirname "$here")
points=${POINTS:-10000}
limit_mb=${LIMIT_MB:-2048}
work=$(mktemp -d "${TMPDIR:-/tmp}/vqlimits.XXXXXX")
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work
source "$here/memory-cgroup.sh"

echo "== 64-bit: $points x $points, --max-error 0.5, memory limited to $limit_mb MB"
"$root/release/tools/vq-tergen" terrain "$work/big.ter" --points "$points" "$points"
in_memory_cgroup "$limit_mb" "$root/release/app/vqvireru" import "$work/big.ter" --max-error 0.5 -o "$work/big.glb"
echo "output: $(stat -c %s "$work/big.glb" 2>/dev/null || echo none) bytes"
rm -f "$work"/big.*

echo "== 32-bit vqvireru.exe: 8193 x 8193"
if ! "$src/tools/runs-32bit.sh"; then echo "skipped: this kernel does not run 32-bit programs"; exit 0; fi
"$root/release/tools/vq-tergen" terrain "$work/w.ter" --points 8193 8193
emu=$src/tools/wine-emu.sh
source "$src/tools/script-checks.sh"  # winpath
for options in "" "--max-error 1"; do
    echo "-- options: ${options:-none}"
    # shellcheck disable=SC2086
    /usr/bin/time -f "%e s, peak %M KB (Wine's own memory included)" \
        "$emu" "$root/win32/bin/vqvireru.exe" import "$(winpath "$work/w.ter")" $options -o "$(winpath "$work/w.glb")" 2>&1 | tail -n 3 || true
    echo "output: $(stat -c %s "$work/w.glb" 2>/dev/null || echo none) bytes"
    rm -f "$work/w.glb"
done
