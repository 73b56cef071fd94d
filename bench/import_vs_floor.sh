#!/bin/bash
# Times `vqvireru import` of a terrain with its world file to .glb against
# glb_floor, the least-work converter that streams the same terrain bytes
# (positions, normals, texture coordinates, indices) through one small buffer.
#
# The headline is cold: nothing touches memory before a run, the two commands
# run interleaved, each run after its outputs were removed, dirty pages
# written back (sync) and a pause of PAUSE seconds (default 3), as a user's
# run would find the machine. Medians and the spread (min .. max) of ROUNDS
# runs each. Then the peak memory of one run each, sampled from
# /proc/PID/status: anonymous and file-backed; the import's anonymous peak
# is compared with the output's size.
# TOUCH_MB=N adds a second table where touch_memory writes to and frees N MB
# just before each run (on virtual machines that hand idle memory back to
# their host, this makes the first touch of fresh memory cheap and alike).
# Goals: import / floor <= 3 (aim 2); peak anonymous <= output / 4.
#
#   bench/import_vs_floor.sh BUILD_DIR [ROUNDS] [POINTS]
#
# BUILD_DIR is a release build with VQ_BENCH=ON (cmake --preset release &&
# cmake --build --preset release). Builds nothing itself.
set -euo pipefail
usage() { sed -n '/^#   bench/p' "$0" | sed 's/^#   /usage: /' >&2; exit 2; }
(($# >= 1)) || usage
build=$(realpath "$1")
rounds=${2:-5}
points=${3:-4097}
pause=${PAUSE:-3}
touch_mb=${TOUCH_MB:-0}
here=$(dirname "$(realpath "$0")")
vqvireru=$build/app/vqvireru
floor=$build/bench/glb_floor
tergen=$build/tools/vq-tergen
touch=$build/bench/touch_memory
for x in "$vqvireru" "$floor" "$tergen" "$touch"; do [[ -x $x ]] || { echo "not built: $x" >&2; usage; }; done
command -v python3 >/dev/null || { echo "missing python3 (scripts/bootstrap.sh installs it)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vqimport.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
export TMPDIR=$work  # the reader's elevation dump goes here

"$tergen" terrain in.ter --points "$points" "$points"
"$tergen" world in.tgw
import="$vqvireru import in.ter -o import.glb -q"
floorcmd="$floor in.ter floor.glb"
$import && $floorcmd  # checks both, fills the page cache with the input
size=$(stat -c %s import.glb)
echo "terrain: $points x $points, $(stat -c %s in.ter) bytes, with world file; outputs: import $size bytes, floor $(stat -c %s floor.glb) bytes"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
clean="rm -f import.glb floor.glb; sync"

echo "cold (no memory touched before a run; pause ${pause} s):"
out=$(python3 "$here/measure.py" "$rounds" "$pause" "$clean" "import=$import" "floor=$floorcmd")
grep -v '^PEAK_ANON' <<<"$out"
peak=$(sed -n 's/^PEAK_ANON //p' <<<"$out")
python3 -c "import sys; p, s = int(sys.argv[1]), int(sys.argv[2]); \
print(f'  import peak anonymous / output = {p / s:.3f}  (goal <= 0.25)  {\"met\" if p <= s / 4 else \"MISSED\"}')" "$peak" "$size"
if ((touch_mb > 0)); then
    echo "pre-touched ($touch_mb MB written and freed before each run):"
    python3 "$here/measure.py" "$rounds" "$pause" "$clean; $touch $touch_mb" "import=$import" "floor=$floorcmd" | grep -v '^PEAK_ANON'
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
