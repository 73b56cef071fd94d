#!/bin/bash
# The plug-in built against an outside host SDK, and run. The stand-in host
# is installed as an application's SDK is laid out (include/, lib/, bin/) in
# a folder of its own; the plug-in's sources, without the stand-in's, are
# configured with -DVQ_HOST_SDK_DIR pointing there and built; the module
# made is then loaded by scenehost.exe and imports the example, which must
# give the scene the plug-in of the default build gives.
#   usage: outside_sdk_test.sh BUILD_DIR BIN_DIR SOURCE_DIR TOOLCHAIN_FILE OBJDUMP
# Needs WINEPREFIX and DISPLAY (tools/winetest.sh run ...).
set -uo pipefail
build=$1
bin=$2
src=$3
toolchain=$4
objdump=$5
emu=$src/tools/wine-emu.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/outside-sdk-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
source "$src/tools/script-checks.sh"
finish() { report "$work"; exit; }

# The stand-in as an outside SDK: headers, import library, DLL; nothing of
# the stand-in's own workings (its control of the host, its export).
sdk=$work/sdk
cmake --install "$build" --component host_sdk --prefix "$sdk" >"$work/install.log" 2>&1
check "the SDK installs" test -f "$sdk/include/host/XsiApplication.h" -a -f "$sdk/lib/libXsiHostSdk.dll.a" \
  -a -f "$sdk/bin/XsiHostSdk.dll"
check "the SDK holds only the headers a plug-in uses" test ! -e "$sdk/include/host/HostControl.h" \
  -a ! -e "$sdk/include/host/SceneExport.h"

# The plug-in's own parts only: no host/, so no header can come from there.
mkdir -p "$work/src"
for part in CMakeLists.txt cmake formats mesh import plugin res skin ui; do cp -r "$src/$part" "$work/src/"; done
out=$work/build
if ! cmake -S "$work/src" -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
       -DVQ_HOST_SDK_DIR="$sdk" >"$work/configure.log" 2>&1; then
  cat "$work/configure.log"; check "configures against the SDK" false; finish
fi
check "configures against the SDK" grep -q "Host SDK: $sdk/include" "$work/configure.log"
if ! nice -n 10 cmake --build "$out" --target vqVirEru -j 2 >"$work/build.log" 2>&1; then
  tail -40 "$work/build.log"; check "builds the plug-in" false; finish
fi
dll=$out/bin/vqVirEru.dll
check "builds the plug-in" test -f "$dll"
check "the SDK's headers were compiled" grep -q "$sdk/include/host/XsiScene.h" <(ninja -C "$out" -t deps)
check "the module imports the SDK's library" grep -q "DLL Name: XsiHostSdk.dll" <("$objdump" -p "$dll")

# Loaded by the host and run: the same scene as the default build's plug-in.
mkdir -p "$work/run" "$work/elsewhere"
cp "$dll" "$work/run/"
ridge=$(winpath "$src/examples/ridge.ter")
(cd "$work/elsewhere" && "$emu" "$bin/scenehost.exe" --plugin "$(winpath "$work/run/vqVirEru.dll")" \
  --file "$ridge" --ui click:1004 -o "$(winpath "$work/outside.glb")") >"$work/run.out" 2>&1
check "scenehost imports with it" test $? = 0
"$emu" "$bin/vqvireru.exe" import "$ridge" -q -o "$(winpath "$work/reference.glb")" >/dev/null 2>&1
check "the scene is the default build's" cmp -s "$work/outside.glb" "$work/reference.glb"
((failures)) && cat "$work/run.out"
finish
