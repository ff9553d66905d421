#!/usr/bin/env python3
"""Writes the project's WAV files: the demo sounds in demo/sounds/ and the WAV reader fuzzer's
seeds in fuzz/corpus/wavefile_fuzzer/.

Every sample is computed here from a formula, so the files can be made again byte for byte:

    tools/make_wavs.py            (from the repository's top directory)

Each file has the canonical 44-byte header: "RIFF", "WAVE", a 16-byte "fmt " chunk and the
"data" chunk straight after it.
"""
import math
import os
import struct
import sys


def header(channels, rate, bits, data_size):
    align = (channels * bits // 8) & 0xFFFF
    return (b"RIFF" + struct.pack("<I", 36 + data_size) + b"WAVE" +
            b"fmt " + struct.pack("<IHHIIHH", 16, 1, channels, rate, (rate * align) & 0xFFFFFFFF,
                                  align, bits) +
            b"data" + struct.pack("<I", data_size))


def wav(channels, rate, bits, frames):
    """frames: a list of tuples of samples in -1.0 .. 1.0, one value per channel."""
    data = bytearray()
    for frame in frames:
        for value in frame:
            value = max(-1.0, min(1.0, value))
            if bits == 8:
                data.append(int(round(128 + value * 127)))
            else:
                data += struct.pack("<h", int(round(value * 32767)))
    return header(channels, rate, bits, len(data)) + bytes(data)


def tone():
    """440 Hz at half scale, 16-bit mono 22050 Hz: exactly 220 periods in half a second, so that
    it loops without a click."""
    rate, count = 22050, 11025
    return wav(1, rate, 16, [(0.5 * math.sin(2 * math.pi * 440 * i / rate),) for i in range(count)])


def click():
    """A 30 ms knock, 8-bit mono 11025 Hz: 1500 Hz dying away quickly."""
    rate, count = 11025, 331
    return wav(1, rate, 8, [(0.9 * math.exp(-i / 40.0) * math.sin(2 * math.pi * 1500 * i / rate),)
                            for i in range(count)])


def sweep():
    """0.6 s rising from 300 to 1200 Hz while moving from the left to the right, 16-bit stereo
    22050 Hz."""
    rate, count = 22050, 13230
    frames = []
    phase = 0.0
    for i in range(count):
        t = i / (count - 1)
        phase += 2 * math.pi * (300 + 900 * t) / rate
        value = 0.5 * math.sin(phase)
        frames.append((value * math.cos(t * math.pi / 2), value * math.sin(t * math.pi / 2)))
    return wav(2, rate, 16, frames)


def seeds():
    """Small files for the fuzzer to start from: each layout the reader meets, well formed and not."""
    ramp8 = wav(1, 8000, 8, [(i / 16.0 - 0.5,) for i in range(16)])
    ramp16 = wav(2, 11025, 16, [(i / 8.0 - 0.5, 0.5 - i / 8.0) for i in range(8)])
    return {
        "mono8.wav": ramp8,
        "stereo16.wav": ramp16,
        "empty_data.wav": header(1, 22050, 16, 0),
        "data_past_end.wav": header(1, 22050, 16, 1000) + bytes(10),
        "short_header.wav": ramp8[:30],
        "odd_length.wav": header(2, 44100, 16, 7) + bytes(range(7)),
        # Channels times sample size overflows 32-bit arithmetic done in int.
        "wide_frames.wav": header(65535, 8000, 65520, 4) + bytes(4),
    }


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    write(os.path.join(top, "demo", "sounds", "tone.wav"), tone())
    write(os.path.join(top, "demo", "sounds", "click.wav"), click())
    write(os.path.join(top, "demo", "sounds", "sweep.wav"), sweep())
    for name, data in seeds().items():
        write(os.path.join(top, "fuzz", "corpus", "wavefile_fuzzer", name), data)


if __name__ == "__main__":
    sys.exit(main())
