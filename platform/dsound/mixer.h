// mixer.h -- the software mixer between DirectSound's buffers (dsound.cpp) and the sound output
// (sdl_audio.cpp): voices, the decibel laws and the stereo stream made from them
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

constexpr int32_t MixUnityGain = 1 << 16;  // gains are 16.16 fixed point

// One buffer's sound as the mixer plays it. The samples and their format stay fixed while the
// voice is attached; the play state below them is read and written only under mixer_lock().
struct MixVoice {
    const uint8_t* samples = nullptr;
    uint32_t frames = 0;     // whole frames in samples
    int channels = 1;        // 1 or 2, stereo interleaved left, right
    int bytesPerSample = 2;  // 1: unsigned 8-bit, 2: signed 16-bit little-endian

    bool playing = false;
    bool looping = false;
    uint64_t position = 0;   // the next frame to play, 32.32 fixed point
    uint32_t frequency = 0;  // frames played per second
    int32_t leftGain = MixUnityGain;
    int32_t rightGain = MixUnityGain;
};

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

// The 16.16 linear gain of an attenuation in hundredths of a decibel (0 or below).
int32_t mixer_gain(int32_t hundredthsOfDecibel);

// The left and right gains of a volume and a pan, both in hundredths of a decibel.
void mixer_channel_gains(int32_t volume, int32_t pan, int32_t* left, int32_t* right);
