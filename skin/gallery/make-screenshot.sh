#!/bin/bash
# Remakes docs/skin-gallery.png: builds skin-gallery.exe (win64), runs it under
# Wine + Xvfb, lets it save what the screen shows of its dialog, and converts
# the picture to PNG.
#   usage: skin/gallery/make-screenshot.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/win64}
[[ -f $build/CMakeCache.txt ]] || cmake --preset win64 -B "$build" >/dev/null
cmake --build "$build" --target skin-gallery -j2
shot=$(mktemp -d "${TMPDIR:-/tmp}/skin-gallery.XXXXXX")
trap 'rm -rf "$shot"' EXIT
tools/winetest.sh run tools/wine-emu.sh "$build/bin/skin-gallery.exe" --screenshot "$shot/gallery.bmp"
mkdir -p docs
convert "$shot/gallery.bmp" docs/skin-gallery.png
echo "docs/skin-gallery.png: $(identify -format '%wx%h' docs/skin-gallery.png)"
