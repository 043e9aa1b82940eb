#!/usr/bin/env bash
# Builds the tool and starts it, under a virtual display when there is none.
# On a machine without a serial adapter of its own, the simulated controller
# answers behind port 1 for as long as the tool runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target velmora velmora-sim
program=build/default/app/velmora
programDir=$(dirname "$program")

sim_pid=
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null; true; }
trap cleanup EXIT

has_adapter() {
    [ -e "$programDir/ports/COM1" ] && return 0
    compgen -G "/dev/ttyUSB*" >/dev/null || compgen -G "/dev/ttyACM*" >/dev/null \
        || compgen -G "/dev/cu.usbserial*" >/dev/null
}
if ! has_adapter && [ -x build/default/tools/sim/velmora-sim ]; then
    log=build/default/velmora-sim.log
    build/default/tools/sim/velmora-sim --port 1 --program-dir "$programDir" >"$log" 2>&1 &
    sim_pid=$!
    for _ in $(seq 50); do [ -e "$programDir/ports/COM1" ] && break; sleep 0.1; done
    echo "No serial adapter found: a simulated controller answers on port 1 while the tool runs (its log: $log)."
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting velmora under a virtual display (xvfb-run)."
    xvfb-run -a -s "-screen 0 1280x800x24" "$program"
else
    "$program"
fi
