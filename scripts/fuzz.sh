#!/usr/bin/env bash
# Runs every libFuzzer target of the "fuzz" build for a bounded time each (seconds, default 30),
# starting from its seed files in fuzz/corpus/<target>/. A crash or a sanitizer report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shopt -s nullglob
for fuzzer in build/fuzz/fuzz/*_fuzzer; do
    name="$(basename "$fuzzer")"
    corpus="build/fuzz/corpus/$name"
    mkdir -p "$corpus"
    seeds=()
    [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
    echo "Fuzzing $name for ${seconds}s"
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 \
        "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 "$corpus" "${seeds[@]}" 2>&1 | tail -n 5
    [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "$name found a fault"; exit 1; }
done
