#!/usr/bin/env bash
# The real program in a real window under X: open "COM1" (the device
# simulator, echoing), type into the Send area, send, and read the echo back
# out of the Receive area; a screenshot of the window is kept.
#   end_to_end.sh <tarvessa> <tarvessa-sim> <output dir>
set -euo pipefail
app=$1 sim=$2 out=$3
mkdir -p "$out"

fail() {
    echo "e2e: $*" >&2
    exit 1
}
for tool in xdotool xclip import; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps installs it)"
done

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

# A display of our own unless one is given.
if [ -z "${DISPLAY:-}" ]; then
    command -v Xvfb >/dev/null || fail "no DISPLAY and no Xvfb"
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
    done
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=$display
    for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
fi
unset QT_QPA_PLATFORM

# Waits up to $1 tenths of a second for the command that follows to succeed.
within() {
    local tries=$1
    shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

"$sim" echo >"$out/sim.out" &
pids+=($!)
within 50 test -s "$out/sim.out" || fail "the simulator did not start"
device=$(head -n 1 "$out/sim.out")

TARVESSA_PORTS=$device "$app" >"$out/app.log" 2>&1 &
app_pid=$!
pids+=($app_pid)

window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tarvessa$' | head -n 1) ||
    fail "the window did not appear"

# Clicks at a point of the window's client area.
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }

click 48 260 # Open COM
within 50 xdotool search --onlyvisible --name '^成功！$' >/dev/null ||
    fail "no success notice after Open COM"
# The notice stands over the middle of the main window: OK hides it.
notice=$(xdotool search --onlyvisible --name '^成功！$' | head -n 1)
xdotool mousemove --window "$notice" 139 62 click 1
within 50 bash -c "! xdotool search --onlyvisible --name '^成功！$' >/dev/null" ||
    fail "OK did not hide the notice"

click 200 132 # the Send area
xdotool type --delay 20 "AT"
click 227 260 # Send Data

# The echo arrives in the Receive area; read it through the clipboard.
receive_area() {
    click 200 180
    xdotool key --clearmodifiers ctrl+a ctrl+c
    sleep 0.1
    [ "$(xclip -o -selection clipboard 2>/dev/null)" = "AT" ]
}
within 50 receive_area || fail "the Receive area does not show the echo: '$(xclip -o -selection clipboard 2>/dev/null)'"

import -window "$window" "$out/e2e-window.png"
if [ "${TARVESSA_UPDATE_DOCS:-}" = 1 ]; then
    cp "$out/e2e-window.png" "$(dirname "$0")/../../docs/screenshot-e2e.png"
fi

# Esc presses Exit: the program ends by itself.
click 300 104 # the window's background: the keys go to it
xdotool key Escape
within 50 bash -c "! kill -0 $app_pid 2>/dev/null" || fail "Esc did not end the program"
wait "$app_pid" || fail "the program ended with status $?"
echo "e2e: passed (window opened the port, sent AT, showed the echo, ended on Esc)"
