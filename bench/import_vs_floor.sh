#!/bin/bash
# Times `vqvireru import` of a terrain with its world file to .glb against
#   floor  glb_floor: the same terrain positions, texture coordinates and
#          indices streamed straight from the file through one small buffer
#   ENVI   gdal_translate -q -of ENVI: GDAL reading the terrain, raw write
# and measures the import's peak memory against the bytes of the lists it
# must hold at the same time (elevations, positions, triangle indices).
# The commands run interleaved, one run each per round; before every run the
# outputs are removed and dirty pages are written back (sync), so no command
# pays for another's writes, and touch_memory writes to and frees 2.5 GB, so
# every command starts with memory the machine has just used. (These virtual
# machines hand idle free memory back to their host; the first write to it
# then costs several times the work on it, and without this step a command
# pays for whatever the one before it did not use: the import, which holds
# 0.8 GB, ran in 1.1 to 5.7 s, the floor in 0.3 s right after it but 2.3 to
# 5.5 s after a 3 s pause. TOUCH_MB=0 leaves the step out.) Medians are compared.
# Goals: import / floor <= 4 (aim 2.5); peak memory <= 1.5 x the lists.
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
vqvireru=$build/app/vqvireru
floor=$build/bench/glb_floor
tergen=$build/tools/vq-tergen
touch=$build/bench/touch_memory
touch_mb=${TOUCH_MB:-2500}
for x in "$vqvireru" "$floor" "$tergen" "$touch"; do [[ -x $x ]] || { echo "not built: $x" >&2; usage; }; done
for tool in hyperfine gdal_translate python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/bootstrap.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vqimport.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
export TMPDIR=$work  # the reader's elevation dump goes here

"$tergen" terrain in.ter --points "$points" "$points"
"$tergen" world in.tgw
echo "terrain: $points x $points, $(stat -c %s in.ter) bytes, with world file; memory touched before each run: $touch_mb MB"

import="$vqvireru import in.ter -o import.glb -q"
floorcmd="$floor in.ter floor.glb"
envi="gdal_translate -q -of ENVI in.ter out.envi"
clean="rm -f import.glb floor.glb out.envi out.hdr out.envi.aux.xml; sync"
((touch_mb > 0)) && clean+="; $touch $touch_mb"

# Untimed: fills the page cache, checks every command, and measures peak memory.
/usr/bin/time -f "%M" -o import.rss $import
/usr/bin/time -f "%M" -o floor.rss $floorcmd
$envi
echo "outputs: import $(stat -c %s import.glb) bytes, floor $(stat -c %s floor.glb) bytes"
for ((r = 1; r <= rounds; r++)); do
    hyperfine --style none --runs 1 --prepare "$clean" --export-json "round$r.json" \
        -n import "$import" -n floor "$floorcmd" -n ENVI "$envi" >/dev/null
done

python3 - "$work" "$rounds" "$points" <<'PY'
import json, statistics, sys
work, rounds, n = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
times = {}
for r in range(1, rounds + 1):
    for res in json.load(open(f"{work}/round{r}.json"))["results"]:
        times.setdefault(res["command"], []).extend(res["times"])
med = {k: statistics.median(v) for k, v in times.items()}
for k, v in times.items():
    print(f"{k:6} median {med[k]:7.3f} s   min {min(v):7.3f} s   max {max(v):7.3f} s   ({len(v)} runs)")
ratio = med["import"] / med["floor"]
print(f"import / floor = {ratio:.2f}  (goal <= 4, aim 2.5)  {'met' if ratio <= 4 else 'MISSED'}")
print(f"import / ENVI  = {med['import'] / med['ENVI']:.2f}")
# Outside work only ever adds time; the best runs show the programs themselves.
best = {k: min(v) for k, v in times.items()}
print(f"best runs: import / floor = {best['import'] / best['floor']:.2f}, import / ENVI = {best['import'] / best['ENVI']:.2f}")
lists = 2 * n * n + 12 * n * n + 4 * 6 * (n - 1) ** 2  # elevations, positions, indices
peak = int(open(f"{work}/import.rss").read()) * 1024
floor_peak = int(open(f"{work}/floor.rss").read()) * 1024
print(f"peak memory: import {peak / 1e6:.0f} MB, floor {floor_peak / 1e6:.0f} MB; lists {lists / 1e6:.0f} MB; "
      f"import / lists = {peak / lists:.2f}  (goal <= 1.5)  {'met' if peak <= 1.5 * lists else 'MISSED'}")
PY
