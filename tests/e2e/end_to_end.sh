#!/usr/bin/env bash
# The real program in a real window under X: open "COM1" (the device
# simulator, echoing), type into the Send area, send, see the bytes reach the
# device, read the echo back out of the Receive area, keep a screenshot, and
# end on Esc.
#   end_to_end.sh <tarvessa> <tarvessa-sim> <output dir>
# TARVESSA_UPDATE_DOCS=1 also copies the screenshot to docs/screenshot-e2e.png.
set -euo pipefail
app=$1 sim=$2 out=$3
mkdir -p "$out"
started=$SECONDS

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

# Everything seen so far, for a failure report.
seen() {
    echo "--- visible windows:"
    for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        echo "    $w '$(xdotool getwindowname "$w" 2>/dev/null)'"
    done
    echo "--- simulator stdout:"
    cat "$out/sim.out" 2>/dev/null || true
    echo "--- bytes the simulator received: '$(cat "$out/sim-received.log" 2>/dev/null || true)'"
    echo "--- program output:"
    cat "$out/app.log" 2>/dev/null || true
}
fail() {
    echo "e2e: FAILED: $*" >&2
    seen >&2
    exit 1
}
for tool in xdotool xclip import; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps installs it)"
done

source "$(dirname "$0")/../../tools/xsession.sh"
own_display "$out" || fail "no X display"
unset QT_QPA_PLATFORM
echo "e2e: display $DISPLAY"

: >"$out/sim-received.log"
"$sim" --log "$out/sim-received.log" echo >"$out/sim.out" &
sim_pid=$!
pids+=("$sim_pid")
within 50 test -s "$out/sim.out" || fail "the simulator did not start"
device=$(head -n 1 "$out/sim.out")

TARVESSA_PORTS=$device "$app" >"$out/app.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")

window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tarvessa$' | head -n 1) ||
    fail "the window did not appear"
[ -n "$window" ] || fail "the window did not appear"

# Clicks at a point of the window's client area.
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }

click 48 260 # Open COM
within 50 xdotool search --onlyvisible --name '^成功！$' >/dev/null ||
    fail "no notice \"成功！\" after Open COM"
# The notice stands over the middle of the main window: its OK hides it.
notice=$(xdotool search --onlyvisible --name '^成功！$' | head -n 1)
xdotool mousemove --window "$notice" 139 62 click 1
within 50 bash -c "! xdotool search --onlyvisible --name '^成功！$' >/dev/null" ||
    fail "OK did not hide the notice"

click 200 132 # the Send area
xdotool type --delay 20 "AT"
click 227 260 # Send Data

within 50 grep -q 'AT' "$out/sim-received.log" || fail "\"AT\" did not reach the device"
received=$(cat "$out/sim-received.log")
[ "$received" = "AT" ] || fail "the device received '$received' instead of 'AT'"

# The echo arrives in the Receive area; read it through the clipboard.
shown=""
receive_area() {
    click 200 180
    xdotool key --clearmodifiers ctrl+a ctrl+c
    sleep 0.1
    shown=$(xclip -o -selection clipboard 2>/dev/null || true)
    [ "$shown" = "AT" ]
}
within 50 receive_area || fail "the Receive area shows '$shown', not the echo 'AT'"

import -window "$window" "$out/e2e-window.png" || fail "no screenshot"
if [ "${TARVESSA_UPDATE_DOCS:-}" = 1 ]; then
    cp "$out/e2e-window.png" "$(dirname "$0")/../../docs/screenshot-e2e.png"
fi

# Esc presses Exit: the program ends by itself.
click 300 104 # the window's background: the keys go to it
xdotool key Escape
within 50 bash -c "! kill -0 $app_pid 2>/dev/null" || fail "Esc did not end the program"
status=0
wait "$app_pid" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status"

kill -TERM "$sim_pid"
status=0
wait "$sim_pid" || status=$?
[ "$status" -eq 0 ] || fail "the simulator ended with status $status"

echo "e2e: passed in $((SECONDS - started)) s (opened the port, sent AT, the device got it," \
    "the echo showed, Esc ended the program)"
