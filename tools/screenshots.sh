#!/usr/bin/env bash
# Screenshots of the real window under Xvfb, fed by the device simulator:
#   tools/screenshots.sh <build dir> <output dir>
# window.png (at start), waveform-mode0.png ("单字节自动", sine of single
# bytes), waveform-mode2-s3.png ("单字节0-255" dealt over three series),
# waveform-mode4.png ("双字节自选", sine of 16-bit pairs, default range).
set -euo pipefail
build=$1 out=$2
app="$build/app/tarvessa" sim="$build/tools/tarvessa-sim"
mkdir -p "$out"

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
    done
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=$display
    for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
fi
unset QT_QPA_PLATFORM

# shot <simulator pattern kind> <waveform entry or -1> <clicks on S> <file>
shot() {
    local kind=$1 mode=$2 sclicks=$3 file=$4
    local simout
    simout=$(mktemp)
    "$sim" pattern --kind "$kind" --burst 512 --period 128 --gap 150 >"$simout" &
    local sim_pid=$!
    for _ in $(seq 50); do [ -s "$simout" ] && break; sleep 0.1; done
    TARVESSA_PORTS=$(head -n 1 "$simout") "$app" >/dev/null 2>&1 &
    local app_pid=$!
    local w
    w=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tarvessa$' | head -n 1)
    sleep 0.5
    if [ "$mode" -ge 0 ]; then
        xdotool mousemove --window "$w" 48 260 click 1 # Open COM
        sleep 0.5
        local notice
        notice=$(xdotool search --onlyvisible --name '^成功！$' | head -n 1)
        xdotool mousemove --window "$notice" 139 62 click 1 # OK
        for _ in $(seq "$sclicks"); do
            xdotool mousemove --window "$w" 420 440 click 1 # cxButton2
            sleep 0.1
        done
        xdotool mousemove --window "$w" 436 260 click 1 # open the mode list
        sleep 0.3
        xdotool key --delay 50 $(for _ in $(seq "$mode"); do printf 'Down '; done) Return # the list opens on its first entry
        xdotool mousemove --window "$w" 300 104 # out of the way
        sleep 1.2
    fi
    import -window "$w" "$out/$file"
    kill "$app_pid" "$sim_pid" 2>/dev/null || true
    wait "$app_pid" "$sim_pid" 2>/dev/null || true
    rm -f "$simout"
    echo "$out/$file"
}

shot sine8 -1 0 window.png
shot sine8 0 0 waveform-mode0.png
shot sine8 2 2 waveform-mode2-s3.png
shot sine16 4 0 waveform-mode4.png
