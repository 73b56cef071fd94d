#!/bin/bash
# Runs one of the add-on's test scripts in a headless Blender with a fresh
# work folder and a fresh Blender profile (user scripts and settings) in it.
#   run.sh WORK_DIR SCRIPT.py BLENDER [ARGS...]
# The script gets ARGS and then the folder for its files (WORK_DIR/files).
set -euo pipefail
work=$1 script=$2 blender=$3
shift 3
rm -rf "$work"
mkdir -p "$work/scripts" "$work/config" "$work/files"
export BLENDER_USER_SCRIPTS=$work/scripts BLENDER_USER_CONFIG=$work/config
# Blender's own Python takes its library folder from the first python3 on
# PATH; another Python of the same version put first (a version manager's)
# hides the system's packages, numpy among them.
PATH=/usr/bin:$PATH exec "$blender" -b --factory-startup --python-exit-code 1 \
  --python "$script" -- "$@" "$work/files"
