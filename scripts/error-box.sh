#!/usr/bin/env bash
# Shows the program's fatal-error box on a virtual X display, under the C locale as on a bare
# machine, and saves its picture (docs/error-box.png unless another file is named). Fails when
# the upper half of the box, where the two lines of text stand, is blank.
set -euo pipefail
cd "$(dirname "$0")/.."
picture="${1:-docs/error-box.png}"

scripts/setup-debian.sh
cmake --preset release >/dev/null
cmake --build --preset release --target error_box

source scripts/virtual-display.sh
source scripts/drive.sh
trap stop_virtual_display EXIT
start_virtual_display 640x480

# box_shows_text: saves the screen's picture, trimmed to the box, and succeeds when the upper half
# of it, where the two lines of text stand, holds light text on the dark box (an empty box, or the
# black screen before the box, has almost no light pixels there).
box_shows_text() {
    import -window root -trim +repage "$picture" 2>/dev/null || return 1
    local ink
    ink="$(convert "$picture" -gravity North -crop 100%x50%+0+0 +repage -colorspace Gray \
        -threshold 50% -format '%[fx:mean > 0.03 ? 1 : 0]' info: 2>/dev/null)"
    [ "$ink" = 1 ]
}

env -u LANG -u LC_ALL -u LC_CTYPE LANGUAGE= build/release/error_box &
box=$!
status=0
wait_for "the fatal-error box with its text" box_shows_text || status=1
kill $box 2>/dev/null || true
wait $box 2>/dev/null || true
if [ $status -ne 0 ]; then
    echo "the box shows no text"
    exit 1
fi
echo "The fatal-error box: $picture"
