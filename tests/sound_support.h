// sound_support.h -- what the sound tests share: WAV files put together byte by byte, and the
// sound output captured through SDL's disk audio driver
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A canonical WAV file: "RIFF", "WAVE", a 16-byte PCM "fmt " chunk, "data", then data.
std::vector<uint8_t> WaveBytes(uint16_t channels, uint32_t rate, uint16_t bits,
                               const std::vector<uint8_t>& data);
// Signed 16-bit samples as little-endian bytes.
std::vector<uint8_t> Samples16(const std::vector<int16_t>& samples);

struct StereoFrame {
    int16_t left;
    int16_t right;
};

// Sends the sound output to a raw file of 16-bit stereo frames: make one before the device is
// created, and read the frames once the device is released.
class DiskCapture {
public:
    DiskCapture();
    ~DiskCapture();
    std::vector<StereoFrame> Frames() const;

private:
    std::string path_;
};

// The open output's frames per second; 0 when none is open.
int OutputRate();
// Returns once the output has mixed this many more frames (they pass in real time).
void WaitForFrames(uint64_t frames);

// The stretches of frames that are not silent, in order: first frame and length.
std::vector<std::pair<size_t, size_t>> SoundRuns(const std::vector<StereoFrame>& frames);
