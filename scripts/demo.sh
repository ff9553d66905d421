#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it from its own directory, where its
# run-time files are:
#
#   scripts/demo.sh                    the demonstration scene (build/release/game)
#   scripts/demo.sh <example> [depth]  one example, e.g. "scripts/demo.sh sprites 8"
#
# With a display it runs full screen until Esc. Without one it runs under a virtual X display for
# a few seconds, then presses F12 (which saves the screen to screen.bmp, and in the examples to
# screen.png too) and Esc as a user would, each held until its effect shows (the file, the
# program's end; 30 seconds at most), and leaves screen.bmp and screen.png beside the program.
# The examples pace themselves at sixty frames a second (SetFrameRate), so no frame cap is set for
# them. The scene sets no frame rate and runs uncapped, as ever; "ENGINE_FRAME_CAP=vsync
# scripts/demo.sh" shows it at the monitor's pace.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/virtual-display.sh
source scripts/drive.sh
# The examples are the programs examples/CMakeLists.txt makes with engine_example().
examples=($(sed -n 's/^engine_example(\([a-z_0-9]*\) .*/\1/p' examples/CMakeLists.txt))

name="${1:-game}"
if [ "$name" != game ] && [[ ! " ${examples[*]} " =~ " $name " ]]; then
    echo "usage: $0 [example [depth]]; the examples: ${examples[*]}" >&2
    exit 2
fi
shift || true

scripts/setup-debian.sh
cmake --preset release >/dev/null
cmake --build --preset release --target "$name"
if [ "$name" = game ]; then
    cd build/release
    wait_seconds=4
else
    cd "build/release/examples/$name"
    wait_seconds=3
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "./$name" "$@"
fi

echo "No display found: running under Xvfb for a few seconds."
trap stop_virtual_display EXIT
start_virtual_display 1280x1024

rm -f screen.bmp screen.png
"./$name" "$@" &
program=$!
# Each key stays held until its effect shows: a busy machine may draw its frames late.
wait_for "the $name window" window_shows "$name" || { kill $program; exit 1; }
xdotool search --onlyvisible --name "^$name\$" windowactivate --sync >/dev/null 2>&1 || true
# A few seconds of the program running, to show it moving, before the screen is saved.
sleep "$wait_seconds"
hold_key_until F12 "screen.bmp from F12" test -s screen.bmp || true
hold_key_until Escape "the program to end after Esc" process_ended $program || kill $program
status=0
wait $program || status=$?
# The examples' F12 saves screen.png itself; the scene's saves screen.bmp only.
if [ -f screen.bmp ]; then
    [ -f screen.png ] || convert screen.bmp screen.png
    echo "The screen the program showed: $(pwd)/screen.bmp and $(pwd)/screen.png"
fi
echo "$name exited with status $status"
exit $status
