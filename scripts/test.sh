#!/usr/bin/env bash
# Builds everything and runs every test (no display needed), twice: a normal
# build and one with AddressSanitizer and UndefinedBehaviorSanitizer.
#   VELMORA_PRESETS="default" bash scripts/test.sh   runs only the first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
for preset in ${VELMORA_PRESETS:-default sanitize}; do
    echo "== $preset build =="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
