#!/usr/bin/env bash
# Screenshots of the real window under Xvfb, fed by the device simulator:
#   tools/screenshots.sh <build dir> <output dir>
# screenshot-window.png (at start, port closed), waveform-mode0.png ("单字节自动", a sine
# of single bytes), waveform-mode2-s3.png ("单字节0-255" dealt over three
# series), waveform-mode4.png ("双字节自选", a sine of 16-bit pairs, default
# range). Uses $DISPLAY when set, otherwise an Xvfb of its own.
set -euo pipefail
[ $# -eq 2 ] || {
    echo "usage: $0 <build dir> <output dir>" >&2
    exit 2
}
build=$1 out=$2
app="$build/app/tarvessa" sim="$build/tools/tarvessa-sim"
mkdir -p "$out"
work=$(mktemp -d)

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "screenshots: $*" >&2
    exit 1
}

source "$(dirname "$0")/xsession.sh"
own_display "$work" || fail "no X display"
unset QT_QPA_PLATFORM

notice_shown() { xdotool search --onlyvisible --name '^成功！$' >/dev/null 2>&1; }

# shot <file> <waveform entry, or -1 for the port left closed> <clicks on S>
#      <simulator options...>
shot() {
    local file=$1 mode=$2 sclicks=$3
    shift 3
    "$sim" "$@" >"$work/sim.out" &
    local sim_pid=$!
    within 50 test -s "$work/sim.out" || fail "the simulator did not start"
    TARVESSA_PORTS=$(head -n 1 "$work/sim.out") "$app" >"$work/app.log" 2>&1 &
    local app_pid=$!
    pids+=("$sim_pid" "$app_pid")
    local w
    w=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tarvessa$' | head -n 1) ||
        fail "the window did not appear"
    # Clicks at a point of the window's client area.
    click() { xdotool mousemove --window "$w" "$1" "$2" click 1; }
    sleep 1.2 # past the start-up timer, so the window has settled
    if [ "$mode" -ge 0 ]; then
        click 48 260 # Open COM
        within 50 notice_shown || fail "$file: no notice after Open COM"
        local notice
        notice=$(xdotool search --onlyvisible --name '^成功！$' | head -n 1)
        xdotool mousemove --window "$notice" 139 62 click 1 # its OK
        within 50 bash -c '! xdotool search --onlyvisible --name "^成功！$" >/dev/null 2>&1' ||
            fail "$file: the notice stayed"
        for _ in $(seq "$sclicks"); do
            click 420 440 # cxButton2 ("S1"), at 400,152 in the chart
            sleep 0.1
        done
        # Typed text would leave the box without a selected entry: pick the
        # entry from the drop-down list, which opens on its first entry.
        click 436 260
        sleep 0.4
        local keys=()
        for _ in $(seq "$mode"); do keys+=(Down); done
        xdotool key --delay 60 "${keys[@]}" Return
        xdotool mousemove --window "$w" 300 104 # out of the way
        sleep 1.5                               # a few bursts, 200 ms apart
    fi
    import -window "$w" "$out/$file" || fail "$file: no screenshot"
    kill "$app_pid" "$sim_pid" 2>/dev/null || true
    wait "$app_pid" "$sim_pid" 2>/dev/null || true
    echo "$out/$file"
}

# 512 bytes per burst, one block each: four periods of 128 single-byte
# samples, or four of 64 pair samples.
sine8=(pattern --kind sine8 --burst 512 --period 128 --gap 200)
sine16=(pattern --kind sine16 --burst 512 --period 64 --gap 200)
shot screenshot-window.png -1 0 "${sine8[@]}"
shot waveform-mode0.png 0 0 "${sine8[@]}"
shot waveform-mode2-s3.png 2 2 "${sine8[@]}"
shot waveform-mode4.png 4 0 "${sine16[@]}"
