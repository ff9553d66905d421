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
trap stop_virtual_display EXIT
start_virtual_display 640x480

env -u LANG -u LC_ALL -u LC_CTYPE LANGUAGE= build/release/error_box &
box=$!
sleep 3
import -window root -trim +repage "$picture"
kill $box 2>/dev/null || true
wait $box 2>/dev/null || true
echo "The fatal-error box: $picture"
# Light text on the dark box: an empty box has almost no light pixels above its button.
ink="$(convert "$picture" -gravity North -crop 100%x50%+0+0 +repage -colorspace Gray \
    -threshold 50% -format '%[fx:mean > 0.03 ? 1 : 0]' info:)"
if [ "$ink" != 1 ]; then
    echo "the box shows no text"
    exit 1
fi
