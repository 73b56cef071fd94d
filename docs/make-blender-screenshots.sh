#!/bin/bash
# Remakes the pictures of the Blender add-on in docs/: Blender (Debian's) runs
# under Xvfb with the add-on from blender/ and the example terrain.
#   docs/blender-import-menu.png    File > Import with the add-on's entry
#   docs/blender-import-panel.png   its file browser with the options panel
#   docs/blender-import-render.png  the example imported with the add-on, rendered
#   usage: docs/make-blender-screenshots.sh [build-dir]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
[[ -f $build/CMakeCache.txt ]] || cmake --preset release -B "$build" >/dev/null
cmake --build "$build" --target vqvireru >/dev/null
program=$(realpath "$build/app/vqvireru")
work=$(mktemp -d "${TMPDIR:-/tmp}/blender-shots.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Blender's own settings (recent folders and the like) stay in the work folder.
export BLENDER_USER_CONFIG=$work/config BLENDER_USER_SCRIPTS=$work/scripts
mkdir -p "$BLENDER_USER_CONFIG" "$BLENDER_USER_SCRIPTS"

# Blender's new file as it is: a file named on the command line skips the splash.
blender -b --factory-startup --python-expr \
  "import bpy; bpy.ops.wm.save_as_mainfile(filepath='$work/start.blend')" >/dev/null
for what in menu panel; do
  xvfb-run -a -s "-screen 0 1280x800x24" blender --factory-startup --enable-event-simulate "$work/start.blend" \
    --python docs/blender-screenshots.py -- blender "$program" examples/ridge.ter $what \
    "docs/blender-import-$what.png" >"$work/$what.log" 2>&1 || { cat "$work/$what.log" >&2; exit 1; }
done
VQVIRERU=$program blender -b -P docs/render-import.py -- examples/ridge.ter docs/blender-import-render.png \
  >"$work/render.log" 2>&1 || { cat "$work/render.log" >&2; exit 1; }
ls -l docs/blender-import-*.png
