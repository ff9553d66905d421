#!/usr/bin/env bash
# Runs the input example in a development window (ENGINE_WINDOW=2) on a 1920x1400 virtual screen,
# once with each full-screen scaling (fit, integer and smooth), and checks: the window is 1600x1200 and
# centred, Alt+Enter makes it full screen and back, the window can be resized with the picture
# scaled to it, and in each state a scripted click lands where the program records it, in the
# display's own coordinates (the cross-hair through the pointer and the lit hit-test button in
# the F12 screenshot).
#
#   scripts/window-test.sh [build directory]
set -uo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/release}" && pwd) || exit 1
folder="$build/examples/input"
[ -x "$folder/input" ] || { echo "FAIL window: the input example is not built in $build"; exit 1; }

source scripts/virtual-display.sh
trap stop_virtual_display EXIT
start_virtual_display 1920x1400
export SDL_AUDIODRIVER=dummy ENGINE_WINDOW=2
export ASAN_OPTIONS="${ASAN_OPTIONS-detect_leaks=0}"
failures=0
fail() { echo "FAIL window ($scale): $*"; failures=$((failures + 1)); }

# wait_for <what> <command...>: runs the command until it succeeds, for at most 30 seconds.
wait_for() {
    local what="$1"
    shift
    for _ in $(seq 300); do
        "$@" && return 0
        sleep 0.1
    done
    fail "waited 30 s for $what"
    return 1
}

# window_at <x> <y> <width> <height>: the program's window is there, that size. The window is
# looked up each time: SDL may replace the first X window it made with another as it starts.
window_at() {
    window=$(xdotool search --onlyvisible --name '^input$' 2>/dev/null | tail -n1)
    [ "$(geometry)" = "$*" ]
}

# geometry: the window's place and size, as "x y width height".
geometry() {
    xwininfo -id "$window" 2>/dev/null | awk '/Absolute upper-left X/ {x=$4}
        /Absolute upper-left Y/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

# wait_for_geometry <x> <y> <width> <height> <what>: waits for the window to be there, that size.
wait_for_geometry() {
    wait_for "$5 at $1 $2 $3 $4" window_at "$1" "$2" "$3" "$4" ||
        echo "    the window is at $(geometry)"
}

# The picture's place on the screen: its left and top edges and the screen pixels per picture
# pixel, set by each mode below.
left=0 top=0 zoom=1

# screen_x <x>, screen_y <y>: the screen pixel at the centre of picture pixel x (or y).
screen_x() { awk -v o="$left" -v p="$1" -v z="$zoom" 'BEGIN {print int(o + (p + 0.5) * z)}'; }
screen_y() { awk -v o="$top" -v p="$1" -v z="$zoom" 'BEGIN {print int(o + (p + 0.5) * z)}'; }

# near <r,g,b> <r,g,b>: the colours match, give or take the rounding of 16-bit pixels.
near() {
    local IFS=,
    local a=($1) b=($2)
    for i in 0 1 2; do
        [ -n "${a[i]:-}" ] && [ $(( a[i] > b[i] ? a[i] - b[i] : b[i] - a[i] )) -le 12 ] || return 1
    done
}

# pixel <file> <x> <y>: the pixel's colour as r,g,b.
pixel() {
    convert "$1" -format \
        "%[fx:round(255*p{$2,$3}.r)],%[fx:round(255*p{$2,$3}.g)],%[fx:round(255*p{$2,$3}.b)]" info:
}

# screen_pixel_is <x> <y> <r,g,b>: the virtual screen shows about that colour there.
screen_pixel_is() {
    near "$(import -window root -crop "1x1+$1+$2" +repage \
        -format '%[fx:round(255*r)],%[fx:round(255*g)],%[fx:round(255*b)]' info: 2>/dev/null)" "$3"
}

# shown_pixel_is <x> <y> <r,g,b>: the screen shows picture pixel (x, y) in about that colour.
shown_pixel_is() { screen_pixel_is "$(screen_x "$1")" "$(screen_y "$2")" "$3"; }

# pointer_shown <x> <y>: the cross-hair's column shows at picture x; if not, the pointer is nudged
# off its place and back, so that the program hears of it again.
pointer_shown() {
    shown_pixel_is "$1" 540 70,70,100 && return 0
    xdotool mousemove "$(( $(screen_x "$1") + 1 ))" "$(screen_y "$2")" \
        mousemove "$(screen_x "$1")" "$(screen_y "$2")"
    return 1
}

# click_at <x> <y> <button> <lit button's left edge>: clicks the screen point over picture pixel
# (x, y), saves the screen with F12 and checks that the program drew its cross-hair (70,70,100)
# through (x, y) and lit (0,200,0) the hit-test button clicked.
click_at() {
    local x="$1" y="$2" button="$3" lamp="$4"
    rm -f "$folder/screen.bmp"
    # The pointer first, and the click once the cross-hair shows below it: a click that SDL takes
    # together with the window's gaining focus is dropped as the focusing click.
    # A move made while the window is still changing size may reach the program before its new
    # size does; the pointer is nudged and put back until the program shows it, as a hand would.
    xdotool mousemove "$(screen_x "$x")" "$(screen_y "$y")"
    wait_for "the cross-hair on the screen at x=$x" pointer_shown "$x" "$y"
    xdotool click "$button"
    wait_for "the button at x=$lamp lit on the screen" shown_pixel_is $((lamp + 5)) 395 0,200,0
    # F12 is held until the screenshot is written: the program reads it once a frame.
    xdotool keydown F12
    wait_for "the F12 screenshot" identify "$folder/screen.bmp" >/dev/null 2>&1
    xdotool keyup F12
    [ -f "$folder/screen.bmp" ] || return
    # The cross-hair's column below the buttons and its row right of them, in the program's own
    # picture: the pointer's position as the program has it.
    local column row lit
    column=$(pixel "$folder/screen.bmp" "$x" 540)
    row=$(pixel "$folder/screen.bmp" 790 "$y")
    lit=$(pixel "$folder/screen.bmp" $((lamp + 5)) 395)
    near "$column" 70,70,100 || fail "no cross-hair column at x=$x (pixel $x,540 is $column)"
    near "$row" 70,70,100 || fail "no cross-hair row at y=$y (pixel 790,$y is $row)"
    near "$lit" 0,200,0 || fail "the button at x=$lamp is not lit by the click at $x,$y ($lit)"
}

for scale in ${SCALES:-fit integer smooth}; do
    export ENGINE_SCALE=$scale
    (cd "$folder" && exec timeout 120 ./input) &
    program=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --name '^input$' | head -n1)
    if [ -z "$window" ]; then
        fail "no window within 30 s"
        kill "$program" 2>/dev/null
        wait "$program" 2>/dev/null
        continue
    fi

    # Twice the display's 800x600, centred on the 1920x1400 screen.
    wait_for_geometry 160 100 1600 1200 "a 1600x1200 window"
    left=160 top=100 zoom=2
    click_at 101 351 1 20

    xdotool key alt+Return
    wait_for_geometry 0 0 1920 1400 "full screen after Alt+Enter"
    # Whole-number scaling shows the picture twice its size again with black around it; the fit,
    # plain or smooth, fills the height, 7/3 screen pixels per picture pixel.
    if [ "$scale" = integer ]; then
        left=160 top=100 zoom=2
        wait_for "the picture at its full-screen place, black left of it" \
            eval 'shown_pixel_is 10 500 24,24,32 && screen_pixel_is 120 700 0,0,0'
    else
        left=27 top=0 zoom=$(awk 'BEGIN {print 1400 / 600}')
        wait_for "the picture at its full-screen place" shown_pixel_is 10 500 24,24,32
    fi
    click_at 302 333 1 215
    # Across the cross-hair's column, drawn pixel by pixel there are two colours, the line's and
    # the background's; filtered, their edges blend into more.
    colours=$(import -window root -crop "20x1+$(($(screen_x 302) - 10))+$(screen_y 540)" +repage \
        -format %k info:)
    if [ "$scale" = smooth ]; then
        [ "$colours" -gt 2 ] || fail "smooth scaling shows the cross-hair's edges unfiltered"
    else
        [ "$colours" -eq 2 ] || fail "$colours colours across the cross-hair, not 2"
    fi

    xdotool key alt+Return
    wait_for_geometry 160 100 1600 1200 "the window back after a second Alt+Enter"
    # The window offers itself to window managers as resizable, and a narrower window shows the
    # picture at its height, centred between bars.
    xprop -id "$window" WM_NORMAL_HINTS | grep 'maximum size: 2147483647 by 2147483647' >/dev/null ||
        fail "the window is not resizable: $(xprop -id "$window" WM_NORMAL_HINTS | tr -s '\n\t' ' ')"
    xdotool windowsize "$window" 1000 600
    wait_for_geometry 160 100 1000 600 "the window made 1000x600"
    left=260 top=100 zoom=1
    wait_for "the picture between bars in the narrower window" eval \
        'shown_pixel_is 10 500 24,24,32 && screen_pixel_is 250 400 0,0,0'
    click_at 497 377 3 410

    # Esc is held until the program ends: it reads the key once a frame.
    xdotool keydown Escape
    wait_for "the program to end on Esc" eval "! kill -0 $program 2>/dev/null"
    xdotool keyup Escape
    status=0
    wait "$program" || status=$?
    [ "$status" -eq 0 ] || fail "Esc ended it with status $status"
    echo "window ($scale): done"
done

# With no display to reach the program ends at once and says so, instead of running unseen.
scale=none
message=$(cd "$folder" && DISPLAY=:9999 timeout 60 ./input 2>&1 >/dev/null)
status=$?
[ "$status" -ne 124 ] || fail "still running a minute after starting with no display"
grep -q 'no display could be opened' <<<"$message" || fail "no word of the missing display: $message"

if [ "$failures" -ne 0 ]; then
    echo "window: $failures checks failed"
    exit 1
fi
echo "window: every check passed"
