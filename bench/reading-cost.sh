#!/usr/bin/env bash
# What a live reading costs: CPU while polling the simulated meter, and system calls per
# reading, for the window (offscreen), the headless logger and the least Qt program doing the
# same polling (bench/poller). Needs strace.
#
#   bench/reading-cost.sh [BUILD_DIR] [SECONDS]
#   LEAKMETER=/path/to/leakmeter bench/reading-cost.sh   # another build of the program
#
# Each run is started against a fresh simulator, left 3 s to settle, then watched for SECONDS
# (default 30): CPU % from the run's threads' time on the CPU, then, in a second watch of the
# same length under strace, the system calls per reading (readings counted from the live
# requests the simulator received) and the file-system calls among them by name.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
secs=${2:-30}
sim=$build/tools/leakmeter-sim/leakmeter-sim
app=${LEAKMETER:-$build/src/app/leakmeter}
poller=$build/bench/poller/minimal_poller
for f in "$sim" "$app" "$poller"; do
    [ -x "$f" ] || { echo "missing $f: build first" >&2; exit 1; }
done
command -v strace >/dev/null || { echo "strace is needed" >&2; exit 1; }

dir=$(mktemp -d /tmp/reading-cost.XXXXXX)
simpid=
runpid=
cleanup() {
    [ -n "$runpid" ] && kill "$runpid" 2>/dev/null
    [ -n "$simpid" ] && kill "$simpid" 2>/dev/null
    wait 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$dir/config

# Nanoseconds the process's threads have run on a CPU so far.
cpu_ns() {
    local total=0 ns
    for f in /proc/"$1"/task/*/schedstat; do
        read -r ns _ <"$f" 2>/dev/null || continue
        total=$((total + ns))
    done
    echo "$total"
}

live_requests() { grep -c '^.*RX 23' "$dir/sim.log" || true; }

# measure NAME COMMAND...: one line of figures for COMMAND polling a fresh simulator.
measure() {
    local name=$1
    shift
    rm -f "$dir/sim.log" "$dir/log.csv"
    "$sim" --link "$dir/COM1" --log "$dir/sim.log" --wave sine >/dev/null &
    simpid=$!
    for _ in $(seq 50); do [ -e "$dir/COM1" ] && break; sleep 0.1; done
    "$@" >/dev/null 2>&1 &
    runpid=$!
    sleep 3
    local t0 r0 t1 r1
    t0=$(cpu_ns "$runpid")
    sleep "$secs"
    t1=$(cpu_ns "$runpid")
    r0=$(live_requests)
    strace -f -c -o "$dir/strace.txt" -p "$runpid" 2>/dev/null &
    local tracer=$!
    sleep "$secs"
    kill -INT "$tracer"
    wait "$tracer" 2>/dev/null || true
    r1=$(live_requests)
    kill "$runpid"
    wait "$runpid" 2>/dev/null || true
    runpid=
    kill "$simpid"
    wait "$simpid" 2>/dev/null || true
    simpid=
    awk -v name="$name" -v cpu=$((t1 - t0)) -v secs="$secs" -v readings=$((r1 - r0)) '
        $1 !~ /^[0-9.]+$/ || $NF == "total" { next }
        { calls += $4 }
        $NF ~ /^(open|openat|stat|lstat|newfstatat|statx|fstat|access|faccessat|faccessat2|readlink|readlinkat|getdents64)$/ {
            fs[$NF] = $4
        }
        END {
            if (readings < 1) readings = 1
            files = ""
            for (n in fs) files = files sprintf(" %s %.2f", n, fs[n] / readings)
            printf "%-24s CPU %.2f %%   syscalls per reading %.1f   file-system per reading:%s\n",
                   name, cpu / (secs * 1e7), calls / readings, files == "" ? " none" : files
        }' "$dir/strace.txt"
}

measure "minimal Qt poller" "$poller" "$dir/COM1"
measure "headless" "$app" --headless --port COM1="$dir/COM1"
measure "headless --log FILE" "$app" --headless --log "$dir/log.csv" --port COM1="$dir/COM1"
measure "window" "$app" --port COM1="$dir/COM1"
measure "window --log FILE" "$app" --log "$dir/log.csv" --port COM1="$dir/COM1"
