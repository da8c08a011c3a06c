#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz) with clang in their own build folder and runs each
# for SECONDS (default 60) on a copy of its committed seeds, so the seeds in the tree stay as
# they are. Prints each target's executions and executions per second, and every crash, hang or
# broken rule with the input that caused it (kept under <build>/fuzz-crashes/<target>/). Exit
# status 1 when any target failed.
#
#   scripts/fuzz.sh [SECONDS]
#   FUZZ_TARGETS="link logs" scripts/fuzz.sh 600    # some targets only
#   LEAKMETER_FUZZ_BUILD=/tmp/bf scripts/fuzz.sh     # another build folder (default build-fuzz)
#   FUZZ_RSS_LIMIT_MB=4096 scripts/fuzz.sh 6000       # a higher memory bound for runs of hours
#   FUZZ_MAX_LEN=1024 FUZZ_TARGETS=link scripts/fuzz.sh 6000   # inputs of at most 1 KiB
#   FUZZ_FORK=2 FUZZ_TARGETS=link scripts/fuzz.sh 3600   # one run, two processes on two cores
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
build=${LEAKMETER_FUZZ_BUILD:-$root/build-fuzz}
targets=${FUZZ_TARGETS:-link logs commandline settings brokerurl alarmvalue passwordfile}

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" -DLEAKMETER_FUZZ=ON -DLEAKMETER_BENCH=OFF \
        >/dev/null
fi
# Quiet when it builds; the whole output when it does not.
if ! cmake --build "$build" --target fuzz -j"$(nproc)" >"$build/fuzz-build.log" 2>&1; then
    cat "$build/fuzz-build.log" >&2
    echo "fuzz: the targets did not build" >&2
    exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A leak report needs a leak found at the end of one input; Qt's caches that live for the whole
# run are none.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
export QT_QPA_PLATFORM=offscreen
failed=0
printf '%-14s %12s %10s  %s\n' target executions 'exec/s' result
for t in $targets; do
    corpus=$scratch/corpus/$t
    mkdir -p "$corpus" "$build/fuzz-crashes/$t"
    cp -r "tests/fuzz/corpus/$t/." "$corpus/" 2>/dev/null || true
    extra=()
    if [ -f "tests/fuzz/$t.dict" ]; then extra=(-dict="tests/fuzz/$t.dict"); fi
    if [ -n "${FUZZ_MAX_LEN:-}" ]; then extra+=(-max_len="$FUZZ_MAX_LEN"); fi
    if [ -n "${FUZZ_FORK:-}" ]; then extra+=(-fork="$FUZZ_FORK"); fi
    log=$scratch/$t.log
    started=$SECONDS
    set +e
    "$build/tests/fuzz/fuzz_$t" "$corpus" "${extra[@]}" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb="${FUZZ_RSS_LIMIT_MB:-2048}" -malloc_limit_mb=1024 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-crashes/$t/" >"$log" 2>&1
    rc=$?
    set -e
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    # A forked run prints no rate; its last progress line counts all its processes.
    [ -n "$runs" ] || runs=$(sed -n 's/^#\([0-9]*\): cov:.*/\1/p' "$log" | tail -1)
    elapsed=$((SECONDS - started))
    if [ -z "$rate" ] && [ -n "$runs" ] && [ "$elapsed" -gt 0 ]; then rate=$((runs / elapsed)); fi
    if [ "$rc" -eq 0 ]; then
        printf '%-14s %12s %10s  %s\n' "$t" "${runs:-?}" "${rate:-?}" ok
    else
        failed=1
        input=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
        printf '%-14s %12s %10s  %s\n' "$t" "${runs:-?}" "${rate:-?}" "FAILED: ${input:-see log}"
        # A log with none of these (a run interrupted, say) must still be kept and named.
        { grep -E 'rule broken|ERROR: (AddressSanitizer|libFuzzer|UndefinedBehavior)|runtime error|SUMMARY|interrupted' \
            "$log" || true; } | head -5 | sed 's/^/    /'
        cp "$log" "$build/fuzz-crashes/$t/last.log"
        echo "    log: $build/fuzz-crashes/$t/last.log"
    fi
done
exit "$failed"
