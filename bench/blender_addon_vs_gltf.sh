#!/bin/bash
# Times the Blender add-on's import of a terrain with its world file against
# Blender's own glTF importer (bpy.ops.import_scene.gltf) on the .glb that
# `vqvireru import` writes of the same terrain, each in a fresh headless
# Blender (blender -b --factory-startup).
#
# Cold: the two run interleaved, each run after dirty pages were written back
# (sync) and a pause of PAUSE seconds (default 3); the inputs stay in the page
# cache, as after a first look at them. For each: the whole Blender run's wall
# time, the operator call alone, and the peak resident memory (max RSS from
# /usr/bin/time), as medians with their spread (min .. max) over ROUNDS runs.
# Goals: add-on / glTF <= 0.1 in time and <= 0.25 in peak memory.
# With MAX_ERROR=M a third side, "refined", imports with the add-on's Max
# Error at M metres, and its ratios to the full grid's add-on import follow
# (goal: under 0.1 in time and memory at 0.1 m on 4097 x 4097); SKIP_GLTF=1
# leaves the glTF importer's side out (17 GB and minutes a run at 4097).
#
#   [MAX_ERROR=M] bench/blender_addon_vs_gltf.sh BUILD_DIR [ROUNDS] [POINTS]
#
# BUILD_DIR is a release build (cmake --preset release && cmake --build
# --preset release --target vqvireru vq-tergen blender_addon). The glTF import
# of 4097 x 4097 points needs about 17 GB of memory and minutes per run.
set -euo pipefail
usage() { sed -n '/^#   bench/p' "$0" | sed 's/^#   /usage: /' >&2; exit 2; }
(($# >= 1)) || usage
build=$(realpath "$1")
rounds=${2:-2}
points=${3:-4097}
pause=${PAUSE:-3}
here=$(dirname "$(realpath "$0")")
vqvireru=$build/app/vqvireru
tergen=$build/tools/vq-tergen
zip=$(ls "$build"/blender/vqvireru_import-*.zip 2>/dev/null | grep -v -e -linux- -e -windows- | head -1)
for x in "$vqvireru" "$tergen"; do [[ -x $x ]] || { echo "not built: $x" >&2; usage; }; done
[[ -f $zip ]] || { echo "not built: the add-on zip (target blender_addon)" >&2; usage; }
for x in blender /usr/bin/time python3; do
  command -v $x >/dev/null || { echo "missing $x (scripts/bootstrap.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vqblender.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
export TMPDIR=$work  # the reader's elevation dump and the add-on's temporary folder go here

"$tergen" terrain in.ter --points "$points" "$points"
"$tergen" world in.tgw
"$vqvireru" import in.ter -o in.glb -q
python3 -c "import zipfile, sys; zipfile.ZipFile(sys.argv[1]).extractall('addon')" "$zip"
echo "terrain: $points x $points, $(stat -c %s in.ter) bytes, with world file; vqvireru's .glb: $(stat -c %s in.glb) bytes"
echo "$(blender --version | head -1), load before: $(cut -d' ' -f1-3 /proc/loadavg)"

blend="blender -b --factory-startup --python $here/blender_import.py --"
declare -A cmd=([addon]="env -u MAX_ERROR $blend addon in.ter addon $vqvireru" [gltf]="$blend gltf in.glb")
sides=(addon gltf)
[[ -n ${SKIP_GLTF:-} ]] && sides=(addon)  # the refined side against the add-on's full grid only
if [[ -n ${MAX_ERROR:-} ]]; then
  cmd[refined]="env MAX_ERROR=$MAX_ERROR $blend addon in.ter addon $vqvireru"
  sides+=(refined)
fi
for ((round = 1; round <= rounds; round++)); do
  for name in "${sides[@]}"; do
    sync; sleep "$pause"
    /usr/bin/time -f "TIME %e %M" -o time.txt ${cmd[$name]} >run.txt 2>&1 || { cat run.txt >&2; exit 1; }
    wall_rss=$(sed -n 's/^TIME //p' time.txt)
    operator=$(sed -n 's/^IMPORT //p' run.txt)
    echo "$name $wall_rss $operator" >>runs.txt
    echo "  round $round $name: $(grep '^MESH' run.txt | head -1), run $(cut -d' ' -f1 <<<"$wall_rss") s," \
         "operator $operator s, max RSS $(($(cut -d' ' -f2 <<<"$wall_rss") / 1024)) MiB"
  done
done

python3 - runs.txt <<'PY'
import statistics, sys
runs = {}
for line in open(sys.argv[1]):
    name, wall, rss, op = line.split()
    runs.setdefault(name, []).append((float(wall), int(rss) * 1024, float(op)))
def show(label, unit, index, scale=1.0):
    med = {}
    for name, values in runs.items():
        v = [r[index] * scale for r in values]
        med[name] = statistics.median(v)
        print(f"  {name:6} {label:9} median {med[name]:9.2f} {unit}   min {min(v):9.2f}   max {max(v):9.2f}"
              f"   spread {100 * (max(v) - min(v)) / med[name]:5.1f} %   ({len(v)} runs)")
    return med["addon"] / med["gltf"] if "gltf" in med else None
t = show("run", "s ", 0)
o = show("operator", "s ", 2)
m = show("peak RSS", "MiB", 1, 1 / 2**20)
if t is not None:
    print(f"  add-on / glTF: run time {t:.3f} (goal <= 0.1), operator time {o:.3f}, peak memory {m:.3f} (goal <= 0.25)")
if "refined" in runs:
    ratio = lambda index: statistics.median(r[index] for r in runs["refined"]) / statistics.median(r[index] for r in runs["addon"])
    print(f"  refined / add-on's full grid: run time {ratio(0):.3f}, operator time {ratio(2):.3f},"
          f" peak memory {ratio(1):.3f} (goal < 0.1 each)")
PY
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
