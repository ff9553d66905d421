// mixer_bench.cpp -- the cost of one output period of mixing with many sounds playing, and of
// voices that share one buffer's samples beside voices with samples of their own. The mixer
// runs on the audio thread and holds the lock that DirectSound calls take for one block of it, so
// this is also how long a call from the frame loop can wait.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <iterator>
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
        mixer_set_format(&voice, MixEncoding::Signed16, 2, 1, 0);
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

// 16 sounds of one format each, one second at 22050 Hz (resampled), looping, at half volume:
// what the wider, floating-point and many-channel formats cost beside 16-bit mono.
struct FormatCase {
    const char* name;
    MixEncoding encoding;
    uint32_t sampleBytes, channels, speakerMask;
};
constexpr FormatCase FormatCases[] = {
    {"8-bit mono", MixEncoding::Unsigned8, 1, 1, 0x4},
    {"16-bit mono", MixEncoding::Signed16, 2, 1, 0x4},
    {"16-bit stereo", MixEncoding::Signed16, 2, 2, 0x3},
    {"24-bit stereo", MixEncoding::SignedWide, 3, 2, 0x3},
    {"32-bit stereo", MixEncoding::SignedWide, 4, 2, 0x3},
    {"float stereo", MixEncoding::Float32, 4, 2, 0x3},
    {"16-bit 5.1", MixEncoding::Signed16, 2, 6, 0x3F},
    {"float 7.1", MixEncoding::Float32, 4, 8, 0x63F},
};

void MixFormat(benchmark::State& state)
{
    const FormatCase& format = FormatCases[state.range(0)];
    state.SetLabel(format.name);
    constexpr size_t Count = 16;
    constexpr uint32_t Frames = 22050;
    const size_t samples = Frames * format.channels;
    std::vector<uint8_t> bytes(samples * format.sampleBytes);
    for (size_t i = 0; i < samples; ++i) {
        const float value = static_cast<float>((i * 997) % 20000) / 20000.0f - 0.5f;
        uint8_t* p = bytes.data() + i * format.sampleBytes;
        if (format.encoding == MixEncoding::Float32) {
            memcpy(p, &value, sizeof(value));
        } else {
            const int32_t integer = static_cast<int32_t>(value * 2147483647.0f);
            for (uint32_t b = 0; b < format.sampleBytes; ++b)
                p[b] = static_cast<uint8_t>(integer >> (8 * (4 - format.sampleBytes + b)));
            if (format.encoding == MixEncoding::Unsigned8)
                p[0] ^= 0x80;
        }
    }
    std::vector<MixVoice> voices(Count);
    for (size_t i = 0; i < Count; ++i) {
        MixVoice& voice = voices[i];
        voice.samples = bytes.data();
        voice.frames = Frames;
        mixer_set_format(&voice, format.encoding, format.sampleBytes, format.channels,
                         format.speakerMask);
        voice.frequency = 22050 + static_cast<uint32_t>(i);
        voice.looping = true;
        voice.playing = true;
        voice.position = static_cast<uint64_t>(i * 37) << 32;
        mixer_channel_gains(-600, 0, &voice.leftGain, &voice.rightGain);
        mixer_attach(&voice);
    }
    std::vector<int16_t> out(PeriodFrames * 2);
    for (auto _ : state) {
        mixer_render(out.data(), PeriodFrames, OutputRate);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * PeriodFrames * Count));
    for (MixVoice& voice : voices)
        mixer_detach(&voice);
}
BENCHMARK(MixFormat)->DenseRange(0, std::size(FormatCases) - 1)->Unit(benchmark::kMicrosecond);

// 32 voices of a one-second effect, 16-bit mono at 22050 Hz (resampled), each at its own pitch
// and place, mixed 1,024 output frames at a time. Duplicated: the voices share one buffer's
// samples, as duplicates of one sound do. Separate: each voice has samples of its own, as 32
// sounds loaded into 32 slots have. The target is at most 3.2 us per voice per 1,024 frames,
// with the duplicates costing no more than the separate buffers.
void MixThirtyTwoVoices(benchmark::State& state)
{
    const bool duplicated = state.range(0) == 0;
    state.SetLabel(duplicated ? "duplicates of one buffer" : "separate buffers");
    constexpr size_t Count = 32;
    constexpr size_t Frames = 22050;
    constexpr size_t BlockFrames = 1024;
    std::vector<std::vector<int16_t>> sounds(duplicated ? 1 : Count, std::vector<int16_t>(Frames));
    for (size_t s = 0; s < sounds.size(); ++s)
        for (size_t i = 0; i < Frames; ++i)
            sounds[s][i] = static_cast<int16_t>((i * (997 + s)) % 20000 - 10000);
    std::vector<MixVoice> voices(Count);
    for (size_t i = 0; i < Count; ++i) {
        MixVoice& voice = voices[i];
        voice.samples = reinterpret_cast<const uint8_t*>(sounds[duplicated ? 0 : i].data());
        voice.frames = static_cast<uint32_t>(Frames);
        mixer_set_format(&voice, MixEncoding::Signed16, 2, 1, 0);
        voice.frequency = 22050 + static_cast<uint32_t>(i * 50);
        voice.looping = true;
        voice.playing = true;
        voice.position = static_cast<uint64_t>(i * 613) << 32;
        mixer_channel_gains(-600, static_cast<int32_t>(i % 21) * 1000 - 10000, &voice.leftGain,
                            &voice.rightGain);
        mixer_attach(&voice);
    }
    std::vector<int16_t> out(BlockFrames * 2);
    for (auto _ : state) {
        mixer_render(out.data(), BlockFrames, OutputRate);
        benchmark::DoNotOptimize(out.data());
    }
    // Per voice per 1,024 frames, in microseconds: the figure the target is given in.
    state.counters["us_per_voice"] = benchmark::Counter(
        static_cast<double>(state.iterations() * Count) / 1e6,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    for (MixVoice& voice : voices)
        mixer_detach(&voice);
}
BENCHMARK(MixThirtyTwoVoices)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
