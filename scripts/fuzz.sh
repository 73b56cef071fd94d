#!/bin/bash
# Builds the libFuzzer targets with clang (ASan + UBSan): the two file readers
# and the whole import (driver, worker, host scene, glTF export), and runs
# each for the given number of seconds (default 60) on its seed corpus. Fails on any crash, leak, timeout or allocation over 256 MB.
#
#   scripts/fuzz.sh [seconds-per-target] [target...]
#
# Targets: terrain, world, import (default: all three).
#
# VQ_FUZZ_BUILD: build folder (default build/fuzz); VQ_FUZZ_CORPUS: where the
# growing corpora are kept (default <build>/corpus, seeded from fuzz/corpus).
# Findings are written to <build>/findings. Each target uses one core.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[[ $seconds =~ ^[0-9]+$ ]] || { echo "usage: scripts/fuzz.sh [seconds-per-target] [target...]" >&2; exit 2; }
shift $(($# > 0 ? 1 : 0))
targets=("$@")
((${#targets[@]} > 0)) || targets=(terrain world import)

build=${VQ_FUZZ_BUILD:-build/fuzz}
corpus=${VQ_FUZZ_CORPUS:-$build/corpus}
findings=$build/findings
mkdir -p "$build" "$findings" "$build/tmp"

cxx=${CXX_FUZZ:-clang++}
flags=(-std=c++17 -g -O1 -fno-omit-frame-pointer -I.
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -Wall -Wextra -Werror)
readers=(formats/FileStream.cpp formats/FixedText.cpp formats/TerrainFile.cpp
         formats/WorldCatalogue.cpp formats/WorldFile.cpp)

echo "== fuzz: build ($cxx)"
"$cxx" "${flags[@]}" -o "$build/fuzz_terrain" fuzz/FuzzTerrainFile.cpp "${readers[@]}"
"$cxx" "${flags[@]}" -o "$build/fuzz_world" fuzz/FuzzWorldFile.cpp "${readers[@]}"
# The whole import: every host source (globbed, so a split of the host's
# files needs no change here), the pipeline and the host operations.
"$cxx" "${flags[@]}" -pthread -o "$build/fuzz_import" fuzz/FuzzImport.cpp "${readers[@]}" \
    import/*.cpp host/*.cpp plugin/HostOps.cpp

# The terrain reader writes its elevation dump into the temporary folder;
# keep it, and the targets' scratch files, out of everyone else's way.
export TMPDIR=$(realpath "$build/tmp")  # the build folder may be given relative or absolute
# ASan's default 256 MB quarantine of freed blocks would by itself approach the
# RSS limit, which is meant for the readers' own memory.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=64}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run() {  # name max_len
    local name=$1 max_len=$2
    mkdir -p "$corpus/$name"
    echo "== fuzz: $name for ${seconds}s (log: $build/$name.log)"
    local rc=0
    "$build/fuzz_$name" "$corpus/$name" "fuzz/corpus/$name" \
        -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
        -rss_limit_mb=256 -malloc_limit_mb=256 -print_final_stats=1 \
        -artifact_prefix="$findings/$name-" >"$build/$name.log" 2>&1 || rc=$?
    grep -E '^(INFO: seed corpus|#[0-9]+[[:space:]]+(INITED|DONE)|stat::|Done |==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' \
        "$build/$name.log" || true
    if ((rc != 0)); then
        echo "fuzz: $name FAILED (exit $rc); see $build/$name.log and $findings" >&2
        return 1
    fi
}

# The import's input is a 3-byte prefix, a terrain up to the terrain
# target's limit and a world up to the world target's.
declare -A max_len=([terrain]=65536 [world]=16384 [import]=$((3 + 65536 + 16384)))
status=0
for target in "${targets[@]}"; do
    [[ -n ${max_len[$target]:-} ]] || { echo "fuzz: unknown target $target" >&2; exit 2; }
    run "$target" "${max_len[$target]}" || status=1
done
# Whatever the targets' exit codes, a crash or leak left a reproducer.
if compgen -G "$findings/*" >/dev/null; then
    echo "fuzz: findings in $findings:" >&2; ls -l "$findings" >&2; status=1
fi
((status == 0)) && echo "fuzz: no crash, leak, timeout or out-of-memory in ${targets[*]}"
exit $status
