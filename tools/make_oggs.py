#!/usr/bin/env python3
"""Writes the sound file reader's test files and its fuzzers' seeds:

    tests/data/music.wav    one second of a music-like piece, 16-bit stereo 44.1 kHz: a bass
                            line, a chord, a melody with harmonics and a noise hi-hat
    tests/data/music.ogg    that piece encoded by oggenc (Debian's vorbis-tools), quality 4
    tests/data/surround.ogg a quarter second of 5.1 at 16 kHz, channel n (in the WAV order) a
                            tone of 500 * (n + 1) Hz
    fuzz/corpus/soundfile_fuzzer/   WAV files of the layouts the reader walks
    fuzz/corpus/vorbis_fuzzer/      small Ogg Vorbis files, mono and stereo

Samples come from formulas and a fixed noise generator, and oggenc is given a fixed serial
number, so the files can be made again byte for byte with the same encoder:

    tools/make_oggs.py            (from the repository's top directory)
"""
import math
import os
import struct
import subprocess
import sys
import tempfile


def riff(chunks):
    body = b"WAVE" + b"".join(tag + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")
                              for tag, data in chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def fmt_pcm(channels, rate, bits, tag=1):
    align = channels * bits // 8
    return struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits)


def fmt_extensible(channels, rate, bits, mask, subformat=1):
    align = channels * bits // 8
    guid = struct.pack("<I", subformat) + bytes([0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                                 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71])
    return (struct.pack("<HHIIHHHHI", 0xFFFE, channels, rate, rate * align, align, bits, 22,
                        bits, mask) + guid)


def pcm16(frames):
    return b"".join(struct.pack("<" + "h" * len(f), *[int(round(max(-1.0, min(1.0, v)) * 32767))
                                                      for v in f]) for f in frames)


def music(rate, seconds):
    """Stereo frames: bass and chord in the middle, the melody to the left, the hi-hat right."""
    notes = [440.0, 493.88, 523.25, 587.33, 659.25, 587.33, 523.25, 493.88]
    noise = 12345
    frames = []
    count = int(rate * seconds)
    for i in range(count):
        t = i / rate
        beat = t * 8.0
        step = int(beat)
        into = beat - step
        envelope = math.exp(-4.0 * into)
        melody = sum(math.sin(2 * math.pi * notes[step % 8] * h * t) / h for h in (1, 2, 3))
        bass = math.sin(2 * math.pi * 110.0 * (1 + (step // 4) % 2 * 0.5) * t)
        chord = sum(math.sin(2 * math.pi * f * t) for f in (261.63, 329.63, 392.0)) / 3
        noise = (noise * 1103515245 + 12345) & 0x7FFFFFFF
        hat = ((noise >> 8) / float(1 << 22) - 1.0) * math.exp(-30.0 * ((beat * 2) % 1.0))
        left = 0.30 * melody * envelope + 0.25 * bass + 0.15 * chord + 0.05 * hat
        right = 0.15 * melody * envelope + 0.25 * bass + 0.15 * chord + 0.12 * hat
        frames.append((left, right))
    return frames


def oggenc(wav_bytes, quality):
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "in.wav")
        target = os.path.join(folder, "out.ogg")
        with open(source, "wb") as out:
            out.write(wav_bytes)
        subprocess.run(["oggenc", "--quiet", "--serial", "1", "-q", str(quality), "-o", target,
                        source], check=True)
        with open(target, "rb") as made:
            return made.read()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    source = riff([(b"fmt ", fmt_pcm(2, 44100, 16)), (b"data", pcm16(music(44100, 1.0)))])
    write(os.path.join(top, "tests", "data", "music.wav"), source)
    write(os.path.join(top, "tests", "data", "music.ogg"), oggenc(source, 4))

    rate = 16000
    tones = [tuple(0.5 * math.sin(2 * math.pi * 500 * (c + 1) * i / rate) for c in range(6))
             for i in range(rate // 4)]
    surround = riff([(b"fmt ", fmt_extensible(6, rate, 16, 0x3F)), (b"data", pcm16(tones))])
    write(os.path.join(top, "tests", "data", "surround.ogg"), oggenc(surround, 2))

    short_mono = riff([(b"fmt ", fmt_pcm(1, 8000, 16)),
                       (b"data", pcm16([(f[0],) for f in music(8000, 0.1)]))])
    short_stereo = riff([(b"fmt ", fmt_pcm(2, 11025, 16)), (b"data", pcm16(music(11025, 0.1)))])
    vorbis = os.path.join(top, "fuzz", "corpus", "vorbis_fuzzer")
    write(os.path.join(vorbis, "mono.ogg"), oggenc(short_mono, 0))
    write(os.path.join(vorbis, "stereo.ogg"), oggenc(short_stereo, 2))

    data = pcm16(music(8000, 0.01))
    walker = os.path.join(top, "fuzz", "corpus", "soundfile_fuzzer")
    write(os.path.join(walker, "canonical.wav"), riff([(b"fmt ", fmt_pcm(2, 8000, 16)), (b"data", data)]))
    write(os.path.join(walker, "chunks.wav"),
          riff([(b"LIST", b"INFOISFT\x05\0\0\0tool\0\0"), (b"fmt ", fmt_pcm(2, 8000, 16)),
                (b"fact", struct.pack("<I", 80)), (b"data", data + b"\0"), (b"cue ", b"\0" * 4)]))
    write(os.path.join(walker, "extensible.wav"),
          riff([(b"fmt ", fmt_extensible(2, 8000, 16, 3)), (b"data", data)]))
    write(os.path.join(walker, "float.wav"),
          riff([(b"fmt ", fmt_pcm(1, 8000, 32, tag=3) + b"\0\0"),
                (b"data", struct.pack("<8f", *[i / 8.0 for i in range(8)]))]))
    write(os.path.join(walker, "format-after-data.wav"),
          riff([(b"data", bytes(range(0, 256, 3))), (b"fmt ", fmt_pcm(3, 22050, 8))]))


if __name__ == "__main__":
    sys.exit(main())
