// mixer.cpp -- the software mixer: plays every attached voice into one 16-bit stereo stream
//
// Samples of every encoding are read as signed values with 24 bits of range (16-bit full scale
// times 256), so 24-bit, 32-bit and floating-point sounds keep their precision until the last
// step. A frame of more channels, or of positioned channels, is folded down to stereo first:
// front left and right go to their side at full level, front centre to both sides at -3 dB, the
// side and back channels to their side at -3 dB, the back centre to both at -6 dB (it lies
// between the two backs), the heights like the positions below them, and the low-frequency
// channel is left out, as a stereo speaker set-up has no subwoofer. Each voice is then resampled
// from its own frequency to the output rate by linear interpolation (a voice played at the output
// rate comes out sample for sample), scaled by its left and right gains, and summed at full
// precision; the sum is rounded to the nearest 16-bit value once (a gain of 0 dB is exact, a
// vanishing one silent) and saturates at the 16-bit limits instead of wrapping. Mono voices feed the same sample to both
// sides. Volume and pan follow DirectSound's decibel laws. Plain C++ over memory: no SDL here, no
// allocation while mixing, and the lock is taken per short block. Each encoding and layout has a
// loop of its own, so the per-sample work carries no format tests.
// Left out on purpose: 3D positioning, effects.

#include "mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr size_t BlockFrames = 256;  // frames mixed per hold of the lock
constexpr double SilentGain = 1e-5;  // -100 dB: anything quieter is nothing at all
constexpr int32_t FullScale = 1 << 23;  // a sample of +1.0 as the mixer reads it

enum Layout : uint8_t { Mono, Stereo, Routed };

// Weights of the folding down, 16.16: full level, -3 dB and -6 dB.
constexpr int32_t Full = MixUnityGain;
constexpr int32_t Minus3dB = 46341;  // 1 / sqrt(2)
constexpr int32_t Minus6dB = 32768;
struct Weights {
    int32_t left, right;
};
// By speaker position: front left, right, centre, low frequency, back left, right, front left
// and right of centre, back centre, side left, right, top centre, top front left, centre, right,
// top back left, centre, right.
constexpr Weights PositionWeights[MixSpeakerPositions] = {
    {Full, 0}, {0, Full}, {Minus3dB, Minus3dB}, {0, 0}, {Minus3dB, 0}, {0, Minus3dB},
    {Full, 0}, {0, Full}, {Minus6dB, Minus6dB}, {Minus3dB, 0}, {0, Minus3dB},
    {Minus3dB, Minus3dB}, {Full, 0}, {Minus3dB, Minus3dB}, {0, Full},
    {Minus3dB, 0}, {Minus6dB, Minus6dB}, {0, Minus3dB},
};
constexpr uint32_t FrontCentre = 1u << 2;

struct MixerState {
    MixerState() { voices.reserve(512); }  // room for every sound a program keeps, up front
    std::mutex lock;
    std::vector<MixVoice*> voices;
    int32_t outputGain = MixUnityGain;
};

// Lives until the process ends: an output thread may still be mixing while statics are torn down.
MixerState& state()
{
    static MixerState* mixer = new MixerState;
    return *mixer;
}

// A floating-point sample in the mixer's range. Values far beyond full scale are held at +-8
// (+18 dB), which later gains cannot bring back into range anyway; NaN is silence.
template <typename Real>
inline int32_t from_real(Real value)
{
    if (!(value >= Real(-8)))
        value = value < Real(0) ? Real(-8) : Real(0);
    else if (value > Real(8))
        value = Real(8);
    return static_cast<int32_t>(value * Real(FullScale));
}

// The sample readers: each takes the address of a sample (for wide PCM, of its top three bytes).
struct ReadU8 {
    static int32_t at(const uint8_t* p) { return (static_cast<int32_t>(p[0]) - 128) * 65536; }
};
struct Read16 {
    static int32_t at(const uint8_t* p)
    {
        return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))) * 256;
    }
};
struct ReadWide {
    static int32_t at(const uint8_t* p)
    {
        const int32_t value = p[0] | (p[1] << 8) | (p[2] << 16);
        return (value ^ 0x800000) - 0x800000;  // sign from bit 23
    }
};
struct ReadF32 {
    static int32_t at(const uint8_t* p)
    {
        float value;
        memcpy(&value, p, sizeof(value));
        return from_real(value);
    }
};
struct ReadF64 {
    static int32_t at(const uint8_t* p)
    {
        double value;
        memcpy(&value, p, sizeof(value));
        return from_real(value);
    }
};

// value / 2^bits rounded to nearest, halves away from zero: the same on both sides of zero, so
// that a gain too small to matter gives silence on negative half-waves as on positive ones, and
// a quiet signal keeps its level below zero as above it.
inline int64_t round_shift(int64_t value, int bits)
{
    return (value + (int64_t{1} << (bits - 1)) - (value < 0)) >> bits;
}

// The sum of values of 24 bits of range times 16.16 gains, as a 16-bit output sample (before
// saturation).
inline int64_t to_output(int64_t sum) { return round_shift(sum, 24); }

// One frame as a left and right value.
template <class Read, Layout layout>
inline void read_frame(const MixVoice& voice, uint32_t frame, int32_t* left, int32_t* right)
{
    const uint8_t* p = voice.samples + static_cast<size_t>(frame) * voice.frameBytes;
    if constexpr (layout == Mono) {
        *left = *right = Read::at(p + voice.routes[0].offset);
    } else if constexpr (layout == Stereo) {
        *left = Read::at(p + voice.routes[0].offset);
        *right = Read::at(p + voice.routes[1].offset);
    } else {
        int64_t l = 0;
        int64_t r = 0;
        for (int i = 0; i < voice.routeCount; ++i) {
            const MixRoute& route = voice.routes[i];
            const int64_t sample = Read::at(p + route.offset);
            l += sample * route.left;
            r += sample * route.right;
        }
        *left = static_cast<int32_t>(round_shift(l, 16));
        *right = static_cast<int32_t>(round_shift(r, 16));
    }
}


// Adds frames of one voice into the accumulator and moves it on.
template <class Read, Layout layout>
void mix_voice(MixVoice& voice, int64_t* sum, size_t frames, uint32_t outputRate)
{
    if (voice.frames == 0) {
        voice.playing = false;
        return;
    }
    const uint64_t end = static_cast<uint64_t>(voice.frames) << 32;
    const uint64_t step = (static_cast<uint64_t>(voice.frequency) << 32) / outputRate;
    const int64_t leftGain = voice.leftGain;
    const int64_t rightGain = voice.rightGain;
    // The frame under the play position and the one after it, read once each: a voice played
    // slower than the output stays on a frame for several output frames, and moving on by one
    // frame makes the next frame the current one.
    uint32_t held = 0;
    bool holding = false;
    int32_t left = 0, right = 0, nextLeft = 0, nextRight = 0;
    size_t i = 0;
    if constexpr (layout != Routed) {
        // While the frame after the current one lies inside the sound, both are read straight
        // from memory: cheaper for one or two channels than keeping them from frame to frame.
        const uint64_t lastPair = static_cast<uint64_t>(voice.frames - 1) << 32;
        if (voice.position < lastPair && step > 0) {
            const uint64_t fit = (lastPair - voice.position + step - 1) / step;
            const size_t count = fit < frames ? static_cast<size_t>(fit) : frames;
            const uint8_t* samples = voice.samples;
            const uint32_t frameBytes = voice.frameBytes;
            const uint32_t offsetLeft = voice.routes[0].offset;
            const uint32_t offsetRight = layout == Stereo ? voice.routes[1].offset : offsetLeft;
            uint64_t position = voice.position;
            for (; i < count; ++i) {
                const uint8_t* p = samples + static_cast<size_t>(position >> 32) * frameBytes;
                const int64_t fraction = static_cast<int64_t>((position >> 16) & 0xFFFF);
                const int32_t l0 = Read::at(p + offsetLeft);
                const int32_t l1 = Read::at(p + frameBytes + offsetLeft);
                const int64_t leftValue = l0 + (((l1 - int64_t{l0}) * fraction) >> 16);
                int64_t rightValue = leftValue;
                if constexpr (layout == Stereo) {
                    const int32_t r0 = Read::at(p + offsetRight);
                    const int32_t r1 = Read::at(p + frameBytes + offsetRight);
                    rightValue = r0 + (((r1 - int64_t{r0}) * fraction) >> 16);
                }
                sum[2 * i] += leftValue * leftGain;
                sum[2 * i + 1] += rightValue * rightGain;
                position += step;
            }
            voice.position = position;
        }
    }
    for (; i < frames; ++i) {
        if (voice.position >= end) {
            if (!voice.looping) {
                voice.playing = false;
                voice.position = 0;
                return;
            }
            voice.position %= end;
        }
        const uint32_t frame = static_cast<uint32_t>(voice.position >> 32);
        if (!holding || frame != held) {
            if (holding && frame == held + 1) {
                left = nextLeft;
                right = nextRight;
            } else {
                read_frame<Read, layout>(voice, frame, &left, &right);
            }
            // The frame after the last one is the first again when looping, silence otherwise.
            nextLeft = nextRight = 0;
            if (frame + 1 < voice.frames)
                read_frame<Read, layout>(voice, frame + 1, &nextLeft, &nextRight);
            else if (voice.looping)
                read_frame<Read, layout>(voice, 0, &nextLeft, &nextRight);
            held = frame;
            holding = true;
        }
        const int64_t fraction = static_cast<int64_t>((voice.position >> 16) & 0xFFFF);
        const int64_t leftValue = left + (((nextLeft - int64_t{left}) * fraction) >> 16);
        const int64_t rightValue = right + (((nextRight - int64_t{right}) * fraction) >> 16);
        sum[2 * i] += leftValue * leftGain;
        sum[2 * i + 1] += rightValue * rightGain;
        voice.position += step;
    }
}

using MixFunction = void (*)(MixVoice&, int64_t*, size_t, uint32_t);

// By encoding (in MixEncoding's order) and layout.
template <class Read>
constexpr MixFunction Layouts[3] = {mix_voice<Read, Mono>, mix_voice<Read, Stereo>,
                                    mix_voice<Read, Routed>};
constexpr const MixFunction* Mixers[] = {Layouts<ReadU8>, Layouts<Read16>, Layouts<ReadWide>,
                                         Layouts<ReadF32>, Layouts<ReadF64>};

inline int16_t saturate(int64_t value)
{
    return static_cast<int16_t>(std::clamp<int64_t>(value, INT16_MIN, INT16_MAX));
}

}  // namespace

void mixer_set_format(MixVoice* voice, MixEncoding encoding, uint32_t sampleBytes,
                      uint32_t channels, uint32_t speakerMask)
{
    voice->encoding = encoding;
    voice->sampleBytes = sampleBytes;
    voice->frameBytes = sampleBytes * channels;
    // Wide PCM is played from its top three bytes.
    const uint32_t top = encoding == MixEncoding::SignedWide ? sampleBytes - 3 : 0;
    voice->routeCount = 0;
    const auto route = [&](uint32_t channel, Weights weights) {
        if (weights.left != 0 || weights.right != 0)
            voice->routes[voice->routeCount++] = {channel * sampleBytes + top, weights.left,
                                                  weights.right};
    };
    if (channels == 1 && (speakerMask == 0 || (speakerMask & -speakerMask) == FrontCentre)) {
        voice->layout = Mono;
        route(0, {Full, Full});
        return;
    }
    if (speakerMask == 0) {
        // No positions: the channels go to the output's own channels in order.
        route(0, {Full, 0});
        route(1, {0, Full});
    } else {
        uint32_t channel = 0;
        for (int position = 0; position < 32 && channel < channels; ++position) {
            if (!(speakerMask & (1u << position)))
                continue;
            if (position < MixSpeakerPositions)
                route(channel, PositionWeights[position]);
            ++channel;
        }
    }
    const MixRoute* r = voice->routes;
    const bool plainStereo = voice->routeCount == 2 && r[0].offset == top && r[0].left == Full &&
                             r[0].right == 0 && r[1].offset == sampleBytes + top &&
                             r[1].left == 0 && r[1].right == Full;
    voice->layout = plainStereo ? Stereo : Routed;
}

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
    int64_t sum[BlockFrames * 2];  // at 2^24 times the output's scale
    while (frames > 0) {
        const size_t count = std::min(frames, BlockFrames);
        memset(sum, 0, sizeof(sum[0]) * 2 * count);
        int32_t outputGain = MixUnityGain;
        if (outputRate > 0) {
            std::lock_guard<std::mutex> hold(state().lock);
            outputGain = state().outputGain;
            for (MixVoice* voice : state().voices)
                if (voice->playing)
                    Mixers[static_cast<int>(voice->encoding)][voice->layout](*voice, sum, count,
                                                                             outputRate);
        }
        if (outputGain != MixUnityGain) {
            // Dropping 8 of the 24 bits below the output first leaves room for the gain.
            for (size_t i = 0; i < 2 * count; ++i)
                sum[i] = round_shift((sum[i] >> 8) * outputGain, 32);
        } else {
            for (size_t i = 0; i < 2 * count; ++i)
                sum[i] = to_output(sum[i]);
        }
        for (size_t i = 0; i < 2 * count; ++i)
            out[i] = saturate(sum[i]);
        out += 2 * count;
        frames -= count;
    }
}

void mixer_set_output_gain(int32_t gain)
{
    std::lock_guard<std::mutex> hold(state().lock);
    state().outputGain = gain;
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
