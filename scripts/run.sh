#!/usr/bin/env bash
# Builds leakmeter and the meter simulator, starts the simulator on a pseudo-terminal and
# runs the program with COM1 mapped to it. Extra arguments go to the simulator
# (for example: scripts/run.sh --wave sine --status 1 --groups 40).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target leakmeter leakmeter-sim

rundir=$(mktemp -d /tmp/leakmeter-run.XXXXXX)
link="$rundir/COM1"
build/tools/leakmeter-sim/leakmeter-sim --link "$link" --log "$rundir/meter.log" \
    --wave sine --status 1 --groups 40 "$@" &
sim=$!
trap 'kill $sim 2>/dev/null || true; rm -rf "$rundir"' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
# The program remembers the last port mapping; this run's temporary one must not
# replace the meter the user's own runs remember.
export XDG_CONFIG_HOME="$rundir/config"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    echo "No display found; running under xvfb-run."
    xvfb-run -a build/src/app/leakmeter --port COM1="$link"
else
    build/src/app/leakmeter --port COM1="$link"
fi
