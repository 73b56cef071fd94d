#!/bin/bash
# The built vqvireru program itself: exit status, the first line of stderr
# and of stdout for usage errors, unreadable and unusable files, an output
# that cannot be written, and a success; what is on disk afterwards.
#
#   cli_exit_codes.sh VQVIRERU VQ-TERGEN
set -uo pipefail
vq=$1 tergen=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/vqcli.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

"$tergen" terrain ok.ter --points 5 3 >/dev/null
"$tergen" world ok.tgw >/dev/null
"$tergen" terrain nan.ter --points 5 3 --scale nan 30 30 >/dev/null
"$tergen" terrain flat.ter --points 5 3 --scale 0 0 0 >/dev/null
"$tergen" terrain mirrored.ter --points 5 3 --scale -30 30 30 >/dev/null
printf 'TERRAGEN TERRAIN' >notter.ter
echo "old" >kept.glb

failures=0
# expect STATUS STDERR STDOUT -- ARGS...: the exit status, how the first
# line of stderr begins, a line stdout holds; "-" for an empty stream, ""
# for anything.
expect() {
    local status=$1 err=$2 out=$3
    shift 4
    "$vq" "$@" >out.txt 2>err.txt </dev/null
    local got=$? e ok=1
    e=$(head -n 1 err.txt)
    [[ $got == "$status" ]] || ok=0
    if [[ $err == - ]]; then [[ ! -s err.txt ]] || ok=0; else [[ $e == "$err"* ]] || ok=0; fi
    if [[ $out == - ]]; then [[ ! -s out.txt ]] || ok=0; elif [[ -n $out ]]; then grep -qxF -- "$out" out.txt || ok=0; fi
    if ((!ok)); then
        echo "FAIL: vqvireru $*: exit $got (want $status)"
        echo "  stderr: $e (want: $err...)"
        echo "  stdout: $(head -n 3 out.txt) (want the line: $out)"
        failures=$((failures + 1))
    fi
}

# usage errors: 2, the usage or the reason on stderr
expect 2 "usage: vqvireru COMMAND" - --
expect 2 "vqvireru: unknown command 'convert'" - -- convert ok.ter
expect 2 "vqvireru import: " - -- import
expect 2 "vqvireru import: the output must end in .glb or .gltf: ok.obj" - -- import ok.ter -o ok.obj
expect 2 "vqvireru import: " - -- import ok.ter --scale much
expect 2 "vqvireru import: world file not found: none.tgw" - -- import ok.ter --world none.tgw
expect 2 "" - -- info
expect 0 - "usage: vqvireru COMMAND [options]" -- --help
expect 0 - "0.70b" -- --version

# files that cannot be read or used: 1, the reason on stderr, nothing written
expect 1 'cannot open file "missing.ter"' - -- import missing.ter -o missing.glb
expect 1 "notter.ter" - -- import notter.ter -o notter.glb
expect 1 "nan.ter" - -- import nan.ter -o nan.glb
expect 1 "flat.ter" - -- import flat.ter -o flat.glb
expect 1 'cannot open file "missing.ter"' - -- info missing.ter
for f in missing.glb notter.glb nan.glb flat.glb; do
    [[ -e $f ]] && { echo "FAIL: $f written after a failed import"; failures=$((failures + 1)); }
done
grep -qx "has an unusable scale: SCAL nan 30 30" <("$vq" import nan.ter -o nan.glb 2>&1) ||
    { echo "FAIL: the bad scale is not named"; failures=$((failures + 1)); }
# info shows the header as it is
expect 0 - "X/Y-Points: 5x3" -- info nan.ter
grep -qx "Metres/tg-Unit: nan m" <("$vq" info nan.ter) || { echo "FAIL: info nan.ter"; failures=$((failures + 1)); }

# an output that cannot be written: 1, and an existing one stays as it was
expect 1 "cannot create no-such-folder/ok.glb" - -- import ok.ter -q -o no-such-folder/ok.glb
mkdir kept.glb.tmp  # the export's temporary file cannot be made
expect 1 "cannot create kept.glb" - -- import ok.ter -q -o kept.glb
[[ $(cat kept.glb) == old ]] || { echo "FAIL: kept.glb changed"; failures=$((failures + 1)); }
expect 1 "cannot create no-such-folder/report.json" - -- import ok.ter -q -o ok.glb --report no-such-folder/report.json

# success: 0, where the scene went, a binary glTF; a negative scale mirrors
expect 0 - "wrote ok.json" -- import ok.ter -o ok.glb --report ok.json
grep -qxF "wrote ok.glb" out.txt || { echo "FAIL: where the scene went"; failures=$((failures + 1)); }
[[ $(head -c 4 ok.glb) == glTF ]] || { echo "FAIL: ok.glb is not a binary glTF"; failures=$((failures + 1)); }
grep -q '"TG_Cam"' ok.json || { echo "FAIL: the report has no camera"; failures=$((failures + 1)); }
expect 0 - "wrote mirrored.gltf" -- import mirrored.ter -o mirrored.gltf
[[ -s mirrored.bin ]] || { echo "FAIL: mirrored.bin missing"; failures=$((failures + 1)); }
# without -o the scene goes beside here under the terrain's base name; a
# name that is all extension, like a hidden file's, stays whole
cp ok.ter valley.v2.ter && cp ok.ter .ter
expect 0 - "wrote valley.v2.glb" -- import valley.v2.ter
expect 0 - "wrote .ter.glb" -- import .ter
[[ -s .ter.glb ]] || { echo "FAIL: .ter.glb missing"; failures=$((failures + 1)); }

if ((failures)); then
    echo "$failures failure(s)"
    exit 1
fi
echo "vqvireru: all exit codes and messages as expected"
