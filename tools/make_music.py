#!/usr/bin/env python3
"""Writes the demo's music, demo/sounds/music.ogg: a 24-second loop for the bricks game and the
sound example, made of a bass line, an arpeggio and a drum beat computed here, then encoded with
Debian's oggenc (package vorbis-tools) at a low bit rate:

    tools/make_music.py            (from the repository's top directory)

The piece is 12 bars of 2 seconds at 120 beats a minute over A minor, F, C and G. Every note
dies away inside its bar and the delay of the arpeggio wraps round to the start, so the end
runs straight into the beginning: played as a loop, the join cannot be heard.
"""
import math
import os
import struct
import subprocess
import sys
import tempfile

RATE = 22050
BAR = 2 * RATE                  # frames in a bar
BARS = 12
BEAT = BAR // 4
CHORDS = [(57, 60, 64), (53, 57, 60), (48, 52, 55), (55, 59, 62)]  # MIDI notes: Am F C G


def pitch(note):
    return 440.0 * 2 ** ((note - 69) / 12.0)


def add_note(track, start, length, frequency, level, shape):
    """Adds a note with a quick attack and an exponential fall, wrapping past the end."""
    total = len(track)
    for i in range(length):
        t = i / RATE
        envelope = level * min(1.0, i / 40.0) * math.exp(-t * 6.0)
        phase = (frequency * t) % 1.0
        if shape == "square":
            value = 1.0 if phase < 0.5 else -1.0
            value *= 0.5
        elif shape == "triangle":
            value = 4.0 * abs(phase - 0.5) - 1.0
        else:
            value = math.sin(2 * math.pi * phase)
        track[(start + i) % total] += envelope * value


def add_drum(track, start, kind):
    """A kick (a falling sine) or a hat (a short burst of noise from a fixed generator)."""
    seed = 12345 + start
    for i in range(RATE // 8 if kind == "kick" else RATE // 30):
        t = i / RATE
        if kind == "kick":
            value = 0.9 * math.exp(-t * 25) * math.sin(2 * math.pi * (50 + 100 * math.exp(-t * 40)) * t)
        else:
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            value = 0.18 * math.exp(-t * 120) * (seed / 0x3FFFFFFF - 1.0)
        track[(start + i) % len(track)] += value


def compose():
    left = [0.0] * (BAR * BARS)
    right = [0.0] * (BAR * BARS)
    for bar in range(BARS):
        chord = CHORDS[bar % 4]
        start = bar * BAR
        # The bass: the root on each beat, an octave down, the last beat an octave up.
        for beat in range(4):
            note = chord[0] - 24 + (12 if beat == 3 else 0)
            for track in (left, right):
                add_note(track, start + beat * BEAT, BEAT, pitch(note), 0.30, "triangle")
        # The arpeggio in eighths, from the second round on, with an echo on the other side.
        if bar >= 4:
            for step in range(8):
                note = chord[step % 3] + (12 if step >= 4 else 0)
                at = start + step * BEAT // 2
                add_note(left, at, BEAT, pitch(note), 0.10, "square")
                add_note(right, at + BEAT * 3 // 4, BEAT, pitch(note), 0.06, "square")
        # The beat: kicks on one and three, hats on the off-beats, from the third bar on.
        for beat in range(4):
            if beat % 2 == 0:
                for track in (left, right):
                    add_drum(track, start + beat * BEAT, "kick")
            if bar >= 2:
                add_drum(left, start + beat * BEAT + BEAT // 2, "hat")
                add_drum(right, start + beat * BEAT + BEAT // 2, "hat")
    return left, right


def wav_bytes(left, right):
    peak = max(max(abs(v) for v in left), max(abs(v) for v in right))
    scale = 0.8 / peak
    data = bytearray()
    for l, r in zip(left, right):
        data += struct.pack("<hh", int(round(l * scale * 32767)), int(round(r * scale * 32767)))
    header = (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE" +
              b"fmt " + struct.pack("<IHHIIHH", 16, 1, 2, RATE, RATE * 4, 4, 16) +
              b"data" + struct.pack("<I", len(data)))
    return header + bytes(data)


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = os.path.join(top, "demo", "sounds", "music.ogg")
    left, right = compose()
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "music.wav")
        with open(source, "wb") as f:
            f.write(wav_bytes(left, right))
        # Quality -1 is about 45 kbit/s for stereo at 22 kHz; the comment fields stay out.
        subprocess.run(["oggenc", "--quiet", "-q", "-1", "--serial", "1", "-o", out, source],
                       check=True)


if __name__ == "__main__":
    sys.exit(main())
