#!/bin/bash
# validate_export.sh EXPORT_SAMPLE VALIDATOR: exports the sample scene into a
# fresh folder and runs the glTF validator on both forms, written from memory
# and through the output's mapped storage (a grid large enough to be mapped);
# any error fails.
set -euo pipefail
out=$(mktemp -d "${TMPDIR:-/tmp}/vq-gltf.XXXXXX")
trap 'rm -rf "$out"' EXIT
"$1" "$out"
"$2" "$out/sample.gltf" "$out/sample.glb"
"$1" "$out" --plain --grid=300 --mapped
"$2" "$out/sample.gltf" "$out/sample.glb"
