// soundfile_bench.cpp -- Ogg Vorbis decoding speed, as times real time: one second of music-like
// 44.1 kHz stereo at about 128 kbit/s (tests/data/music.ogg), decoded whole from memory and
// streamed from its file in the pieces a music feeder asks for

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sound/soundfile.h"

namespace {

const std::string MusicFile = std::string(SOUND_TEST_DATA) + "/music.ogg";

std::vector<uint8_t> FileBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (FILE* file = fopen(path.c_str(), "rb")) {
        int c;
        while ((c = fgetc(file)) != EOF)
            bytes.push_back(static_cast<uint8_t>(c));
        fclose(file);
    }
    return bytes;
}

// The counter "realtime" is seconds of sound decoded per second: the target is 300 or more.
void ReportRealTime(benchmark::State& state, double soundSeconds)
{
    state.counters["realtime"] = benchmark::Counter(
        soundSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void DecodeWhole(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = FileBytes(MusicFile);
    SoundData sound;
    double seconds = 0;
    for (auto _ : state) {
        if (!ReadSoundMemory(bytes.data(), bytes.size(), "music.ogg", sound)) {
            state.SkipWithError("music.ogg was not read");
            return;
        }
        benchmark::DoNotOptimize(sound.Samples.data());
        seconds = double(sound.Samples.size() / sound.Format.Format.nBlockAlign) /
                  sound.Format.Format.nSamplesPerSec;
    }
    ReportRealTime(state, seconds);
}
BENCHMARK(DecodeWhole)->Unit(benchmark::kMillisecond);

// 2048-frame pieces (46 ms), read through and then back to the start, as a looping feeder does.
void StreamPieces(benchmark::State& state)
{
    SoundStream* stream = OpenSoundStream(MusicFile.c_str());
    if (!stream) {
        state.SkipWithError("music.ogg was not opened");
        return;
    }
    std::vector<int16_t> piece(2048 * 2);
    uint64_t frames = 0;
    for (auto _ : state) {
        SeekSoundStream(stream, 0);
        while (const size_t got = ReadSoundStream(stream, piece.data(), 2048))
            frames += got;
        benchmark::DoNotOptimize(piece.data());
    }
    const double rate = SoundStreamFormat(stream)->nSamplesPerSec;
    state.counters["realtime"] = benchmark::Counter(double(frames) / rate, benchmark::Counter::kIsRate);
    CloseSoundStream(stream);
}
BENCHMARK(StreamPieces)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
