#!/usr/bin/env bash
# Builds the Windows program (scripts/build-windows.sh) and tests it under Wine, in a Wine
# prefix of its own that is thrown away afterwards:
#  1. the test suite cross-built for Windows, run by CTest under Wine (the tests that need the
#     meter simulator on a POSIX pseudo-terminal are not in the Windows build; see README);
#  2. end to end against the Linux meter simulator on a pseudo-terminal that Wine's registry
#     maps to COM1: leakmeter.com logs CSV rows identical (apart from time and elapsed_s) to
#     the Linux build's for the same replies, downloads 255 stored groups into a report
#     byte-identical to the Linux build's, publishes to a real mosquitto, ends on Ctrl+C with
#     the sign-off byte, and --plot writes a PNG and an SVG;
#  3. the installer installs silently (/S) per user, its Start menu shortcut starts the window
#     program, and its uninstaller removes everything.
# Needs the Linux build in build/ (scripts/test.sh makes it; otherwise the two programs needed
# are built here).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
scripts/build-windows.sh
version=$(sed -n 's/^project(leakmeter VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage=$repo/build-win64/stage/leakmeter-$version

if [ ! -x build/src/app/leakmeter ] || [ ! -x build/tools/leakmeter-sim/leakmeter-sim ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j"$(nproc)" --target leakmeter leakmeter-sim
fi
linuxApp=$repo/build/src/app/leakmeter
sim=$repo/build/tools/leakmeter-sim/leakmeter-sim

work=$(mktemp -d /tmp/leakmeter-wintest.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    WINEPREFIX=$work/wine wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# An X display of our own for the window tests and for Wine itself, there before Wine's first
# process: Wine's desktop keeps the display it started with.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
wineboot -i >/dev/null 2>&1
fail() { echo "test-windows: FAILED: $*" >&2; exit 1; }

echo "== the test suite under Wine"
# The test programs find Qt's, OpenSSL's and the MinGW runtime's DLLs through Wine's PATH.
kit=$(scripts/windows/build-kit.sh --check)
gccdir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
WINEPATH="$(winepath -w "$kit/bin");$(winepath -w "$kit/lib");$(winepath -w "$gccdir");$(winepath -w /usr/x86_64-w64-mingw32/lib)"
export WINEPATH
if [ "${LEAKMETER_WINDOWS_SUITE:-1}" != 0 ]; then # 0: the end-to-end part alone
    (cd build-win64 && ctest --output-on-failure)
fi

# startSim <name> <options...>: the simulator on a new pseudo-terminal; sets $pty.
startSim() {
    local name=$1
    shift
    "$sim" "$@" >"$work/$name.sim" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        pty=$(sed -n 's/^PTY //p' "$work/$name.sim")
        [ -n "$pty" ] && return 0
        sleep 0.1
    done
    fail "the simulator did not start: $(cat "$work/$name.sim")"
}
# mapCom1 <device>: Wine's COM1 is that device from the next Wine start on.
mapCom1() {
    wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$1" /f >/dev/null 2>&1
    wineserver -k >/dev/null 2>&1 || true
}
# Every CSV row with the time and elapsed_s columns left out.
rowsWithoutTimes() { cut -d, -f3- "$1"; }

echo "== live readings: CSV rows"
startSim linux-live --wave constant --value 1250
"$linuxApp" --headless --port "COM1=$pty" --log "$work/linux.csv" --count 5 2>"$work/linux-live.err" ||
    fail "the Linux build's headless run: $(cat "$work/linux-live.err")"
startSim win-live --wave constant --value 1250
mapCom1 "$pty"
timeout 300 wine "$stage/leakmeter.com" --headless --com 1 --log "$(winepath -w "$work/win.csv")" --count 5 \
    >"$work/win-live.out" 2>&1 || fail "leakmeter.com --headless: $(cat "$work/win-live.out")"
cmp <(rowsWithoutTimes "$work/linux.csv") <(rowsWithoutTimes "$work/win.csv") ||
    fail "the CSV rows differ: $(diff <(rowsWithoutTimes "$work/linux.csv") <(rowsWithoutTimes "$work/win.csv"))"
[ "$(wc -l <"$work/win.csv")" -eq 6 ] || fail "expected a header and 5 rows in win.csv"

echo "== 255 stored groups: the report"
startSim linux-history --groups 255
"$linuxApp" --history "$work/linux.txt" --port "COM1=$pty" 2>"$work/linux-history.err" ||
    fail "the Linux build's --history: $(cat "$work/linux-history.err")"
startSim win-history --groups 255
mapCom1 "$pty"
timeout 300 wine "$stage/leakmeter.com" --history "$(winepath -w "$work/win.txt")" --com 1 \
    >"$work/win-history.out" 2>&1 || fail "leakmeter.com --history: $(cat "$work/win-history.out")"
cmp "$work/linux.txt" "$work/win.txt" || fail "the reports differ"

echo "== the logger under Wine publishes to a real mosquitto, and signs off"
# A free loopback port: the kernel names one, then the broker takes it.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf 'listener %s 127.0.0.1\nallow_anonymous true\n' "$port" >"$work/mosquitto.conf"
mosquitto -c "$work/mosquitto.conf" >"$work/mosquitto.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    mosquitto_pub -h 127.0.0.1 -p "$port" -t probe -m up >/dev/null 2>&1 && break
    sleep 0.1
done
mosquitto_sub -h 127.0.0.1 -p "$port" -t 'leakmeter/wine-test/reading' -C 3 -W 60 \
    >"$work/readings.json" 2>"$work/sub.err" &
subscriber=$!
pids+=($subscriber)
startSim win-mqtt --wave constant --value 1250 --log "$work/win-mqtt.rx"
mapCom1 "$pty"
timeout 300 wine "$stage/leakmeter.com" --headless --com 1 --count 5 --meter-id wine-test \
    --mqtt "mqtt://127.0.0.1:$port" >"$work/win-mqtt.out" 2>&1 ||
    fail "leakmeter.com --headless --mqtt: $(cat "$work/win-mqtt.out")"
wait "$subscriber" || fail "no readings reached the broker: $(cat "$work/sub.err")"
grep -q '"value_mA"' "$work/readings.json" || fail "the broker's messages are not readings: $(cat "$work/readings.json")"
# The last byte the meter received is the sign-off.
[ "$(grep ' RX ' "$work/win-mqtt.rx" | tail -1 | awk '{print $3}')" = 00 ] ||
    fail "the run did not end with the sign-off byte: $(tail -3 "$work/win-mqtt.rx")"

echo "== Ctrl+C ends a headless run as SIGTERM does: whole rows, the sign-off byte last"
startSim win-ctrlc --wave constant --value 1250 --log "$work/win-ctrlc.rx"
mapCom1 "$pty"
wine "$stage/leakmeter.com" --headless --com 1 --log "$(winepath -w "$work/ctrlc.csv")" \
    >"$work/ctrlc.out" 2>&1 &
run=$!
pids+=($run)
for _ in $(seq 600); do
    [ "$(cat "$work/ctrlc.csv" 2>/dev/null | wc -l)" -ge 4 ] && break
    sleep 0.1
done
[ "$(wc -l <"$work/ctrlc.csv")" -ge 4 ] || fail "no rows before Ctrl+C: $(cat "$work/ctrlc.out")"
# Wine hands a SIGINT of the program's process to its console as Ctrl+C.
kill -INT "$(pgrep -f "$stage/leakmeter.com" | head -1)"
for _ in $(seq 300); do kill -0 "$run" 2>/dev/null || break; sleep 0.1; done
kill -0 "$run" 2>/dev/null && fail "Ctrl+C did not end the run within 30 s"
wait "$run" || fail "the run ended on Ctrl+C with status $?: $(cat "$work/ctrlc.out")"
[ "$(grep ' RX ' "$work/win-ctrlc.rx" | tail -1 | awk '{print $3}')" = 00 ] ||
    fail "Ctrl+C: the run did not end with the sign-off byte"
[ "$(tail -c 2 "$work/ctrlc.csv" | od -An -tx1 | tr -d ' \n')" = 0d0a ] ||
    fail "Ctrl+C: the log does not end with a whole row"

echo "== --list-ports lists the system's ports"
timeout 300 wine "$stage/leakmeter.com" --list-ports >"$work/ports.out" 2>&1 ||
    fail "leakmeter.com --list-ports: $(cat "$work/ports.out")"
grep -q '^COM1 ' "$work/ports.out" || fail "--list-ports does not list COM1: $(cat "$work/ports.out")"

echo "== --plot writes a PNG"
timeout 300 wine "$stage/leakmeter.com" --plot "$(winepath -w "$work/win.csv")" -o "$(winepath -w "$work/day.png")" \
    >"$work/plot.out" 2>&1 || fail "leakmeter.com --plot: $(cat "$work/plot.out")"
[ "$(head -c 8 "$work/day.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
    fail "--plot did not write a PNG"
echo "== --plot writes an SVG (the program's own writer)"
timeout 300 wine "$stage/leakmeter.com" --plot "$(winepath -w "$work/win.csv")" -o "$(winepath -w "$work/day.svg")" \
    >"$work/plotsvg.out" 2>&1 || fail "leakmeter.com --plot x.svg: $(cat "$work/plotsvg.out")"
python3 - "$work/day.svg" <<'PY' || fail "--plot did not write a whole SVG with its legend"
import sys, xml.etree.ElementTree as et
root = et.parse(sys.argv[1]).getroot()
texts = "".join("".join(t.itertext()) for t in root.iter("{http://www.w3.org/2000/svg}text"))
sys.exit(0 if root.tag.endswith("svg") and "读数" in texts else 1)
PY

echo "== the installer, silently"
timeout 300 wine "$repo/dist/leakmeter-$version-setup.exe" /S >/dev/null 2>&1
wineserver -w
installed=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/Programs/leakmeter/leakmeter.exe' | head -1)
[ -n "$installed" ] || fail "the installer did not install leakmeter.exe"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\leakmeter' >/dev/null 2>&1 ||
    fail "no Apps & features entry"
shortcut=$(find "$WINEPREFIX/drive_c/users" -path '*Start Menu*' -name '钳形漏电流表 leakmeter.lnk' | head -1)
[ -n "$shortcut" ] || fail "no Start menu shortcut"
# The shortcut starts the installed window program.
wine start "$(winepath -w "$shortcut")" >/dev/null 2>&1 &
for _ in $(seq 300); do
    pgrep -f 'Programs.leakmeter.leakmeter\.exe' >/dev/null && break
    sleep 0.1
done
pgrep -f 'Programs.leakmeter.leakmeter\.exe' >/dev/null ||
    fail "the Start menu shortcut did not start leakmeter.exe"
wineserver -k >/dev/null 2>&1 || true
timeout 300 wine "$(dirname "$installed")/uninstall.exe" /S >/dev/null 2>&1
wineserver -w
# The uninstaller copies itself away and removes the folder from there.
for _ in $(seq 50); do [ -e "$(dirname "$installed")" ] || break; sleep 0.2; done
[ ! -e "$(dirname "$installed")" ] || fail "the uninstaller left $(dirname "$installed")"
[ -z "$(find "$WINEPREFIX/drive_c/users" -name '*leakmeter.lnk' | head -1)" ] || fail "shortcuts left"
if wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\leakmeter' >/dev/null 2>&1; then
    fail "the Apps & features entry was left"
fi
echo "test-windows: all passed"
