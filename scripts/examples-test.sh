#!/usr/bin/env bash
# Runs each example program headless under Xvfb, with input scripted as a user gives it (keys,
# mouse moves, clicks and the wheel, each step waiting for what it changes on the screen), and
# checks what it shows: Esc ends it with status 0, F12 leaves a screenshot whose pixels hold what
# the example draws at known spots, and the sound example's output, captured through SDL's disk
# audio driver, is not silent after a click, and its music bar moves once Space has started the
# music. A step that sees no effect within 30 seconds says what it awaited.
#
#   scripts/examples-test.sh [build directory] [example ...]
#
# The build directory (default build/release) may be any Linux build of the examples, such as a
# sanitizer build. Each example leaves screen.bmp and screen.png beside its program.
set -uo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/release}" && pwd) || exit 1
shift || true
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(shapes sprites text input joystick sound)

# An 800x600 screen: the examples' 800x600 picture fills it, so pointer positions given to
# xdotool are the picture's own coordinates.
source scripts/virtual-display.sh
source scripts/drive.sh
trap stop_virtual_display EXIT
start_virtual_display 800x600
export SDL_AUDIODRIVER=dummy
# The examples pace themselves at sixty frames a second (SetFrameRate in their shell), so the
# layer's frame cap is left to the caller.
# Against a sanitizer build, memory errors and leaks of the program's own end a program with a
# non-zero status; what outside libraries (X11, Mesa, fontconfig, D-Bus) keep is named in
# scripts/lsan.supp.
export ASAN_OPTIONS="${ASAN_OPTIONS-detect_leaks=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}"
# Libraries that SDL loads and unloads again while it runs (Mesa's software driver, udev) leave
# what they allocated unreachable once they are unmapped, where no suppression can name them: under
# AddressSanitizer the programs start with them loaded, so that what they keep stays theirs.
keep_loaded=""
# grep reads the whole list: under pipefail, a grep -q that stops at the first match can leave ldd
# failing on a closed pipe, and the test would then be taken as false.
if ldd "$build/examples/shapes/shapes" 2>/dev/null | grep libasan >/dev/null; then
    for library in /usr/lib/*/dri/swrast_dri.so /lib/*/libudev.so.1; do
        [ -f "$library" ] && keep_loaded="$keep_loaded $library"
    done
    export ASAN_OPTIONS="$ASAN_OPTIONS:verify_asan_link_order=0"
fi
failures=0

fail() { echo "FAIL $current: $*"; failures=$((failures + 1)); }

# all_lit <x,y>...: each of those screen pixels shows a lit button.
all_lit() {
    local point
    for point in "$@"; do pixel_near "${point%,*}" "${point#*,}" 0,200,0 || return 1; done
}

# start <example> [argument] [program]: runs the example (or another program in its folder) from
# its own folder and waits for its window and its first frame. The time limit on the program only
# stops one that hangs; every step below waits for what it expects instead.
start() {
    current="${3:-$1}${2:+ $2}"
    folder="$build/examples/$1"
    rm -f "$folder/screen.bmp" "$folder/screen.png"
    (cd "$folder" && LD_PRELOAD="$keep_loaded" exec timeout 300 "./${3:-$1}" ${2:-}) &
    program=$!
    wait_for "the $1 window" window_shows "$1" || fail "no window"
    # Input goes in only once the first frame is on the screen: every example paints its
    # bottom-left corner, which is black until then.
    wait_for "the first frame (the bottom-left corner painted)" first_frame || fail "no frame drawn"
    xdotool mousemove 400 300
}

first_frame() { local corner; corner=$(screen_pixel 5 595) && [ -n "$corner" ] && [ "$corner" != 0,0,0 ]; }

# Characters and buttons go through the program's message queue, where none is lost however
# late the next frame comes; each step then waits for what it changes on the screen.
click() { xdotool mousemove "$1" "$2" mousedown "${3:-1}" mouseup "${3:-1}"; }

# screen_width <x> <y> <width> <height> <r,g,b>: the width of what the screen shows in that colour
# in the region.
screen_width() {
    import -window root png:- | convert - -crop "${3}x${4}+${1}+${2}" +repage -fuzz 5% \
        -fill black +opaque "rgb($5)" -trim -format '%w' info: 2>/dev/null
}
typed_at_least() { local w; w=$(screen_width 20 505 760 40 0,255,0); [ -n "$w" ] && [ "$w" -ge "$1" ]; }
typed_at_most() { local w; w=$(screen_width 20 505 760 40 0,255,0); [ -n "$w" ] && [ "$w" -gt 10 ] && [ "$w" -le "$1" ]; }

# finish: F12 (held until the screenshot is there) saves the screen, Esc (held until the program
# is gone) must end it with status 0.
finish() {
    hold_key_until F12 "screen.bmp from F12" test -s "$folder/screen.bmp" || fail "F12 left no screen.bmp"
    hold_key_until Escape "the program to end after Esc" process_ended "$program" || {
        fail "still running after Esc"
        kill "$program" 2>/dev/null
    }
    local status=0
    wait "$program" || status=$?
    [ "$status" -eq 0 ] || fail "Esc ended it with status $status"
    [ -f "$folder/screen.bmp" ] || fail "F12 left no screen.bmp"
    [ -f "$folder/screen.png" ] || fail "F12 left no screen.png"
}

# colour <file> <x> <y>: the pixel's colour as r,g,b.
colour() {
    convert "$1" -format \
        "%[fx:round(255*p{$2,$3}.r)],%[fx:round(255*p{$2,$3}.g)],%[fx:round(255*p{$2,$3}.b)]" info:
}

# expect <x> <y> <r,g,b> <what>: the screenshot's pixel is that colour, give or take the
# rounding of 16-bit pixels.
expect() {
    [ -f "$folder/screen.bmp" ] || return
    local got
    got=$(colour "$folder/screen.bmp" "$1" "$2")
    local IFS=,
    local g=($got) e=($3)
    for i in 0 1 2; do
        if [ $(( g[i] > e[i] ? g[i] - e[i] : e[i] - g[i] )) -gt 12 ]; then
            fail "$4: pixel ($1, $2) is ($got), expected ($3)"
            return
        fi
    done
}

# count <x> <y> <width> <height> <r,g,b>: pixels of about that colour in the region.
count() {
    convert "$folder/screen.bmp" -crop "${3}x${4}+${1}+${2}" +repage -fuzz 5% -fill black \
        +opaque "rgb($5)" -fill white -opaque "rgb($5)" -format '%[fx:round(mean*w*h)]' info:
}

# bounds <x> <y> <width> <height> <r,g,b>: the box around what is drawn in that colour in the
# region, as "left right top bottom" in screen coordinates (right and bottom one past the last).
bounds() {
    convert "$folder/screen.bmp" -crop "${3}x${4}+${1}+${2}" +repage -fuzz 5% -fill black \
        +opaque "rgb($5)" -format '%@' info: 2>/dev/null |
        sed -E "s/([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)/\$((\3 + $1)) \$((\3 + \1 + $1)) \$((\4 + $2)) \$((\4 + \2 + $2))/" |
        { read -r expression; eval echo "$expression"; }
}

# near <value> <expected> <slack>: the value is within slack of the expected one.
near() { [ -n "$1" ] && [ $(( $1 > $2 ? $1 - $2 : $2 - $1 )) -le "$3" ]; }

# width <x> <y> <width> <height> <r,g,b>: the width of what is drawn in that colour in the region.
width() {
    convert "$folder/screen.bmp" -crop "${3}x${4}+${1}+${2}" +repage -fuzz 5% -fill black \
        +opaque "rgb($5)" -trim -format '%w' info: 2>/dev/null
}

for name in "${names[@]}"; do
    if [ ! -x "$build/examples/$name/$name" ]; then
        echo "FAIL $name: not built in $build"
        failures=$((failures + 1))
        continue
    fi
    case "$name" in
    shapes)
        start shapes
        finish
        expect 50 75 255,0,0 "red filled rectangle"
        expect 120 75 0,255,0 "green filled rectangle"
        expect 190 75 0,0,255 "blue filled rectangle"
        expect 790 75 20,24,40 "a fill reaching past the screen draws nothing"
        expect 560 50 255,255,255 "frame"
        expect 670 60 204,204,204 "bevel's top-left edge"
        expect 769 99 51,51,51 "bevel's bottom-right corner"
        expect 245 100 20,24,40 "clipped fill and frame stay inside the clip rectangle (left)"
        expect 475 100 20,24,40 "clipped fill and frame stay inside the clip rectangle (right)"
        ;;
    sprites)
        # At 8 bits with the palette, at 16 and at 32 bits: the same picture.
        for depth in 8 16 32; do
            start sprites $depth
            finish
            sheet=examples/sprites/data/sprites.png
            expect 53 41 255,0,255 "the sheet copied plainly shows its magenta"
            expect 261 41 0,0,51 "the sky shows through a keyed sprite's corner"
            expect 276 56 "$(colour $sheet 48 16)" "the ball where it was placed"
            expect 316 58 "$(colour $sheet 80 18)" "the star where it was placed"
            expect 5 539 "$(colour $sheet 5 3)" "the brick ground"
            expect 640 210 255,255,0 "the zoomed face's centre"
            expect 655 435 0,0,0 "the fish's eye, on its right"
            expect 725 435 0,0,0 "the mirrored fish's eye, on its left"
            expect 755 435 255,153,0 "the mirrored fish's body where the fish has its eye"
            [ "$(count 0 80 800 520 255,0,255)" = 0 ] || fail "magenta on the screen below the sheet"
            [ "$(count 250 0 550 80 255,0,255)" = 0 ] || fail "magenta around the keyed sprites"
            cp "$folder/screen.bmp" "$folder/screen$depth.bmp"
        done
        ;;
    text)
        start text
        # Four m's are 74 pixels wide, three with the caret 68; one m is 17, with the caret 30.
        xdotool key m m m m
        wait_for "four typed m's on the screen" typed_at_least 70 || fail "typed m's not shown"
        xdotool key BackSpace BackSpace BackSpace
        wait_for "Backspace to leave one m" typed_at_most 32 || fail "Backspace not shown"
        finish
        # The typed line is green; four m's and three Backspaces leave one (and maybe the caret).
        typed=$(width 20 505 760 40 0,255,0)
        [ -n "$typed" ] && [ "$typed" -gt 10 ] || fail "no typed text on the screen"
        [ -z "$typed" ] || [ "$typed" -lt 50 ] || fail "Backspace left a typed line $typed pixels wide"
        [ "$(count 20 40 360 130 255,255,255)" -gt 200 ] || fail "no text in the table's box"
        [ "$(count 380 40 30 130 255,255,255)" = 0 ] || fail "the table's text runs past its box"
        [ "$(count 420 100 200 40 255,255,255)" -gt 200 ] || fail "no 32-pixel line"
        # The measured line's bar is as wide as its letters, give or take their side bearings.
        read -r ink _ < <(width 420 150 380 14 255,255,255) || true
        read -r bar _ < <(width 420 150 380 30 255,128,0) || true
        near "$ink" "${bar:-0}" 3 || fail "the measured bar is ${bar:-no} pixels wide, the line ${ink:-no}"
        # The middle column of the panel runs from x 280 to 520: left, centred, right-aligned.
        read -r left _ < <(bounds 280 352 240 26 255,255,255) || true
        near "$left" 281 2 || fail "the left-aligned line starts at ${left:-nothing}, not at the column's left"
        read -r left right _ < <(bounds 280 378 240 26 255,255,255) || true
        near "$(( (${left:-0} + ${right:-0}) / 2 ))" 400 3 || fail "the centred line spans ${left:-?}..${right:-?}"
        read -r _ right _ < <(bounds 280 404 240 26 255,255,255) || true
        near "$right" 520 2 || fail "the right-aligned line ends at ${right:-nothing}, not at the column's right"
        # The right column's wrapped box is centred vertically in its 130 rows from y 352.
        read -r _ _ top bottom < <(bounds 540 352 240 130 255,255,255) || true
        near "$(( ${top:-0} - 352 ))" "$(( 482 - ${bottom:-0} ))" 4 || fail "the centred box spans rows ${top:-?}..${bottom:-?}"
        ;;
    input)
        start input
        # Press on one button and release on the next, with each mouse button.
        xdotool mousemove 100 350 mousedown 1 mousemove 300 350 mouseup 1
        xdotool mousemove 500 350 mousedown 3 mousemove 690 350 mouseup 3
        wait_for "the four press and release buttons lit" \
            all_lit 25,305 220,305 415,305 610,305 || fail "buttons not lit"
        xdotool mousemove 400 500 click --repeat 2 --delay 80 1
        wait_for "the left double click shown" pixel_near 233 93 255,200,0 || fail "no double click shown"
        # A key held until its press is the key log's newest entry, then let go; and the wheel
        # turned two notches away from the user.
        hold_key_until a "the key's press in the key log" pixel_near 22 442 0,220,0 || fail "no key press logged"
        wait_for "the key's release in the key log" pixel_near 22 442 230,40,40 || fail "no key release logged"
        xdotool click 4 click 4
        wait_for "the wheel two notches up" pixel_near 710 157 255,200,0 || fail "the wheel's turn not shown"
        # Held down over the second button while the screen is saved.
        xdotool mousemove 300 350 mousedown 1
        wait_for "the left button shown held" pixel_near 23 93 255,200,0 || fail "left button not shown held"
        finish
        xdotool mouseup 1
        expect 25 305 0,200,0 "LeftDownInRect button lit"
        expect 220 305 0,200,0 "LeftUpInRect button lit"
        expect 415 305 0,200,0 "RightDownInRect button lit"
        expect 610 305 0,200,0 "RightUpInRect button lit"
        expect 212 350 255,255,0 "the button under the pointer framed"
        expect 23 93 255,200,0 "left button shown held"
        expect 113 93 60,60,60 "right button shown up"
        expect 233 93 255,200,0 "left double click shown"
        expect 403 93 60,60,60 "no right double click shown"
        expect 25 155 255,200,0 "the left button's press latched"
        expect 575 155 60,60,60 "no middle button release"
        expect 22 442 230,40,40 "the key's release newest in the key log"
        expect 152 442 0,220,0 "the key's press before it"
        expect 282 442 60,60,60 "nothing before the key's press"
        expect 710 157 255,200,0 "the wheel two notches up"
        ;;
    joystick)
        # With a virtual controller (where the build has one): stick right and a little up,
        # buttons 3 and 10 held.
        if [ -x "$build/examples/joystick/joystick_virtual" ]; then
            start joystick "" joystick_virtual
            finish
            expect 450 85 0,160,255 "X bar reaches right"
            expect 350 85 60,60,60 "X bar not left"
            expect 45 280 0,160,255 "Y bar reaches up"
            expect 45 340 60,60,60 "Y bar not down"
            expect 722 303 255,200,0 "stick right lamp"
            expect 654 303 60,60,60 "stick left lamp off"
            expect 284 523 255,200,0 "button 3 lamp"
            expect 760 523 255,200,0 "button 10 lamp"
            expect 80 523 60,60,60 "button 0 lamp off"
            [ -f "$folder/screen.png" ] && mv "$folder/screen.png" "$folder/controller.png"
        fi
        # No controller: the example says so in plain words and still quits on Esc.
        start joystick
        finish
        [ "$(count 200 255 400 70 255,255,255)" -gt 300 ] || fail "no message about the missing controller"
        [ "$(count 0 500 800 100 255,200,0)" = 0 ] || fail "button lamps lit without a controller"
        ;;
    sound)
        # The mixer's output goes to a file through SDL's disk audio driver.
        audio="$build/examples/sound/audio.raw"
        rm -f "$audio"
        SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" start sound
        before=$(stat -c %s "$audio" 2>/dev/null || echo 0)
        click 150 280
        # Space starts the music; it is held until the music's bar starts to fill.
        hold_key_until space "the music's bar filling" pixel_near 42 478 255,120,0 || fail "the music never started"
        # The tone pad held for a second once it sounds, longer than the tone: it must still
        # sound, looping. The click came first in the queue, so it is over by then.
        xdotool mousemove 400 200 mousedown 1
        wait_for "the held pad lit" pixel_near 300 300 255,120,0 || fail "the held pad never lit"
        sleep 1
        finish
        xdotool mouseup 1
        expect 300 300 255,120,0 "held pad lit while it loops"
        expect 50 300 70,60,90 "the click's pad dark once the click is over"
        expect 550 300 70,60,90 "the pad not played stays dark"
        expect 42 478 255,120,0 "the music's bar filled as far as it has played"
        expect 758 478 70,60,90 "the music's bar empty beyond that"
        python3 - "$audio" "$before" <<'PY' || fail "audio: silent before the click or silent after it"
import sys
data = open(sys.argv[1], "rb").read()
before = int(sys.argv[2]) & ~3
quiet = data[:before].count(0) == before
sounding = len(data) - before - data[before:].count(0) > 1000
sys.exit(0 if quiet and sounding else 1)
PY
        ;;
    *)
        echo "no such example: $name"
        failures=$((failures + 1))
        ;;
    esac
    echo "$name: done"
done

if [ "$failures" -ne 0 ]; then
    echo "examples: $failures checks failed"
    exit 1
fi
echo "examples: every check passed"
