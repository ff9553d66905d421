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
trap stop_virtual_display EXIT
start_virtual_display 1280x1024

valgrind --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect --error-exitcode=99 \
    --suppressions=../../scripts/valgrind.supp --num-callers=40 \
    --log-file=memcheck.log ${VALGRIND_EXTRA:-} ./game &
game=$!

# Under valgrind a frame takes a while: keys are held until the program has seen them.
xdotool search --sync --name '^game$' >/dev/null 2>&1 || true
sleep 5
xdotool keydown F12
for _ in $(seq 120); do
    [ -f screen.bmp ] && break || sleep 0.5
done
xdotool keyup F12
xdotool keydown Escape
for _ in $(seq 120); do
    kill -0 $game 2>/dev/null && sleep 0.5 || break
done
xdotool keyup Escape 2>/dev/null || true
status=0
wait $game || status=$?

grep -A5 'LEAK SUMMARY' memcheck.log | sed 's/^==[0-9]*== //'
grep 'ERROR SUMMARY' memcheck.log | sed 's/^==[0-9]*== //'
[ -f screen.bmp ] || { echo "the screenshot was not written"; status=1; }
echo "valgrind run of the demo: exit status $status (report: $(pwd)/memcheck.log)"
exit $status
