#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it from its own directory, where its
# run-time files are. With a display it runs full screen until Esc. Without one it runs under a
# virtual X display for a few seconds, takes a picture of the screen (build/release/window.png)
# and presses Esc as a user would.
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
sleep 3
import -display "$display" -window root window.png
xdotool search --sync --onlyvisible --name '^game$' windowactivate --sync 2>/dev/null || true
xdotool key Escape
status=0
wait $game || status=$?
echo "game exited with status $status; the screen it showed: $(pwd)/window.png"
exit $status
