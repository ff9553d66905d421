#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the optimised build, the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, the Windows build with MinGW-w64, the
# starter game built and run against an installed engine (Linux and Windows), and a short run of
# every fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh

cmake --preset release
cmake --build --preset release
ctest --preset release

cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize

cmake --preset windows
cmake --build --preset windows
echo "Windows build: build/windows/game.exe"

scripts/test-install.sh

cmake --preset fuzz
cmake --build --preset fuzz
scripts/fuzz.sh 30
