#!/usr/bin/env bash
# Builds one libFuzzer target with clang and runs it for a while.
#   bash scripts/fuzz.sh TARGET SECONDS [libFuzzer options...]
# The corpus grows in build/fuzz/corpus/TARGET and is reused by the next
# run; fuzz/TARGET.dict, when present, is handed to the fuzzer. A finding
# stops the run, leaves a crash-* file in build/fuzz/findings/TARGET and
# makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 2 ]; then
    echo "usage: bash scripts/fuzz.sh TARGET SECONDS [libFuzzer options...]" >&2
    exit 2
fi
target=$1
seconds=$2
shift 2

VELMORA_EXTRA_PACKAGES="clang libclang-rt-14-dev" bash scripts/deps.sh
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build/fuzz --target "$target"

corpus=build/fuzz/corpus/$target
findings=build/fuzz/findings/$target
mkdir -p "$corpus" "$findings"
options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/")
if [ -f "fuzz/$target.dict" ]; then
    options+=(-dict="fuzz/$target.dict")
fi
exec "build/fuzz/fuzz/$target" "${options[@]}" "$@" "$corpus"
