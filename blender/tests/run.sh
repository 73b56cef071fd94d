#!/bin/bash
# Runs test_addon.py in a headless Blender with a fresh work folder.
#   run.sh BLENDER ADDON.zip VQVIRERU EXAMPLES_DIR WORK_DIR
set -euo pipefail
blender=$1 zip=$2 program=$3 examples=$4 work=$5
rm -rf "$work"
mkdir -p "$work/scripts" "$work/config" "$work/files"
# Blender's own Python takes its library folder from the first python3 on
# PATH; another Python of the same version put first (a version manager's)
# hides the system's packages, numpy among them.
PATH=/usr/bin:$PATH exec "$blender" -b --factory-startup --python-exit-code 1 \
  --python "$(dirname "$0")/test_addon.py" -- "$zip" "$program" "$examples" "$work/files"
