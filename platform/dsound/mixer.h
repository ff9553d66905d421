// mixer.h -- the software mixer between DirectSound's buffers (dsound.cpp) and the sound output
// (sdl_audio.cpp): voices, the decibel laws and the stereo stream made from them
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

constexpr int32_t MixUnityGain = 1 << 16;  // gains are 16.16 fixed point

// How a voice's samples are stored.
enum class MixEncoding : uint8_t {
    Unsigned8,   // 8-bit PCM, silence at 128
    Signed16,    // 16-bit PCM, little-endian
    SignedWide,  // PCM of 24 bits or more, little-endian; its top 24 bits are played
    Float32,     // IEEE single precision, full scale at +-1.0
    Float64,     // IEEE double precision, full scale at +-1.0
};

// Speaker positions of a channel mask, as WAVEFORMATEXTENSIBLE numbers them: bit n set means the
// next channel of a frame feeds position n.
constexpr int MixSpeakerPositions = 18;

// Where one channel of a frame goes: its byte offset in the frame and its 16.16 weights on the
// left and right side of the output.
struct MixRoute {
    uint32_t offset = 0;
    int32_t left = 0;
    int32_t right = 0;
};

// One buffer's sound as the mixer plays it. The samples and their format stay fixed while the
// voice is attached (set them with mixer_set_format before attaching); the play state below them
// is read and written only under mixer_lock().
struct MixVoice {
    const uint8_t* samples = nullptr;
    uint32_t frames = 0;  // whole frames in samples

    MixEncoding encoding = MixEncoding::Signed16;
    uint8_t layout = 0;          // mono, stereo or routed; set by mixer_set_format
    uint32_t frameBytes = 2;     // bytes per frame
    uint32_t sampleBytes = 2;    // bytes per sample
    int routeCount = 0;          // routed layout: the channels that reach a speaker
    MixRoute routes[MixSpeakerPositions];

    bool playing = false;
    bool looping = false;
    uint64_t position = 0;   // the next frame to play, 32.32 fixed point
    uint32_t frequency = 0;  // frames played per second
    int32_t leftGain = MixUnityGain;
    int32_t rightGain = MixUnityGain;
};

// Describes the voice's samples: their encoding, bytes per sample (1, 2, 3 or more; 4 or 8 for
// floating point), channels per frame (1 or more) and the speaker positions of the channels as a
// channel mask. A mask of 0 sends channel 0 to the left and channel 1 to the right output as they
// are. One channel with no position or the front centre plays on both sides at full level.
// Channels beyond the mask's positions are not heard.
void mixer_set_format(MixVoice* voice, MixEncoding encoding, uint32_t sampleBytes,
                      uint32_t channels, uint32_t speakerMask);

// Guards every attached voice's play state and the list of voices. The output holds it only
// while it mixes one short block, so a caller never waits longer than that.
std::mutex& mixer_lock();

// Adds a voice to the mix or takes it out; each takes the lock itself. After mixer_detach
// returns, the mixer no longer touches the voice or its samples.
void mixer_attach(MixVoice* voice);
void mixer_detach(MixVoice* voice);

// Mixes every playing voice into frames interleaved 16-bit stereo frames at outputRate frames
// per second, advancing the voices. A voice that is not looping stops at its end and goes back
// to its first frame. Allocates nothing.
void mixer_render(int16_t* out, size_t frames, uint32_t outputRate);

// Scales the whole mix by a 16.16 gain (the output's volume); unity leaves it untouched.
void mixer_set_output_gain(int32_t gain);

// The 16.16 linear gain of an attenuation in hundredths of a decibel (0 or below).
int32_t mixer_gain(int32_t hundredthsOfDecibel);

// The left and right gains of a volume and a pan, both in hundredths of a decibel.
void mixer_channel_gains(int32_t volume, int32_t pan, int32_t* left, int32_t* right);
