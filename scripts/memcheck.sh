#!/usr/bin/env bash
# Runs the demo under valgrind on a virtual X display, presses F12 and then Esc as a user would,
# and fails when memory was read or written wrongly or when a block was definitely or indirectly
# lost. What SDL, fontconfig, D-Bus, Mesa and the dynamic loader keep for the life of the process
# is named in scripts/valgrind.supp. The report is build/release/memcheck.log.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release >/dev/null
cmake --build --preset release --target game
cd build/release
rm -f screen.bmp

source ../../scripts/virtual-display.sh
source ../../scripts/drive.sh
trap stop_virtual_display EXIT

# run_game: one run of the game under valgrind on a new virtual display, driven as a user would.
# Sets status to the game's exit status. The time limit only stops a run that hangs; every step
# waits for the effect it expects. Under valgrind the start and each frame take a while: the window
# gets up to five minutes to show, and each key is held until its effect shows, for up to two.
run_game() {
    start_virtual_display 1280x1024
    timeout 1200 valgrind --leak-check=full --show-leak-kinds=definite,indirect \
        --errors-for-leak-kinds=definite,indirect --error-exitcode=99 \
        --suppressions=../../scripts/valgrind.supp --num-callers=40 \
        --log-file=memcheck.log ${VALGRIND_EXTRA:-} ./game 2> >(tee memcheck.stderr >&2) &
    game=$!
    drive_limit=300
    wait_for "the game's window" shown_or_ended || true
    if process_ended $game; then
        echo "the game ended before its window showed; $(display_state)"
    else
        drive_limit=120
        hold_key_until F12 "screen.bmp from F12" test -f screen.bmp || true
        hold_key_until Escape "the game to end after Esc" process_ended $game ||
            kill $game 2>/dev/null
    fi
    status=0
    wait $game || status=$?
    stop_virtual_display
}
shown_or_ended() { window_shows game || process_ended $game; }

run_game
# A virtual display the game could not reach says nothing about the game's memory: that run is
# made again once, on a display of its own.
if [ ! -f screen.bmp ] && grep -q 'no display could be opened' memcheck.stderr; then
    echo "trying once more on a new virtual display"
    run_game
fi

grep -A5 'LEAK SUMMARY' memcheck.log | sed 's/^==[0-9]*== //'
grep 'ERROR SUMMARY' memcheck.log | sed 's/^==[0-9]*== //'
[ -f screen.bmp ] || { echo "the screenshot was not written"; status=1; }
echo "valgrind run of the demo: exit status $status (report: $(pwd)/memcheck.log)"
exit $status
