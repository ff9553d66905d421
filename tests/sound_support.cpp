// sound_support.cpp -- shared helpers of the sound tests

#include "sound_support.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "support.h"

std::vector<uint8_t> WaveBytes(uint16_t channels, uint32_t rate, uint16_t bits,
                               const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> file;
    const auto put = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    const auto tag = [&](const char* text) { file.insert(file.end(), text, text + 4); };
    const uint32_t align = channels * bits / 8u;
    tag("RIFF"); put(36 + static_cast<uint32_t>(data.size()), 4); tag("WAVE");
    tag("fmt "); put(16, 4); put(WAVE_FORMAT_PCM, 2); put(channels, 2); put(rate, 4);
    put(rate * align, 4); put(align, 2); put(bits, 2);
    tag("data"); put(static_cast<uint32_t>(data.size()), 4);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

std::vector<uint8_t> Samples16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes;
    for (int16_t sample : samples) {
        bytes.push_back(static_cast<uint8_t>(sample & 0xFF));
        bytes.push_back(static_cast<uint8_t>((sample >> 8) & 0xFF));
    }
    return bytes;
}

DiskCapture::DiskCapture()
{
    char pattern[] = "/tmp/engine-sound-XXXXXX";
    close(mkstemp(pattern));
    path_ = pattern;
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path_.c_str(), 1);
}

DiskCapture::~DiskCapture() { unlink(path_.c_str()); }

std::vector<StereoFrame> DiskCapture::Frames() const
{
    EXPECT_EQ(OutputRate(), 0) << "the file is complete once the device is released";
    const std::vector<uint8_t> bytes = ReadBytes(path_);
    std::vector<StereoFrame> frames(bytes.size() / sizeof(StereoFrame));
    memcpy(frames.data(), bytes.data(), frames.size() * sizeof(StereoFrame));
    return frames;
}

int OutputRate()
{
    LayerAudioOutput output;
    return layer_audio_output(&output) ? output.rate : 0;
}

void WaitForFrames(uint64_t frames)
{
    LayerAudioOutput output;
    ASSERT_TRUE(layer_audio_output(&output));
    const uint64_t target = output.framesMixed + frames;
    for (int waited = 0; output.framesMixed < target; waited += 2) {
        ASSERT_LT(waited, 10000) << "the sound output stands still";
        SDL_Delay(2);
        layer_audio_output(&output);
    }
}

std::vector<std::pair<size_t, size_t>> SoundRuns(const std::vector<StereoFrame>& frames)
{
    std::vector<std::pair<size_t, size_t>> runs;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].left == 0 && frames[i].right == 0)
            continue;
        if (runs.empty() || runs.back().first + runs.back().second != i)
            runs.push_back({i, 0});
        ++runs.back().second;
    }
    return runs;
}
