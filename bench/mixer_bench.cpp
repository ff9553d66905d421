// mixer_bench.cpp -- the cost of one output period of mixing with many sounds playing. The mixer
// runs on the audio thread and holds the lock that DirectSound calls take for one block of it, so
// this is also how long a call from the frame loop can wait.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "mixer.h"

namespace {

constexpr uint32_t OutputRate = 44100;
constexpr size_t PeriodFrames = 512;  // what SDL asks for at a time: 11.6 ms of sound

// count sounds of one second each, 16-bit mono at 22050 Hz (resampled), looping, at half volume.
void MixPlayingSounds(benchmark::State& state)
{
    const size_t count = static_cast<size_t>(state.range(0));
    std::vector<int16_t> samples(22050);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>((i * 997) % 20000 - 10000);
    std::vector<MixVoice> voices(count);
    for (size_t i = 0; i < count; ++i) {
        MixVoice& voice = voices[i];
        voice.samples = reinterpret_cast<const uint8_t*>(samples.data());
        voice.frames = static_cast<uint32_t>(samples.size());
        voice.channels = 1;
        voice.bytesPerSample = 2;
        voice.frequency = 22050 + static_cast<uint32_t>(i);  // each at its own pitch
        voice.looping = true;
        voice.playing = true;
        voice.position = static_cast<uint64_t>(i * 37) << 32;
        mixer_channel_gains(-600, static_cast<int32_t>(i % 21) * 1000 - 10000, &voice.leftGain,
                            &voice.rightGain);
        mixer_attach(&voice);
    }
    std::vector<int16_t> out(PeriodFrames * 2);
    for (auto _ : state) {
        mixer_render(out.data(), PeriodFrames, OutputRate);
        benchmark::DoNotOptimize(out.data());
    }
    // Voice-frames per second: divided by 44100, how many sounds one core could keep playing.
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * PeriodFrames * count));
    for (MixVoice& voice : voices)
        mixer_detach(&voice);
}
BENCHMARK(MixPlayingSounds)->Arg(1)->Arg(16)->Arg(400)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
