#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it from its own directory, where its
# run-time files are. With a display it runs full screen until Esc. Without one it runs under a
# virtual X display for a few seconds, then presses F12 (which saves the screen to screen.bmp)
# and Esc as a user would, and leaves build/release/screen.bmp and a PNG copy, screen.png.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh
cmake --preset release >/dev/null
cmake --build --preset release --target game
cd build/release

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec ./game
fi

echo "No display found: running under Xvfb for a few seconds."
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY="$display"
for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break || sleep 0.1
done

./game &
game=$!
sleep 4
# Keys are held for a moment, as fingers hold them, so that a frame sees them down.
press() {
    xdotool keydown "$1"
    sleep 0.3
    xdotool keyup "$1"
    sleep 0.3
}
xdotool search --sync --onlyvisible --name '^game$' windowactivate --sync 2>/dev/null || true
press F12
press Escape
status=0
wait $game || status=$?
if [ -f screen.bmp ]; then
    convert screen.bmp screen.png
    echo "The screen the program showed: $(pwd)/screen.bmp and $(pwd)/screen.png"
fi
echo "game exited with status $status"
exit $status
