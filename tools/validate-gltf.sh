#!/bin/bash
# validate-gltf.sh FILE...: runs the Khronos glTF validator on each file and
# fails when any file has an error. Installs the validator (npm package
# gltf-validator, pinned in tools/package.json) into tools/node_modules first.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [[ ! -f $here/node_modules/gltf-validator/index.js ]]; then
  (cd "$here" && npm install --no-audit --no-fund --silent >/dev/null)
fi
exec node "$here/validate-gltf.js" "$@"
