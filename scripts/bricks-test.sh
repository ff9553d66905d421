#!/usr/bin/env bash
# Runs the bricks game headless with nobody at the controls for about 20 seconds, as a machine
# left in attract mode, and checks what it showed and played: the wall of bricks drawn from the
# sprite sheet, a score that changed between the first and the last screenshot (F12), sound
# that is not silence (SDL's disk audio driver), and Esc ending it with status 0.
#
#     scripts/bricks-test.sh [build directory]        (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
game_dir="$(cd "${1:-build/release}" && pwd)/examples/bricks"
[ -x "$game_dir/bricks" ] || { echo "bricks-test: no program at $game_dir/bricks" >&2; exit 1; }

work=$(mktemp -d)
game=""
source scripts/virtual-display.sh
source scripts/drive.sh
cleanup() {
    [ -n "$game" ] && kill "$game" 2>/dev/null || true
    stop_virtual_display
    rm -rf "$work"
}
trap cleanup EXIT
start_virtual_display 1024x768

# F12 overwrites screen.bmp: each shot is copied away before the next, and left beside the
# program as bricks-start.bmp and bricks-end.bmp to look at. F12 stays held until the file is there.
shot() {
    rm -f "$game_dir/screen.bmp"
    hold_key_until F12 "screen.bmp from F12 ($1 of play)" test -s "$game_dir/screen.bmp" || {
        echo "bricks-test: FAIL: no screenshot at the $1" >&2
        exit 1
    }
    cp "$game_dir/screen.bmp" "$game_dir/bricks-$1.bmp"
}

cd "$game_dir"
rm -f screen.bmp
# The game paces itself at sixty frames a second, so no frame cap is set for it.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw" \
    timeout 300 ./bricks 2>"$work/stderr" &
game=$!
wait_for "the bricks window" window_shows bricks || {
    echo "bricks-test: FAIL: no window" >&2
    cat "$work/stderr" >&2
    exit 1
}
# Play, not a wait for an effect: the first shot a moment in, the last one 18 seconds later.
sleep 1.5
shot start
sleep 18
shot end
hold_key_until Escape "bricks to end after Esc" process_ended "$game" || {
    echo "bricks-test: FAIL: still running after Esc" >&2
    exit 1
}
status=0
wait "$game" || status=$?
game=""

# The checks read the pictures and the sound themselves; the expected brick is the sprite sheet's
# own tile, as the generator drew it.
python3 - "$work" "$game_dir" "$top/examples/bricks/data/bricks.bmp" "$status" <<'EOF'
import array, struct, sys

work, shots, sheet_file, status = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
failures = []

def read_bmp(path):
    """(width, height, pixel(x, y) -> (r, g, b)) of an uncompressed 24- or 32-bit BMP."""
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    step = bits // 8
    stride = (width * bits + 31) // 32 * 4
    def pixel(x, y):
        row = height - 1 - y if height > 0 else y
        i = offset + row * stride + x * step
        return data[i + 2], data[i + 1], data[i]
    return width, abs(height), pixel

start, end = read_bmp(f"{shots}/bricks-start.bmp"), read_bmp(f"{shots}/bricks-end.bmp")
if start[:2] != (800, 600) or end[:2] != (800, 600):
    failures.append(f"screenshots are {start[:2]} and {end[:2]}, not 800 x 600")

# The first red brick of level 1 (third row of the wall, first column, at 40, 138) is the
# sheet's first tile, pixel for pixel, but for its four keyed-out corners.
_, _, sheet = read_bmp(sheet_file)
wrong = [(x, y) for y in range(20) for x in range(56)
         if sheet(x, y) != (255, 0, 255) and start[2](40 + x, 138 + y) != sheet(x, y)]
if wrong:
    failures.append(f"red brick: {len(wrong)} pixels differ from the sheet, first at {wrong[0]}")

# The score, top left, must read differently after 20 seconds of play.
changed = sum(start[2](x, y) != end[2](x, y) for y in range(4, 34) for x in range(10, 200))
if changed == 0:
    failures.append(f"score region: {changed} pixels changed between the first and last shot")

samples = array.array("h", open(f"{work}/audio.raw", "rb").read())
loudest = max((abs(s) for s in samples), default=0)
if loudest < 2000:
    failures.append(f"audio: loudest sample {loudest} of {len(samples)}, expected hits to be heard")

if status != 0:
    failures.append(f"exit status {status}, expected 0 after Esc")

for failure in failures:
    print("bricks-test: FAIL:", failure)
if failures:
    sys.exit(1)
print(f"bricks-test: ok ({changed} score pixels changed, loudest sample {loudest}, status 0)")
EOF
