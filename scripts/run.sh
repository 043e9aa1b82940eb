#!/usr/bin/env bash
# Builds the tool and starts it, under a virtual display when there is none.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target velmora
program=build/default/velmora
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting velmora under a virtual display (xvfb-run)."
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$program"
fi
exec "$program"
