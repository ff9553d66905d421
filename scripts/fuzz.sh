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
    log="build/fuzz/$name.log"
    status=0
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 \
        "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log"
        echo "$name found a fault (exit status $status); the input is in the current directory"
        exit 1
    fi
    grep -E 'number_of_executed_units|new_units_added' "$log" || true
done
