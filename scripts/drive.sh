# drive.sh -- sourced by the scripts that drive programs with xdotool. Nothing is given a fixed
# time to happen: each step waits for the effect it expects (a window shows, a file appears, a
# pixel turns a colour, a process ends), keys stay held until then, and a step that sees no
# effect within $drive_limit seconds (30 unless the caller set it) says what it waited for. Each
# X client here is given 10 seconds, so that a display that stops answering cannot stall a wait
# past its limit. Needs virtual-display.sh.

drive_limit="${drive_limit:-30}"

# wait_for <what> <command...>: runs the command every tenth of a second until it succeeds.
# Fails with "timed out ... waiting for <what>" on standard error after $drive_limit seconds.
wait_for() {
    local what="$1"
    shift
    local deadline=$((SECONDS + drive_limit))
    until "$@"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "timed out after $drive_limit s waiting for $what ($(display_state))" >&2
            return 1
        fi
        sleep 0.1
    done
}

# hold_key_until <key> <what> <command...>: holds the key down until the command succeeds, then
# lets it go; a busy program sees the key in whichever frame comes next, however late.
hold_key_until() {
    local key="$1" status=0
    shift
    xdotool keydown "$key"
    wait_for "$@" || status=$?
    xdotool keyup "$key"
    return $status
}

# window_shows <name>: a visible window of that exact name exists.
window_shows() { timeout 10 xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }

# process_ended <pid>: the process has ended.
process_ended() { ! kill -0 "$1" 2>/dev/null; }

# screen_pixel <x> <y>: the colour on the virtual display at x, y, as r,g,b.
screen_pixel() {
    timeout 10 import -window root -crop "1x1+$1+$2" +repage \
        -format '%[fx:round(255*r)],%[fx:round(255*g)],%[fx:round(255*b)]' info: 2>/dev/null
}

# pixel_near <x> <y> <r,g,b>: the screen's pixel there is that colour, give or take 12 per
# channel (the rounding of 16-bit pixels).
pixel_near() {
    local got
    got=$(screen_pixel "$1" "$2") || return 1
    local IFS=,
    local g=($got) e=($3)
    [ ${#g[@]} -eq 3 ] || return 1
    for i in 0 1 2; do
        [ $(( g[i] > e[i] ? g[i] - e[i] : e[i] - g[i] )) -le 12 ] || return 1
    done
}

# pixel_not <x> <y> <r,g,b>: the screen's pixel there is clearly not that colour.
pixel_not() { screen_pixel "$1" "$2" >/dev/null && ! pixel_near "$@"; }
