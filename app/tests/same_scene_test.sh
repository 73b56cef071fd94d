#!/bin/bash
# The builds write the same scene: vqvireru on Linux, vqvireru.exe and
# scenehost.exe of the win64 and win32 builds, for the example with its
# default options and with edited ones, byte for byte; and a 4097 x 4097
# terrain through both vqvireru.exe builds, whole and error-bounded (the win32 one cannot map the
# whole file and writes it from memory). The win32 programs take part where
# this machine runs 32-bit programs.
#   usage: same_scene_test.sh BUILD_ROOT   (holds native/, win64/, win32/)
# Needs WINEPREFIX and DISPLAY (tools/winetest.sh run ...).
set -uo pipefail
root=$(realpath "$1")
src=$(cd "$(dirname "$0")/../.." && pwd)
emu=$src/tools/wine-emu.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/same-scene.XXXXXX")
trap 'rm -rf "$work"' EXIT
source "$src/tools/script-checks.sh"

builds=(win64)
if "$src/tools/runs-32bit.sh"; then builds+=(win32); else echo "skip win32: this kernel does not run 32-bit programs"; fi

# same REFERENCE FILE NAME: byte for byte, or where the first difference is.
same() { check "$3" cmp "$1" "$2"; }

ridge=$src/examples/ridge.ter
edited_cli=(--name Peak --no-camera --scale 0.25)
edited_ui=(--ui text:1001=Peak --ui check:1036=0 --ui spin:1000=0.25)
"$root/native/app/vqvireru" import "$ridge" -q -o "$work/linux.glb"
"$root/native/app/vqvireru" import "$ridge" -q -o "$work/linux-edited.glb" "${edited_cli[@]}"
# The error-bounded mesh: exact arithmetic, so every build keeps the same points.
# By error alone the grid is refined in two halves at once; with a budget, whole.
refined_cli=(--max-error 0.75)
budget_cli=(--max-error 0.75 --max-triangles 20000)
"$root/native/app/vqvireru" import "$ridge" -q -o "$work/linux-refined.glb" "${refined_cli[@]}"
"$root/native/app/vqvireru" import "$ridge" -q -o "$work/linux-budget.glb" "${budget_cli[@]}"
for b in "${builds[@]}"; do
  bin=$root/$b/bin
  "$emu" "$bin/vqvireru.exe" import "$(winpath "$ridge")" -q -o "$(winpath "$work/$b-cli.glb")" >"$work/$b-cli.out"
  same "$work/linux.glb" "$work/$b-cli.glb" "$b vqvireru.exe writes what Linux writes"
  "$emu" "$bin/vqvireru.exe" import "$(winpath "$ridge")" -q -o "$(winpath "$work/$b-cli-edited.glb")" \
    "${edited_cli[@]}" >"$work/$b-cli-edited.out"
  same "$work/linux-edited.glb" "$work/$b-cli-edited.glb" "$b vqvireru.exe with edited options"
  "$emu" "$bin/vqvireru.exe" import "$(winpath "$ridge")" -q -o "$(winpath "$work/$b-cli-refined.glb")" \
    "${refined_cli[@]}" >"$work/$b-cli-refined.out"
  same "$work/linux-refined.glb" "$work/$b-cli-refined.glb" "$b vqvireru.exe: the error-bounded mesh"
  "$emu" "$bin/vqvireru.exe" import "$(winpath "$ridge")" -q -o "$(winpath "$work/$b-cli-budget.glb")" \
    "${budget_cli[@]}" >"$work/$b-cli-budget.out"
  same "$work/linux-budget.glb" "$work/$b-cli-budget.glb" "$b vqvireru.exe: the error-bounded mesh with a budget"
  # Each scenehost run gets a fresh plug-in copy: no saved options.
  for run in host host-edited; do
    mkdir -p "$work/$b-$run"
    cp "$bin/vqVirEru.dll" "$work/$b-$run/"
  done
  "$emu" "$bin/scenehost.exe" --plugin "$(winpath "$work/$b-host/vqVirEru.dll")" --file "$(winpath "$ridge")" \
    --ui click:1004 -o "$(winpath "$work/$b-host.glb")" >"$work/$b-host.out"
  same "$work/linux.glb" "$work/$b-host.glb" "$b scenehost.exe writes what Linux writes"
  "$emu" "$bin/scenehost.exe" --plugin "$(winpath "$work/$b-host-edited/vqVirEru.dll")" --file "$(winpath "$ridge")" \
    "${edited_ui[@]}" --ui click:1004 -o "$(winpath "$work/$b-host-edited.glb")" >"$work/$b-host-edited.out"
  same "$work/linux-edited.glb" "$work/$b-host-edited.glb" "$b scenehost.exe with edited options"
done

# A large terrain: the 32-bit program writes the 64-bit one's bytes, the
# full grid and an error-bounded mesh of it.
if [[ ${builds[*]} == *win32* ]]; then
  "$emu" "$root/win64/bin/vq-tergen.exe" terrain "$(winpath "$work/big.ter")" --points 4097 4097 >/dev/null
  for b in win64 win32; do
    "$emu" "$root/$b/bin/vqvireru.exe" import "$(winpath "$work/big.ter")" -q -o "$(winpath "$work/big-$b.glb")" \
      >"$work/big-$b.out"
  done
  same "$work/big-win64.glb" "$work/big-win32.glb" "4097 x 4097: win32 vqvireru.exe writes what win64 writes"
  for b in win64 win32; do
    "$emu" "$root/$b/bin/vqvireru.exe" import "$(winpath "$work/big.ter")" -q --max-error 1 \
      -o "$(winpath "$work/big-refined-$b.glb")" >"$work/big-refined-$b.out"
  done
  same "$work/big-refined-win64.glb" "$work/big-refined-win32.glb" "4097 x 4097 at 1 m: win32 writes what win64 writes"
  rm -f "$work"/big*
fi

report "$work"
