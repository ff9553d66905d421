// mixer.cpp -- the software mixer: plays every attached voice into one 16-bit stereo stream
//
// Each voice is resampled from its own frequency to the output rate by linear interpolation
// (a voice played at the output rate comes out sample for sample), scaled by its left and right
// gains, and summed; the sum saturates at the 16-bit limits instead of wrapping. Mono voices feed
// the same sample to both sides. Volume and pan follow DirectSound's decibel laws. Plain C++ over
// memory: no SDL here, no allocation while mixing, and the lock is taken per short block.
// Left out on purpose: 3D positioning, effects, formats other than 8- and 16-bit PCM.

#include "mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr size_t BlockFrames = 256;  // frames mixed per hold of the lock
constexpr double SilentGain = 1e-5;  // -100 dB: anything quieter is nothing at all

struct MixerState {
    MixerState() { voices.reserve(512); }  // room for every sound a program keeps, up front
    std::mutex lock;
    std::vector<MixVoice*> voices;
};

// Lives until the process ends: an output thread may still be mixing while statics are torn down.
MixerState& state()
{
    static MixerState* mixer = new MixerState;
    return *mixer;
}

// One sample of a frame, as a signed 16-bit value.
inline int32_t sample_at(const MixVoice& voice, uint32_t frame, int channel)
{
    const uint8_t* p =
        voice.samples + (static_cast<size_t>(frame) * voice.channels + channel) * voice.bytesPerSample;
    if (voice.bytesPerSample == 1)
        return (static_cast<int32_t>(p[0]) - 128) * 256;  // unsigned, silence at 128
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

// Adds frames of one voice into the accumulator and moves it on.
void mix_voice(MixVoice& voice, int32_t* sum, size_t frames, uint32_t outputRate)
{
    if (voice.frames == 0) {
        voice.playing = false;
        return;
    }
    const uint64_t end = static_cast<uint64_t>(voice.frames) << 32;
    const uint64_t step = (static_cast<uint64_t>(voice.frequency) << 32) / outputRate;
    const int32_t gains[2] = {voice.leftGain, voice.rightGain};
    for (size_t i = 0; i < frames; ++i) {
        if (voice.position >= end) {
            if (!voice.looping) {
                voice.playing = false;
                voice.position = 0;
                return;
            }
            voice.position %= end;
        }
        const uint32_t frame = static_cast<uint32_t>(voice.position >> 32);
        const int64_t fraction = static_cast<int64_t>((voice.position >> 16) & 0xFFFF);
        // The frame after the last one is the first again when looping, silence otherwise.
        uint32_t next = frame + 1;
        const bool hasNext = next < voice.frames || voice.looping;
        if (next == voice.frames)
            next = 0;
        for (int side = 0; side < 2; ++side) {
            const int channel = voice.channels == 2 ? side : 0;
            const int32_t a = sample_at(voice, frame, channel);
            const int32_t b = hasNext ? sample_at(voice, next, channel) : 0;
            const int64_t value = a + (((b - a) * fraction) >> 16);
            sum[2 * i + side] += static_cast<int32_t>((value * gains[side]) >> 16);
        }
        voice.position += step;
    }
}

inline int16_t saturate(int32_t value)
{
    return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}

}  // namespace

std::mutex& mixer_lock() { return state().lock; }

void mixer_attach(MixVoice* voice)
{
    std::lock_guard<std::mutex> hold(state().lock);
    state().voices.push_back(voice);
}

void mixer_detach(MixVoice* voice)
{
    std::lock_guard<std::mutex> hold(state().lock);
    auto& voices = state().voices;
    voices.erase(std::remove(voices.begin(), voices.end(), voice), voices.end());
}

void mixer_render(int16_t* out, size_t frames, uint32_t outputRate)
{
    int32_t sum[BlockFrames * 2];
    while (frames > 0) {
        const size_t count = std::min(frames, BlockFrames);
        memset(sum, 0, sizeof(sum[0]) * 2 * count);
        if (outputRate > 0) {
            std::lock_guard<std::mutex> hold(state().lock);
            for (MixVoice* voice : state().voices)
                if (voice->playing)
                    mix_voice(*voice, sum, count, outputRate);
        }
        for (size_t i = 0; i < 2 * count; ++i)
            out[i] = saturate(sum[i]);
        out += 2 * count;
        frames -= count;
    }
}

int32_t mixer_gain(int32_t hundredthsOfDecibel)
{
    if (hundredthsOfDecibel >= 0)
        return MixUnityGain;
    // Hundredths of a decibel of amplitude: gain = 10 ^ (v / 2000).
    const double gain = std::pow(10.0, hundredthsOfDecibel / 2000.0);
    if (gain < SilentGain)
        return 0;
    return static_cast<int32_t>(std::lround(gain * MixUnityGain));
}

void mixer_channel_gains(int32_t volume, int32_t pan, int32_t* left, int32_t* right)
{
    // Pan never boosts: it attenuates the far side only, and adds to the volume in decibels.
    *left = mixer_gain(volume - std::max(pan, 0));
    *right = mixer_gain(volume + std::min(pan, 0));
}
