#!/bin/bash
# Regenerates the seed corpora in fuzz/corpus/: small terrain and world files
# written by the project's generator, plus hand-made broken files that start
# the fuzzer next to the readers' edge cases.
#
#   fuzz/make_corpus.sh [path-to-vq-tergen]
#
# Without an argument the generator is compiled into a temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d "${TMPDIR:-/tmp}/vqcorpus.XXXXXX")
trap 'rm -rf "$work"' EXIT

tergen=${1:-}
if [[ -z $tergen ]]; then
    tergen=$work/vq-tergen
    g++ -std=c++17 -O1 -I. -o "$tergen" tools/tergen/main.cpp tools/tergen/TerGen.cpp
fi

t=fuzz/corpus/terrain w=fuzz/corpus/world
rm -rf "$t" "$w"; mkdir -p "$t" "$w"

"$tergen" terrain "$t/grid-2x2.ter" --points 2 2
"$tergen" terrain "$t/grid-3x2.ter" --points 3 2 --height-scale -80 --base-height 5
"$tergen" terrain "$t/grid-17x9.ter" --points 17 9 --scale 10 20 5 --seed 7
"$tergen" terrain "$t/grid-65x65.ter" --points 65 65 --seed 3
"$tergen" terrain "$t/grid-129x100.ter" --points 129 100 --height-scale 32767 --base-height -32768

"$tergen" world "$w/standard.tgw"
"$tergen" world "$w/sunset-water.tgw" --camera 100 200 50 --target 0 0 0 --bank 15 \
    --zoom 2.5 --sun 270 2 --water -3.5 --picture 1920 1080 --pixel-aspect 1.25

python3 - "$t" "$w" <<'PY'
import struct, sys
t, w = sys.argv[1], sys.argv[2]
SIG = b"TERRAGENTERRAIN "
def u16(v): return struct.pack("<H", v) + b"\0\0"
def put(path, data):
    with open(path, "wb") as f: f.write(data)

put(f"{t}/signature-only.ter", SIG)
put(f"{t}/bad-signature.ter", b"TERRAGEN TERRAIN")
put(f"{t}/linefeed-signature.ter", b"TERRA\nENTERRAIN " + b"EOF ")
put(f"{t}/size-only.ter", SIG + b"SIZE" + u16(2) + b"ALTW" + struct.pack("<hh", 80, 0)
    + struct.pack("<9h", -32768, 0, 32767, 1, -1, 2, -2, 3, -3) + b"EOF ")
put(f"{t}/size-zero.ter", SIG + b"SIZE" + u16(0) + b"ALTW" + struct.pack("<hh", 80, 0))
put(f"{t}/xpts-only.ter", SIG + b"XPTS" + u16(4) + b"ALTW" + struct.pack("<hh", 80, 0) + b"\0" * 8)
put(f"{t}/huge-declared.ter", SIG + b"XPTS" + u16(65535) + b"YPTS" + u16(65535)
    + b"ALTW" + struct.pack("<hh", 80, 0) + b"\1\2\3\4\5\6\7\x08")
put(f"{t}/unknown-tags.ter", SIG + b"JUNKXPTS" + u16(2) + b"YPTS" + u16(2) + b"CRVM" + struct.pack("<I", 1)
    + b"CRAD" + struct.pack("<f", 1.5) + b"ALTW" + struct.pack("<hh", 1, 1) + struct.pack("<4h", 1, 2, 3, 4))
put(f"{t}/cut-in-scal.ter", SIG + b"SCAL" + struct.pack("<f", 1.0) + b"\0\0")
put(f"{t}/eof-before-altw.ter", SIG + b"SIZE" + u16(8) + b"EOF " + b"ALTW")

WSIG = b"TERRAGENWORLD2  "
def chunk(tag, payload):
    return tag + struct.pack("<I", len(payload)) + payload + b"\0" * ((4 - len(payload) % 4) % 4)
put(f"{w}/header-only.tgw", WSIG)
put(f"{w}/huge-value.tgw", WSIG + chunk(b"WLDG", b"CAMX" + struct.pack("<I", 0xFFFFFFF0) + b"\0" * 8))
put(f"{w}/cut-last-value.tgw", WSIG + chunk(b"WATR", chunk(b"LEVL", struct.pack("<f", 2.0)))[:-2])
nested = chunk(b"BMTX", chunk(b"SEED", b"\1\0\0\0"))
for _ in range(80): nested = chunk(b"TERM", nested)
put(f"{w}/deep-nesting.tgw", WSIG + chunk(b"SRFL", nested))
put(f"{w}/effects.tgw", WSIG + chunk(b"MPFX", chunk(b"EFID", chunk(b"SETT", chunk(b"VALU", b"abc")))
    + chunk(b"EFID", b"\0" * 6)) + chunk(b"ATLI", chunk(b"SUN ", chunk(b"SUNH", struct.pack("<f", 40.0)))))
put(f"{w}/cut-after-efid.tgw", WSIG + b"WATR" + struct.pack("<I", 40) + b"PEFL" + struct.pack("<I", 32) + b"EFID")
put(f"{w}/cut-after-sett.tgw", WSIG + b"WATR" + struct.pack("<I", 40) + b"PEFL" + struct.pack("<I", 32)
    + b"EFID" + struct.pack("<I", 24) + b"SETT\1\0")
put(f"{w}/overshoot.tgw", WSIG + chunk(b"ANIM", b"XCAM" + struct.pack("<I", 64) + b"\0" * 4) + chunk(b"WLDG", b""))
PY
ls -l "$t" "$w"

# The whole import's seeds: u16 terrain length, an options byte, the terrain,
# the world. Each terrain seed with the example's world and a generated one,
# each world seed with a small grid, and the example itself.
i=fuzz/corpus/import
rm -rf "$i"; mkdir -p "$i"
python3 - "$t" "$w" "$i" examples <<'PY'
import os, struct, sys
t, w, out, ex = sys.argv[1:5]
def read(p):
    with open(p, "rb") as f: return f.read()
def put(name, ter, tgw, options=0):
    ter = ter[:65535]
    with open(os.path.join(out, name), "wb") as f:
        f.write(struct.pack("<HB", len(ter), options) + ter + tgw)
ridge_world = read(f"{ex}/ridge.tgw")
for n, name in enumerate(sorted(os.listdir(t))):
    ter = read(os.path.join(t, name))
    put(f"{name}+ridge", ter, ridge_world, (n % 4) << 5)
    put(f"{name}+sunset", ter, read(f"{w}/sunset-water.tgw"), n & 31)
small = read(f"{t}/grid-17x9.ter")
for name in sorted(os.listdir(w)):
    put(f"grid-17x9+{name}", small, read(os.path.join(w, name)))
put("ridge", read(f"{ex}/ridge.ter"), ridge_world)
PY
ls "$i" | wc -l
