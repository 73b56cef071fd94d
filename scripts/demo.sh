#!/bin/bash
# The main job on the bundled example: builds the command-line program
# (release) and runs it on examples/ridge.ter and its world file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh >/dev/null
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target vqvireru >/dev/null
echo "== vqvireru import examples/ridge.ter -o build/ridge.glb"
build/release/app/vqvireru import examples/ridge.ter -o build/ridge.glb
echo "== vqvireru info examples/ridge.ter"
build/release/app/vqvireru info examples/ridge.ter
echo "== vqvireru info examples/ridge.tgw"
build/release/app/vqvireru info examples/ridge.tgw
