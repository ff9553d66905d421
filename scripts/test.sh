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

# Each stage is announced with the time since the start, so a slow or stuck one shows in the log.
# The scripts that drive programs each wait for every effect within their own limits; the time
# limits here only stop one that hangs outright, far beyond what a loaded machine needs.
stage() { echo "== $* ($((SECONDS / 60)) min $((SECONDS % 60)) s)"; }

stage setting up
scripts/setup-debian.sh

stage release build
cmake --preset release
cmake --build --preset release
stage release tests
ctest --preset release
stage programs driven headless
timeout 900 scripts/examples-test.sh build/release
timeout 600 scripts/window-test.sh build/release
timeout 600 scripts/bricks-test.sh build/release

stage sanitizer build and tests
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize
timeout 900 scripts/examples-test.sh build/sanitize

stage thread sanitizer build and tests
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan
# The programs whose sound runs on SDL's audio thread beside the game's, under ThreadSanitizer.
tsan_options="suppressions=$PWD/scripts/tsan.supp:halt_on_error=1"
TSAN_OPTIONS="$tsan_options" timeout 900 scripts/examples-test.sh build/tsan sound
TSAN_OPTIONS="$tsan_options" timeout 600 scripts/bricks-test.sh build/tsan

stage valgrind and the error box
timeout 3000 scripts/memcheck.sh
timeout 300 scripts/error-box.sh build/release/error-box.png

stage Windows build
cmake --preset windows
cmake --build --preset windows
echo "Windows build: build/windows/game.exe and build/windows/examples/<name>/<name>.exe"

stage installed engine
timeout 1800 scripts/test-install.sh

stage fuzzers
cmake --preset fuzz
cmake --build --preset fuzz
scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
stage done
