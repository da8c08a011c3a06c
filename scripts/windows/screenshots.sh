#!/usr/bin/env bash
# Makes the README's side-by-side pictures of the window: the Linux build and leakmeter.exe under
# Wine, each against the meter simulator (a sine wave, 40 stored groups) on an Xvfb display of
# its own, after the same number of seconds. Writes doc/screenshots/linux.png and windows.png.
# Needs the Linux build in build/, the Windows program folder from scripts/build-windows.sh, and
# xwd and netpbm (x11-apps, netpbm); a one-off for the documentation, not part of the tests.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
version=$(sed -n 's/^project(leakmeter VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage=$repo/build-win64/stage/leakmeter-$version
sim=$repo/build/tools/leakmeter-sim/leakmeter-sim
seconds=${SECONDS_SHOWN:-12}
mkdir -p doc/screenshots

work=$(mktemp -d /tmp/leakmeter-shots.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    WINEPREFIX=$work/wine wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8
export XDG_CONFIG_HOME=$work/config

# shoot <name> <command...>: the command's largest window after $seconds, as doc/screenshots/<name>.png.
shoot() {
    local name=$1 display=:$((150 + RANDOM % 50))
    shift
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    sleep 1
    DISPLAY=$display "$@" >"$work/$name.out" 2>&1 &
    pids+=($!)
    sleep "$seconds"
    local window
    window=$(DISPLAY=$display xwininfo -root -children |
        awk '/^ +0x/ { split($0, a, ") +"); n = split(a[2], g, "[x+]"); print g[1] * g[2], $1 }' |
        sort -n | tail -1 | cut -d' ' -f2)
    DISPLAY=$display xwd -silent -id "$window" | xwdtopnm 2>/dev/null | pnmtopng >"doc/screenshots/$name.png"
    echo "doc/screenshots/$name.png"
}

"$sim" --wave sine --status 1 --groups 40 >"$work/linux.sim" 2>&1 &
pids+=($!)
sleep 0.5
shoot linux build/src/app/leakmeter --port "COM1=$(sed -n 's/^PTY //p' "$work/linux.sim")"

wineboot -i >/dev/null 2>&1
"$sim" --wave sine --status 1 --groups 40 >"$work/windows.sim" 2>&1 &
pids+=($!)
sleep 0.5
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$(sed -n 's/^PTY //p' "$work/windows.sim")" /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
seconds=$((seconds + 6)) # Wine's own start
shoot windows wine "$stage/leakmeter.exe" --com 1
