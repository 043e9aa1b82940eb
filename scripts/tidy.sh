#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) over the project's own sources and
# fails when it reports anything. Extra arguments go to run-clang-tidy, e.g.
# a file pattern: bash scripts/tidy.sh config/
set -euo pipefail
cd "$(dirname "$0")/.."
VELMORA_EXTRA_PACKAGES="clang clang-tidy ${VELMORA_EXTRA_PACKAGES:-}" bash scripts/deps.sh
root=$(pwd)
dir=build/tidy
# Only the compile commands are needed (no source includes generated files);
# the fuzz targets are configured too so that their sources are checked.
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFUZZ=ON >/dev/null
pattern="^$root/(app|bench|config|fuzz|link|model|protocol|resources|tests|tools)/"
[ $# -gt 0 ] && pattern="^$root/($(IFS='|'; echo "$*"))"
log=$dir/tidy.log
# run-clang-tidy always asks for colours; the log is read without them.
run-clang-tidy -p "$dir" -quiet -j "$(nproc)" "$pattern" 2>&1 | sed 's/\x1b\[[0-9;]*m//g' >"$log" || true
# A header's findings show once per source that includes it: count them once.
grep -E '^/.*: (warning|error): ' "$log" | sort -u >"$dir/findings.txt" || true
cat "$dir/findings.txt"
findings=$(wc -l <"$dir/findings.txt")
if [ "$findings" -ne 0 ]; then
    echo "clang-tidy: $findings findings (full output: $log)"
    exit 1
fi
echo "clang-tidy: no findings"
