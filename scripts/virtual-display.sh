# virtual-display.sh -- sourced by the scripts that run programs headless. start_virtual_display
# starts an X server of its own (Xvfb) with a 24-bit screen of the given size, on a display number
# that Xvfb picks free itself (so that runs at the same time never share a server), waits until
# it lets a client in and exports DISPLAY. Its process id is in $xvfb and what it printed in
# $xvfb_log; display_state says whether it still answers. stop_virtual_display ends it and waits
# until it has gone, so that the next server never starts beside a dying one; it is safe to call
# when none was started.

xvfb=""
xvfb_log=""

start_virtual_display() {
    local size="$1" numberfile
    numberfile=$(mktemp)
    xvfb_log=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$numberfile" >"$xvfb_log" 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do
        [ -s "$numberfile" ] && break || sleep 0.1
    done
    if [ ! -s "$numberfile" ]; then
        rm -f "$numberfile"
        xvfb_failed "Xvfb did not start"
        return 1
    fi
    export DISPLAY=":$(head -n1 "$numberfile")"
    rm -f "$numberfile"
    # The number is known once the server listens; a client is let in a moment later.
    for _ in $(seq 100); do
        timeout 10 xdpyinfo >/dev/null 2>&1 && return 0
        kill -0 "$xvfb" 2>/dev/null || break
        sleep 0.1
    done
    xvfb_failed "Xvfb on $DISPLAY does not answer"
    return 1
}

# xvfb_failed <what>: says what went wrong, and what the server printed, on standard error.
xvfb_failed() {
    echo "$1; it said:" >&2
    cat "$xvfb_log" >&2
}

# display_state: one line on the virtual display, for messages about a step that failed.
display_state() {
    if [ -z "$xvfb" ]; then
        echo "no virtual display"
    elif ! kill -0 "$xvfb" 2>/dev/null; then
        echo "the virtual display $DISPLAY has ended: $(tr '\n' ' ' <"$xvfb_log")"
    elif timeout 10 xdpyinfo >/dev/null 2>&1; then
        echo "the virtual display $DISPLAY answers"
    else
        echo "the virtual display $DISPLAY does not answer"
    fi
}

stop_virtual_display() {
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null || true
        for _ in $(seq 100); do
            kill -0 "$xvfb" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$xvfb" 2>/dev/null || true
        rm -f "$xvfb_log"
        xvfb=""
    fi
}
