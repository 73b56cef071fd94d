#!/bin/bash
# Exits 0 when this machine's kernel runs 32-bit x86 programs, 1 when it does
# not. The probe is a 96-byte static i386 ELF program that exits with status
# 42, written here from its bytes, so no 32-bit package is needed to ask.
set -u
probe=$(mktemp "${TMPDIR:-/tmp}/probe32.XXXXXX") || exit 1
trap 'rm -f "$probe"' EXIT
hex=7f454c460101010000000000000000000200030001000000548004083400000000000000000000003400200001000000000000000100000000000000008004080080040860000000600000000500000000100000b801000000bb2a000000cd80
printf '%b' "$(sed 's/../\\x&/g' <<<"$hex")" >"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
[[ $? == 42 ]]
