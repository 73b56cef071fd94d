#!/bin/bash
# scenehost.exe end to end under Wine: the plug-in loaded as the host loads
# it, its real dialogs driven by --ui, the scene compared with what
# vqvireru.exe import writes for the same options.
#   usage: scenehost_test.sh BIN_DIR SOURCE_DIR [PROCESSOR]
# Needs WINEPREFIX and DISPLAY (tools/winetest.sh run ...).
set -uo pipefail
bin=$1
src=$2
processor=${3:-x86_64}
emu=$src/tools/wine-emu.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/scenehost-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
source "$src/tools/script-checks.sh"

# Each plug-in copy sits in a fresh folder: its settings file starts absent.
plugin_copy() {
  mkdir -p "$work/$1"
  cp "$bin/vqVirEru.dll" "$work/$1/"
  winpath "$work/$1/vqVirEru.dll"
}
# host NAME PLUGIN ARGS...: runs scenehost, keeps status and stderr. It
# starts in a folder of its own, as a host whose current folder is neither
# the plug-in's nor the terrain's.
mkdir -p "$work/elsewhere"
host() {
  local name=$1 plugin=$2; shift 2
  (cd "$work/elsewhere" && "$emu" "$bin/scenehost.exe" --plugin "$plugin" "$@") >"$work/$name.out" 2>&1
  echo $? >"$work/$name.rc"
}
status() { cat "$work/$1.rc"; }
reference() {  # reference NAME ARGS...: vqvireru.exe import with those options
  local name=$1; shift
  "$emu" "$bin/vqvireru.exe" import "$(winpath "$src/examples/ridge.ter")" -q -o "$(winpath "$work/$name.glb")" "$@" \
    >"$work/$name.ref.out" 2>&1
}
same_file() { cmp -s "$1" "$2"; }
absent() { [[ ! -e $1 ]]; }
contains() { grep -qF -- "$2" "$1"; }

ridge=$(winpath "$src/examples/ridge.ter")
a=$(plugin_copy a)
b=$(plugin_copy b)

# The example through the real dialogs, as a user clicking Import.
host import "$a" --file "$ridge" --ui click:1004 -o "$(winpath "$work/import.glb")" --report "$(winpath "$work/import.json")"
reference ref_default
check "import exits 0" test "$(status import)" = 0
check "import writes the scene vqvireru writes" same_file "$work/import.glb" "$work/ref_default.glb"
check "import report names the terrain object" contains "$work/import.json" '"ridge"'
check "settings file saved beside the plug-in" test "$(stat -c %s "$work/a/vq_vireru.cfg" 2>/dev/null)" = 14

# Name, camera switch and scale from the dialog's controls.
host edited "$b" --file "$ridge" --ui text:1001=Peak --ui check:1036=0 --ui spin:1000=0.25 --ui click:1004 \
  -o "$(winpath "$work/edited.glb")"
reference ref_edited --name Peak --no-camera --scale 0.25
check "edited import exits 0" test "$(status edited)" = 0
check "name, camera and scale follow the dialog" same_file "$work/edited.glb" "$work/ref_edited.glb"
# The same plug-in copy starts from what it saved (not the name).
host again "$b" --file "$ridge" --ui click:1004 -o "$(winpath "$work/again.glb")"
reference ref_again --no-camera --scale 0.25
check "the next import starts from the saved options" same_file "$work/again.glb" "$work/ref_again.glb"

# Cancel, a cancelled browser, a bad terrain: exit 1, nothing written.
host cancel "$a" --file "$ridge" --ui click:2 -o "$(winpath "$work/cancel.glb")"
check "Cancel exits 1" test "$(status cancel)" = 1
check "Cancel writes nothing" absent "$work/cancel.glb"
host browser "$a" --cancel-browser -o "$(winpath "$work/browser.glb")"
check "cancelled browser exits 1 and writes nothing" test "$(status browser)" = 1 -a ! -e "$work/browser.glb"
printf 'not a terrain at all' >"$work/bad.ter"
host bad "$a" --file "$(winpath "$work/bad.ter")" -o "$(winpath "$work/bad.glb")"
check "bad terrain exits 1" test "$(status bad)" = 1
check "bad terrain's reader message on stderr" contains "$work/bad.out" "is not a terrain-file"
check "bad terrain writes nothing" absent "$work/bad.glb"

# Help opens vqVirEru.chm beside the plug-in while the current folder is
# elsewhere (and holds no help file); without it the message box says so,
# and the options dialog stays open either way.
cp "$bin/vqVirEru.chm" "$work/a/"
host help "$a" --file "$ridge" --ui click:9 --ui click:2
check "Help opens the help file beside the plug-in from another folder" \
  contains "$work/help.out" "help viewer opened: vqVirEru Help"
check "the dialog stays open after Help" test "$(status help)" = 1
check "the current folder held no help file" absent "$work/elsewhere/vqVirEru.chm"
host nohelp "$b" --file "$ridge" --ui click:9 --ui click:2
check "without the help file Help says so" contains "$work/nohelp.out" "you need  help for this ?"

# The keyboard alone, with real key presses: Tab from Replace Scene to Name
# and on to Scale, 7 typed over the scale, Tab to Center Pivot and Space to
# clear it, six Tabs on to Import and Space to press it.
k=$(plugin_copy k)
keys=(--ui key:tab --ui key:tab --ui key:7 --ui key:tab --ui key:space)
for _ in 1 2 3 4 5 6; do keys+=(--ui key:tab); done
host keys "$k" --file "$ridge" "${keys[@]}" --ui key:space -o "$(winpath "$work/keys.glb")"
reference ref_keys --scale 7 --no-center-pivot
check "keyboard import exits 0" test "$(status keys)" = 0
check "scale and switch set from the keyboard" same_file "$work/keys.glb" "$work/ref_keys.glb"

# A script that ends with the options dialog still open (Tab twice, to the
# scale, and nothing presses Import) fails in seconds instead of waiting for
# a person: exit 3, the dialog and the control with the focus named.
started=$(date +%s)
host left_open "$k" --file "$ridge" --ui key:tab --ui key:tab -o "$(winpath "$work/left_open.glb")"
took=$(($(date +%s) - started))
check "a script that leaves the dialog open exits 3" test "$(status left_open)" = 3
check "and fails within 20 s (took $took s)" test "$took" -le 20
check "it names the dialog and the control with the focus" \
  contains "$work/left_open.out" "the options dialog is still open after the --ui script's last action; the focus is on control 1000"
check "and writes nothing" absent "$work/left_open.glb"
# The same for a system dialog the script opened and cannot answer: the
# world file browser, then the options dialog under it, are ended.
host browser_open "$k" --file "$ridge" --ui click:1040
check "a script that leaves the world file browser open exits 3" test "$(status browser_open)" = 3
check "it names the browser" contains "$work/browser_open.out" "the dialog \"Open\" is still open after the --ui script's last action"

# A host that unloads the plug-in and loads a rebuilt copy, in one process:
# load, import, unload, load the copy, import.
c=$(plugin_copy c)
d=$(plugin_copy d)
host reload "$c" --plugin "$d" --file "$ridge" --ui click:1004 -o "$(winpath "$work/reload.glb")" \
  --report "$(winpath "$work/reload.json")"
check "load, import, unload, load again, import exits 0" test "$(status reload)" = 0
check "the second import writes the same scene" same_file "$work/reload.glb" "$work/ref_default.glb"
check "both copies saved their settings" test -s "$work/c/vq_vireru.cfg" -a -s "$work/d/vq_vireru.cfg"

# A 32-bit host runs out of address space on large terrains: the import
# fails with a message and the host lives on. 8193 x 8193 is refused from its
# header; 5700 x 5700 passes that check and fails at the lists themselves.
# The next import in the same process, the plug-in still loaded, succeeds.
if [[ $processor == i686 ]]; then
  "$emu" "$bin/vq-tergen.exe" terrain "$(winpath "$work/huge.ter")" --points 8193 8193 >/dev/null
  "$emu" "$bin/vq-tergen.exe" terrain "$(winpath "$work/large.ter")" --points 5700 5700 >/dev/null
  l=$(plugin_copy l)
  host huge "$l" --file "$(winpath "$work/huge.ter")" --ui click:1004 -o "$(winpath "$work/huge.glb")"
  check "8193 x 8193 exits 1" test "$(status huge)" = 1
  check "8193 x 8193 says why" contains "$work/huge.out" "terrain too large for the memory available: 8193 x 8193 points"
  check "8193 x 8193 writes nothing" absent "$work/huge.glb"
  host large_then_ridge "$l" --file "$(winpath "$work/large.ter")" --file "$ridge" --ui click:1004 \
    -o "$(winpath "$work/after.glb")"
  check "5700 x 5700 fails with a message" \
    contains "$work/large_then_ridge.out" "terrain too large for the memory available: 5700 x 5700 points"
  check "the next import in the same process completes" contains "$work/large_then_ridge.out" "import 2 of 2 completed"
  check "and writes the scene vqvireru writes" same_file "$work/after.glb" "$work/ref_default.glb"
  rm -f "$work/huge.ter" "$work/large.ter"
fi

# Usage errors.
host usage "$a" --ui check:1036=2
check "a malformed ui action is a usage error" test "$(status usage)" = 2
host noplugin "$(winpath "$work/none/vqVirEru.dll")" --cancel-browser
check "a missing plug-in fails with a message" contains "$work/noplugin.out" "cannot load the plug-in"

# The Khronos validator on the results, where node is installed.
if command -v node >/dev/null && [[ -f $src/tools/node_modules/gltf-validator/index.js ]]; then
  for f in import edited; do
    check "$f.glb passes the glTF validator" "$src/tools/validate-gltf.sh" "$work/$f.glb" >/dev/null
  done
fi

report "$work"
