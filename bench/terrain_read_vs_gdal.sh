#!/bin/bash
# Times our terrain reader against GDAL on the same 4097 x 4097 terrain:
#   ours  terrain_read FILE          open + readElevations, elevation dump included
#   ENVI  gdal_translate -of ENVI    read + raw binary write
#   XYZ   gdal_translate -of XYZ     read + text write
# The commands run interleaved in rounds (ours and ENVI RUNS times each, XYZ
# once, per round), so that a change in machine load hits all of them alike;
# medians over all rounds are compared. A warm-up run per round refills the
# page cache that the large XYZ output evicts.
# Goals: ours / ENVI <= 1.0 and ours / XYZ <= 0.25.
#
#   bench/terrain_read_vs_gdal.sh TERRAIN_READ [VQ_TERGEN] [ROUNDS] [RUNS] [POINTS]
#
# TERRAIN_READ and VQ_TERGEN come from the release build (cmake --preset
# release && cmake --build --preset release); VQ_TERGEN defaults to
# tools/vq-tergen beside TERRAIN_READ's build folder. Builds nothing itself.
set -euo pipefail
usage() { sed -n '/^#   bench/p' "$0" | sed 's/^#   /usage: /' >&2; exit 2; }
(($# >= 1)) || usage
reader=$(realpath "$1")
tergen=$(realpath "${2:-$(dirname "$reader")/../tools/vq-tergen}")
rounds=${3:-5}
runs=${4:-5}
points=${5:-4097}
[[ -x $reader && -x $tergen ]] || { echo "not executable: $reader or $tergen" >&2; usage; }
for tool in hyperfine gdal_translate python3; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/bootstrap.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vqbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Our reader writes its elevation dump (dbg_ter.txt) to the temporary folder.
export TMPDIR=$work

ter=$work/in.ter
"$tergen" terrain "$ter" --points "$points" "$points"
echo "terrain: $points x $points, $(stat -c %s "$ter") bytes"
"$reader" "$ter"  # fails the script now rather than timing a failure

ours="$reader $ter"
envi="gdal_translate -q -of ENVI $ter $work/out.envi"
xyz="gdal_translate -q -of XYZ $ter $work/out.xyz"

# One untimed round fills the page cache for every command.
for c in "$ours" "$envi" "$xyz"; do $c; done
for ((r = 1; r <= rounds; r++)); do
    hyperfine -N --style none --warmup 1 --runs "$runs" --export-json "$work/fast$r.json" \
        -n ours "$ours" -n ENVI "$envi" >/dev/null
    hyperfine -N --style none --runs 1 --export-json "$work/xyz$r.json" -n XYZ "$xyz" >/dev/null
done
echo "dump: $(stat -c %s "$work/dbg_ter.txt") bytes; XYZ output: $(stat -c %s "$work/out.xyz") bytes"

python3 - "$work" "$rounds" <<'PY'
import json, statistics, sys
work, rounds = sys.argv[1], int(sys.argv[2])
times = {}
for r in range(1, rounds + 1):
    for part in ("fast", "xyz"):
        for res in json.load(open(f"{work}/{part}{r}.json"))["results"]:
            times.setdefault(res["command"], []).extend(res["times"])
med = {k: statistics.median(v) for k, v in times.items()}
for k, v in times.items():
    print(f"{k:5} median {med[k]:7.3f} s   min {min(v):7.3f} s   max {max(v):7.3f} s   ({len(v)} runs)")
envi, xyz = med["ours"] / med["ENVI"], med["ours"] / med["XYZ"]
print(f"ours / ENVI = {envi:.3f}  (goal <= 1.0)  {'met' if envi <= 1.0 else 'MISSED'}")
print(f"ours / XYZ  = {xyz:.3f}  (goal <= 0.25) {'met' if xyz <= 0.25 else 'MISSED'}")
PY
