# virtual-display.sh -- sourced by the scripts that run programs headless. start_virtual_display
# starts an X server of its own (Xvfb) with a 24-bit screen of the given size, on a display number
# that Xvfb picks free itself (so that runs at the same time never share a server), waits until
# it lets a client in and exports DISPLAY. Its process id is in $xvfb; stop_virtual_display ends
# it, and is safe to call when none was started.

xvfb=""

start_virtual_display() {
    local size="$1" numberfile
    numberfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$numberfile" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do
        [ -s "$numberfile" ] && break || sleep 0.1
    done
    if [ ! -s "$numberfile" ]; then
        rm -f "$numberfile"
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$(head -n1 "$numberfile")"
    rm -f "$numberfile"
    # The number is known once the server listens; a client is let in a moment later.
    for _ in $(seq 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        kill -0 "$xvfb" 2>/dev/null || break
        sleep 0.1
    done
    echo "Xvfb on $DISPLAY does not answer" >&2
    return 1
}

stop_virtual_display() {
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null || true
        xvfb=""
    fi
}
