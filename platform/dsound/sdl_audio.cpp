// sdl_audio.cpp -- the sound output: SDL's default audio device fed by the mixer, or a null
// output where the machine has no audio output at all
//
// The only file that calls SDL audio. The output opens with the first DirectSound object and
// closes with the last. It asks SDL for 16-bit stereo at 44.1 kHz and takes the device's own rate
// if it differs; the mixer resamples every voice to it. SDL calls the mixer from its audio
// thread; under SDL's dummy driver that still happens in real time, and under the disk driver
// (SDL_AUDIODRIVER=disk, SDL_DISKAUDIOFILE=path) the stream lands in a raw file, which is how
// tests hear it. Where SDL has no device to open, a thread of our own consumes the mix in real
// time, so that sounds start, play for their length and end as they would on a sound card.
// Left out on purpose: choosing a device, capture, more than two output channels.

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <thread>

#include "dsound/sdl_audio.h"
#include "sdl_hints.h"
#include "mixer.h"
#include "testing.h"

namespace {

constexpr int RequestedRate = 44100;
constexpr int OutputChannels = 2;
constexpr Uint16 DeviceFrames = 512;      // about 12 ms at 44.1 kHz
constexpr int NullBlockFrames = 512;
constexpr auto NullPeriod = std::chrono::milliseconds(5);
constexpr uint64_t NullLongestCatchUp = RequestedRate;  // one second: more is dropped, not mixed

struct Output {
    int users = 0;
    SDL_AudioDeviceID device = 0;
    bool null = false;
    uint32_t rate = 0;
    std::thread* nullThread = nullptr;
    std::atomic<bool> stopNull{false};
    std::atomic<uint64_t> framesMixed{0};
    bool nullAnnounced = false;
    bool captureAsked = false;  // a test mixes by hand into memory (layer_capture_sound)
    bool captured = false;      // the open output is that one
};

// Lives until the process ends: SDL's audio thread may run while statics are torn down.
Output& output()
{
    static Output* state = new Output;
    return *state;
}

void SDLCALL feed_device(void*, Uint8* stream, int length)
{
    Output& out = output();
    const size_t frames = static_cast<size_t>(length) / (OutputChannels * sizeof(int16_t));
    mixer_render(reinterpret_cast<int16_t*>(stream), frames, out.rate);
    out.framesMixed += frames;
}

// Mixes as many frames as real time has asked for since the output opened, and throws them away.
void run_null_output()
{
    Output& out = output();
    int16_t block[NullBlockFrames * OutputChannels];
    const auto start = std::chrono::steady_clock::now();
    uint64_t done = 0;
    while (!out.stopNull) {
        std::this_thread::sleep_for(NullPeriod);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        const uint64_t due = static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()) *
                             out.rate / 1000000;
        if (due - done > NullLongestCatchUp)
            done = due - NullLongestCatchUp;  // the thread was held up: skip ahead as a device would
        while (done < due) {
            const uint64_t count = std::min<uint64_t>(due - done, NullBlockFrames);
            mixer_render(block, count, out.rate);
            done += count;
            out.framesMixed += count;
        }
    }
}

bool open_sdl_device(const char** reason)
{
    Output& out = output();
    sdl_hints_once();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *reason = SDL_GetError();
        return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = RequestedRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = OutputChannels;
    wanted.samples = DeviceFrames;
    wanted.callback = feed_device;
    SDL_AudioSpec obtained{};
    const SDL_AudioDeviceID device =
        SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (device == 0 || obtained.freq <= 0) {
        *reason = SDL_GetError();
        if (device != 0)
            SDL_CloseAudioDevice(device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    out.device = device;
    out.rate = static_cast<uint32_t>(obtained.freq);
    SDL_PauseAudioDevice(device, 0);  // the callback runs from here on
    // SDL's audio thread reads SDL's hints as it starts, and SDL 2 keeps its hints without a lock:
    // the first callback shows the thread is past that, so the caller's next SDL calls (a window,
    // a renderer) cannot race with it. A device that never calls back costs a fifth of a second.
    for (int waited = 0; out.framesMixed == 0 && waited < 200; ++waited)
        SDL_Delay(1);
    return true;
}

}  // namespace

bool sdl_audio_open()
{
    Output& out = output();
    if (out.users > 0) {
        ++out.users;
        return true;
    }
    out.framesMixed = 0;
    if (out.captureAsked) {
        // No device and no thread: the sound advances only as the test takes frames.
        out.rate = RequestedRate;
        out.captured = true;
        out.users = 1;
        return true;
    }
    const char* reason = "";
    if (!open_sdl_device(&reason)) {
        if (!out.nullAnnounced)
            fprintf(stderr, "layer: no audio output could be opened (SDL: %s); sounds are mixed "
                            "in real time and not heard\n", reason);
        out.nullAnnounced = true;
        out.rate = RequestedRate;
        out.stopNull = false;
        try {
            out.nullThread = new std::thread(run_null_output);
        } catch (const std::exception&) {
            out.rate = 0;
            return false;  // not even a thread to play into
        }
        out.null = true;
    }
    out.users = 1;
    return true;
}

void sdl_audio_close()
{
    Output& out = output();
    if (out.users == 0 || --out.users > 0)
        return;
    if (out.captured) {
        out.captured = false;
    } else if (out.null) {
        out.stopNull = true;
        out.nullThread->join();
        delete out.nullThread;
        out.nullThread = nullptr;
        out.null = false;
    } else {
        SDL_CloseAudioDevice(out.device);  // waits for the callback to finish; flushes a disk file
        out.device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    out.rate = 0;
}

uint32_t sdl_audio_rate() { return output().rate; }

uint64_t sdl_audio_frames_mixed() { return output().framesMixed; }

bool layer_audio_output(LayerAudioOutput* info)
{
    Output& out = output();
    *info = LayerAudioOutput{};
    if (out.users == 0)
        return false;
    info->null = out.null;
    info->rate = static_cast<int>(out.rate);
    info->channels = OutputChannels;
    info->framesMixed = out.framesMixed;
    return true;
}

void layer_capture_sound(bool capture) { output().captureAsked = capture; }

size_t layer_mix_captured_sound(int16_t* samples, size_t frames)
{
    Output& out = output();
    if (out.users == 0 || !out.captured)
        return 0;
    mixer_render(samples, frames, out.rate);
    out.framesMixed += frames;
    return frames;
}
