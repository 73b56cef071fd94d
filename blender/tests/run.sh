#!/bin/bash
# Runs test_addon.py in a headless Blender with a fresh work folder.
#   run.sh BLENDER ADDON.zip VQVIRERU EXAMPLES_DIR WORK_DIR
set -euo pipefail
blender=$1 zip=$2 program=$3 examples=$4 work=$5
rm -rf "$work"
mkdir -p "$work/scripts" "$work/config" "$work/files"
exec "$blender" -b --factory-startup --python-exit-code 1 \
  --python "$(dirname "$0")/test_addon.py" -- "$zip" "$program" "$examples" "$work/files"
