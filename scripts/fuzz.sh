#!/usr/bin/env bash
# Runs libFuzzer targets of the "fuzz" build for a time budget each: scripts/fuzz.sh [SECONDS]
# [TARGET...]; 30 seconds and every target unless told. Each starts from its seed files in
# fuzz/corpus/<target>/ and from what earlier runs found, kept in build/fuzz/corpus/<target>/,
# so a long campaign can be stopped and resumed. Inputs live in memory only; a crash, a sanitizer
# report or one input taking over a minute fails, and the input that caused it is kept in
# build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
shopt -s nullglob
if [ $# -gt 0 ]; then
    fuzzers=()
    for name in "$@"; do
        fuzzers+=("build/fuzz/fuzz/$name")
    done
else
    fuzzers=(build/fuzz/fuzz/*_fuzzer)
fi
artifacts="$(pwd)/build/fuzz/"
for fuzzer in "${fuzzers[@]}"; do
    name="$(basename "$fuzzer")"
    # Absolute paths: a target may work in a private directory of its own.
    corpus="$(pwd)/build/fuzz/corpus/$name"
    mkdir -p "$corpus"
    seeds=()
    [ -d "fuzz/corpus/$name" ] && seeds=("$(pwd)/fuzz/corpus/$name")
    echo "Fuzzing $name for ${seconds}s"
    log="build/fuzz/$name.log"
    status=0
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 \
        "$fuzzer" -max_total_time="$seconds" -timeout=60 -print_final_stats=1 \
        -artifact_prefix="$artifacts" \
        ${FUZZ_FLAGS:-} "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log"
        echo "$name found a fault (exit status $status); the input is in $artifacts"
        exit 1
    fi
    # libFuzzer ends with "Done <runs> runs in <seconds> second(s)".
    read -r runs took < <(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1 \2/p' "$log")
    echo "$name: ${runs} runs in ${took}s, $((runs / (took > 0 ? took : 1))) per second," \
        "$(sed -n 's/^stat::new_units_added: *//p' "$log") new inputs"
done
