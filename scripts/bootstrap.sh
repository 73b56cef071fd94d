#!/bin/bash
# Installs every Debian package that the build, the tests, the fuzzers, the
# benchmarks and the demo need. Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libbenchmark-dev nlohmann-json3-dev libcli11-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64
  wine wine64 fonts-wine fonts-dejavu-core xvfb x11-apps x11-utils imagemagick
  fp-utils
  gdal-bin python3
  hyperfine time
  nodejs
  # The Blender add-on's test (headless) and benchmark: 79 packages, about
  # 130 MB to download and 460 MB installed; 31 s to install on the
  # development machine.
  blender
)
# npm: Debian's package, unless the installed nodejs brings its own npm.
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Recommended packages are installed too: the tests were made on machines set
# up that way (Wine's own fonts, for one, are only recommended).
if ((${#missing[@]})); then
  echo "bootstrap: installing ${missing[*]}"
  sudo=""; [[ $(id -u) -ne 0 ]] && sudo="sudo"
  $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}" >/dev/null
fi
echo "bootstrap: all packages present"

# The Khronos glTF validator (npm, version pinned in tools/package.json), for the export tests.
tools_dir="$(cd "$(dirname "$0")/../tools" && pwd)"
if [[ ! -f $tools_dir/node_modules/gltf-validator/index.js ]]; then
  (cd "$tools_dir" && npm install --no-audit --no-fund --silent >/dev/null)
  echo "bootstrap: glTF validator installed"
fi

# Wine's 32-bit half, for the i686 build's tests, only where this machine's
# kernel runs 32-bit programs: where it does not, installing wine32 leaves a
# Wine that runs no 64-bit program either.
if "$tools_dir/runs-32bit.sh"; then
  if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
    echo "bootstrap: this kernel runs 32-bit programs: installing wine32:i386"
    sudo=""; [[ $(id -u) -ne 0 ]] && sudo="sudo"
    $sudo dpkg --add-architecture i386
    $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq wine32:i386 >/dev/null
  fi
  echo "bootstrap: 32-bit Windows programs run here (wine32:i386 installed)"
else
  echo "bootstrap: this kernel does not run 32-bit programs: nothing 32-bit installed, the win32 tests will be skipped"
fi
