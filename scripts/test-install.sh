#!/usr/bin/env bash
# Installs the engine into a temporary prefix as a game's author would, and builds the starter
# (examples/starter) outside the tree against that prefix: with CMake and with pkg-config. Runs
# the starter's own test (starter_test, on the installed test library) headless, then the starter
# under a virtual X display: the ball must be drawn where the mouse is, and Esc must end it
# with status 0 (each step waits for its effect, up to 30 seconds). Checks that every header
# docs/guide.md names is installed. Then the same for Windows: installs build/windows,
# cross-compiles the starter with MinGW-w64 against it, and runs the same checks under wine when
# wine is there.
# Expects build/release (at least engine, platform, platform_entry, engine_testing) and, unless --linux-only is
# given, build/windows to be built.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

work=$(mktemp -d)
source scripts/virtual-display.sh
source scripts/drive.sh
cleanup() {
    stop_virtual_display
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "test-install: $*" >&2
    exit 1
}

# --- Linux -------------------------------------------------------------------------------------
prefix="$work/prefix"
cmake --install build/release --prefix "$prefix" >/dev/null
scripts/check-guide-headers.sh docs/guide.md "$prefix/include/engine"

# The starter is copied away from the tree first, as a newcomer would copy it.
cp -r examples/starter "$work/starter"
cmake -S "$work/starter" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/build" >/dev/null
# pkg-config gives the same program in one compiler line.
PKG_CONFIG_PATH="$prefix/lib/pkgconfig" c++ -std=c++17 -o "$work/starter-pc" "$work/starter/starter.cpp" \
    $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs engine-main)

# The starter's own test, built with the installed test library (and once more with pkg-config),
# runs the game headless: the ball at the scripted mouse, a scripted Esc ending it.
(cd "$work/build" && ctest --output-on-failure) >"$work/starter-test.log" 2>&1 ||
    { cat "$work/starter-test.log" >&2; fail "the starter's test failed against the installed engine"; }
c++ -std=c++17 -o "$work/starter-test-pc" "$work/starter/starter_test.cpp" "$work/starter/starter.cpp" \
    $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs engine-testing)
(cd "$work/build" && "$work/starter-test-pc" >/dev/null) || fail "the starter's test built with pkg-config failed"
echo "Starter's test on the installed test library: passed (CMake and pkg-config builds)"

# A screen of the display's own size, so the picture lands on it one to one.
start_virtual_display 800x600
export SDL_AUDIODRIVER=dummy

# run_starter COMMAND...: runs the starter from the current directory, waits for its window,
# moves the mouse, waits for the ball under it (background elsewhere), holds Esc as a user would
# until the program ends and checks its status is 0. Each wait gives up after 30 seconds, naming
# what it waited for; a starter that hangs is stopped after five minutes.
run_starter() {
    timeout 300 "$@" &
    local game=$!
    wait_for "the starter's window" window_shows starter || fail "$*: no window"
    xdotool mousemove 200 150
    wait_for "the ball under the mouse at (200, 150)" ball_drawn || \
        fail "$*: under the mouse at (200, 150): got $(screen_pixel 200 150), expected the ball, 250,190,30;" \
            "away from the mouse at (600, 450): got $(screen_pixel 600 450), expected the background, 20,40,70"
    local status=0
    hold_key_until Escape "the starter to end after Esc" process_ended $game || {
        kill $game
        fail "$*: did not end on Esc"
    }
    wait $game || status=$?
    [ $status -eq 0 ] || fail "$*: ended with status $status after Esc"
}

# ball_drawn: the ball is under the mouse and the background away from it.
ball_drawn() { [ "$(screen_pixel 200 150)" = 250,190,30 ] && [ "$(screen_pixel 600 450)" = 20,40,70 ]; }

cd "$work/build"
run_starter ./starter
cd "$root"
echo "Starter on the installed engine: built, drew the ball at the mouse, ended with status 0 on Esc"

[ "${1:-}" = "--linux-only" ] && exit 0

# --- Windows -----------------------------------------------------------------------------------
winprefix="$work/winprefix"
cmake --install build/windows --prefix "$winprefix" >/dev/null
cmake -S "$work/starter" -B "$work/winbuild" -DCMAKE_PREFIX_PATH="$winprefix" \
    -DCMAKE_TOOLCHAIN_FILE="$winprefix/share/engine/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$work/winbuild" >/dev/null
[ -f "$work/winbuild/starter.exe" ] || fail "no starter.exe"
echo "Starter for Windows on the installed engine: built"
if command -v wine >/dev/null 2>&1; then
    export WINEPREFIX="$work/wine" WINEDEBUG=-all
    timeout 120 wineboot -i >/dev/null 2>&1 || fail "wine could not set up its prefix"
    cd "$work/winbuild"
    run_starter wine starter.exe
    cd "$root"
    wineserver -k 2>/dev/null || true
    echo "Starter for Windows under wine: drew the ball at the mouse, ended with status 0 on Esc"
fi
