#!/bin/bash
# Remakes the pictures of the plug-in's dialogs in docs/: builds the win64
# programs, runs scenehost.exe under Wine + Xvfb with the bundled example and
# lets it save each dialog as it shows, then converts them to PNG.
#   docs/options-dialog.png   the example's header and its fitted world path
#   docs/about-box.png        the about box (opened from the options dialog)
#   docs/progress-dialog.png  the progress dialog part way through a larger import
#   docs/message-box.png      the message box with a reader's failure text
#   docs/options-focus.png    the focus moving through the options dialog with
#                             Tab (real key presses), then Shift+Tab once
#   usage: docs/make-dialog-screenshots.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win64}
[[ -f $build/CMakeCache.txt ]] || cmake --preset win64 -B "$build" >/dev/null
cmake --build "$build" --target scenehost vq-tergen -j2 >/dev/null
bin=$build/bin
work=$(mktemp -d "${TMPDIR:-/tmp}/dialog-shots.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Wine's drive Z: is the root of the Unix file system.
w() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

# The example in a folder deep enough that its world path has to be fitted.
deep="$work/Terrain Library/Examples/Mountain Ridge and Lake Basin"
mkdir -p "$deep" "$work/plugin" "$work/shots" "$work/big-shots" "$work/bad-shots" "$work/focus-shots"
cp examples/ridge.ter examples/ridge.tgw "$deep/"
cp "$bin/vqVirEru.dll" "$work/plugin/"
# A larger terrain, so that the progress dialog is caught part way.
tools/winetest.sh run tools/wine-emu.sh "$bin/vq-tergen.exe" terrain --points 2049 2049 --scale 30 30 30 \
  "$(w "$work/big.ter")" >/dev/null
printf 'this is no terrain' >"$work/broken.ter"

plugin=$(w "$work/plugin/vqVirEru.dll")
run() { tools/winetest.sh run tools/wine-emu.sh "$bin/scenehost.exe" --plugin "$plugin" "$@" || true; }
run --file "$(w "$deep/ridge.ter")" --ui click:1005 --ui click:2 --screenshots "$(w "$work/shots")"
run --file "$(w "$work/big.ter")" --ui click:1004 --screenshots "$(w "$work/big-shots")"
run --file "$(w "$work/broken.ter")" --screenshots "$(w "$work/bad-shots")" 2>/dev/null
# The focus at each Tab stop: a picture as the dialog opens, one after each
# of 13 Tabs (round to the first stop again) and one after Shift+Tab.
keys=(--ui shot:focus-00)
for i in $(seq -w 1 13); do keys+=(--ui key:tab --ui shot:focus-$i); done
keys+=(--ui key:shift+tab --ui shot:focus-14 --ui click:2)
run --file "$(w "$deep/ridge.ter")" "${keys[@]}" --screenshots "$(w "$work/focus-shots")" 2>/dev/null

convert "$work/shots/options.bmp" docs/options-dialog.png
convert "$work/shots/about.bmp" docs/about-box.png
convert "$work/big-shots/progress.bmp" docs/progress-dialog.png
convert "$work/bad-shots/message.bmp" docs/message-box.png
labels=("as it opens: Replace Scene" "Tab: Name" "Tab: Scale" "Tab: Center Pivot" "Tab: Camera" "Tab: Sun"
        "Tab: Create Waterplane" "Tab: Import Render Settings" "Tab: the world file" "Tab: Import" "Tab: Help"
        "Tab: About..." "Tab: Cancel" "Tab: round to Replace Scene" "Shift+Tab: back to Cancel")
frames=()
for i in $(seq 0 14); do
  frames+=(-label "${labels[$i]}" "$work/focus-shots/focus-$(printf %02d "$i").bmp")
done
montage "${frames[@]}" -tile 5x3 -geometry +6+6 -background '#202020' -fill '#c8c8c8' -pointsize 13 \
  docs/options-focus.png
for f in options-dialog about-box progress-dialog message-box options-focus; do
  echo "docs/$f.png: $(identify -format '%wx%h' "docs/$f.png")"
done
