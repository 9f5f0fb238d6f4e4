# Shared by the end-to-end test and the screenshot script (sourced, not run):
# bounded waits, and an X display of their own when none is given.

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

# own_display <dir>: unless DISPLAY is set, starts Xvfb (which picks a free
# display number itself, so parallel runs do not race for one), adds its pid to
# the caller's array `pids` and exports DISPLAY. Non-zero when it cannot.
own_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    command -v Xvfb >/dev/null || { echo "no DISPLAY and no Xvfb" >&2 && return 1; }
    : >"$1/xvfb.display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/xvfb.display" \
        >"$1/xvfb.log" 2>&1 &
    pids+=("$!")
    within 100 grep -q '^[0-9]' "$1/xvfb.display" || { cat "$1/xvfb.log" >&2 && return 1; }
    DISPLAY=":$(head -n 1 "$1/xvfb.display")"
    export DISPLAY
    within 50 xdotool getmouselocation >/dev/null 2>&1
}
