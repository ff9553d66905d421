#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the optimised build, the example
# programs run headless with scripted input, one of them in a development window switched to full
# screen and back, the bricks game left to play by itself, the same
# tests and runs under AddressSanitizer and UndefinedBehaviorSanitizer, the tests, the sound
# example and the game again under ThreadSanitizer, the demo under valgrind, the fatal-error box
# on a virtual display, the Windows build with MinGW-w64, the starter game built and run against
# an installed engine (Linux and Windows), and a run of every fuzzer (60 seconds each unless
# FUZZ_SECONDS says otherwise).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh

cmake --preset release
cmake --build --preset release
ctest --preset release
scripts/examples-test.sh build/release
scripts/window-test.sh build/release
scripts/bricks-test.sh build/release

cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize
scripts/examples-test.sh build/sanitize

cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan
# The programs whose sound runs on SDL's audio thread beside the game's, under ThreadSanitizer.
tsan_options="suppressions=$PWD/scripts/tsan.supp:halt_on_error=1"
TSAN_OPTIONS="$tsan_options" scripts/examples-test.sh build/tsan sound
TSAN_OPTIONS="$tsan_options" scripts/bricks-test.sh build/tsan

scripts/memcheck.sh
scripts/error-box.sh build/release/error-box.png

cmake --preset windows
cmake --build --preset windows
echo "Windows build: build/windows/game.exe and build/windows/examples/<name>/<name>.exe"

scripts/test-install.sh

cmake --preset fuzz
cmake --build --preset fuzz
scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
