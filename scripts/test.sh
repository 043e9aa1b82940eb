#!/usr/bin/env bash
# Builds everything and runs every test (no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default
