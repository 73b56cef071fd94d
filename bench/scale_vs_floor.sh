#!/bin/bash
# A terrain larger than the memory the import may use: POINTS x POINTS
# (default 10000 x 10000) to .gltf (+ .bin), `vqvireru import` against
# glb_floor streaming the same bytes, cold and interleaved as in
# import_vs_floor.sh (median and spread, peak memory anonymous and
# file-backed from /proc/PID/status); then the import once more inside a
# memory cgroup limited to LIMIT_MB (default 2048): cgroup v2 memory.max when
# /sys/fs/cgroup is the unified hierarchy, otherwise v1
# memory.limit_in_bytes. Needs root for the cgroup; says why when it cannot.
# Goal: import / floor <= 3, and the limited import completes.
#
#   bench/scale_vs_floor.sh BUILD_DIR [ROUNDS] [POINTS]
set -euo pipefail
usage() { sed -n '/^#   bench/p' "$0" | sed 's/^#   /usage: /' >&2; exit 2; }
(($# >= 1)) || usage
build=$(realpath "$1")
rounds=${2:-3}
points=${3:-10000}
pause=${PAUSE:-5}
limit_mb=${LIMIT_MB:-2048}
here=$(dirname "$(realpath "$0")")
vqvireru=$build/app/vqvireru
floor=$build/bench/glb_floor
tergen=$build/tools/vq-tergen
for x in "$vqvireru" "$floor" "$tergen"; do [[ -x $x ]] || { echo "not built: $x" >&2; usage; }; done

work=$(mktemp -d "${TMPDIR:-/tmp}/vqscale.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
export TMPDIR=$work

"$tergen" terrain in.ter --points "$points" "$points"
"$tergen" world in.tgw
import="$vqvireru import in.ter -o import.gltf -q"
floorcmd="$floor in.ter floor.gltf"
clean="rm -f import.gltf import.bin floor.gltf floor.bin dbg_ter.txt; sync"
echo "terrain: $points x $points; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 "$here/measure.py" "$rounds" "$pause" "$clean" "import=$import" "floor=$floorcmd" | grep -v '^PEAK_ANON'
echo "outputs: import.bin $(stat -c %s import.bin 2>/dev/null || echo '?') bytes"

# The import inside a memory cgroup.
eval "$clean"
source "$here/memory-cgroup.sh"
# shellcheck disable=SC2086  # the command's words
in_memory_cgroup "$limit_mb" $import
echo "output: $( [[ -f import.bin ]] && stat -c %s import.bin || echo none) bytes"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
