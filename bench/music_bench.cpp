// music_bench.cpp -- what keeping streamed music filled costs per frame of a 60 Hz game: the
// processor time of the engine's music thread (read from Linux's clock of that one thread), and
// that of the whole program beside the same run without music. The game's loop itself calls
// nothing: the music thread feeds the stream.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sound/sound.h"
#include "tests/game_display.h"

namespace {

constexpr auto FramePeriod = std::chrono::microseconds(16667);

double ProcessSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The ids of the process's threads.
std::vector<long> Threads()
{
    std::vector<long> ids;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                ids.push_back(atol(entry->d_name));
        closedir(dir);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

// The processor time of another thread of the process, by its id: Linux's clock of one thread
// (the number glibc's pthread_getcpuclockid makes).
double ThreadSeconds(long id)
{
    const clockid_t clock = static_cast<clockid_t>((~static_cast<unsigned long>(id) << 3) | 6);
    timespec time{};
    if (id <= 0 || clock_gettime(clock, &time) != 0)
        return 0;
    return time.tv_sec + time.tv_nsec / 1e9;
}

// A minute of 16-bit stereo at 44.1 kHz, written once beside the benchmark.
const char* LongWave()
{
    static std::string path;
    if (!path.empty())
        return path.c_str();
    path = "music_bench.wav";
    const uint32_t frames = 44100 * 60;
    const uint32_t bytes = frames * 4;
    std::vector<uint8_t> file(44 + bytes);
    const auto put = [&](size_t at, uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            file[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    memcpy(&file[0], "RIFF", 4); put(4, 36 + bytes, 4); memcpy(&file[8], "WAVEfmt ", 8);
    put(16, 16, 4); put(20, 1, 2); put(22, 2, 2); put(24, 44100, 4); put(28, 44100 * 4, 4);
    put(32, 4, 2); put(34, 16, 2); memcpy(&file[36], "data", 4); put(40, bytes, 4);
    for (uint32_t i = 0; i < frames * 2; ++i)
        put(44 + 2 * i, static_cast<uint16_t>((i * 131) % 16000), 2);
    FILE* out = fopen(path.c_str(), "wb");
    fwrite(file.data(), 1, file.size(), out);
    fclose(out);
    return path.c_str();
}

bool SoundUp()
{
    if (pDirectSound)
        return true;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    OpenGameWindow();
    return InitDirectSound(hMainWindow);
}

// Arg 0: nothing plays; 1: the WAV file; 2: the demo's Ogg Vorbis music.
void StreamMusic(benchmark::State& state)
{
    const char* labels[] = {"no music (the output alone)", "WAV, 44.1 kHz stereo",
                            "Ogg Vorbis, the demo's music"};
    state.SetLabel(labels[state.range(0)]);
    if (!SoundUp()) {
        state.SkipWithError("no sound device");
        return;
    }
    const std::string ogg = std::string(DEMO_DIRECTORY) + "/sounds/music.ogg";
    const char* file = state.range(0) == 1 ? LongWave() : state.range(0) == 2 ? ogg.c_str() : nullptr;
    const std::vector<long> before = Threads();
    if (file && !PlayMusic(file, true)) {
        state.SkipWithError(LastEngineError());
        return;
    }
    long feeder = 0;  // the thread PlayMusic started
    for (long id : Threads())
        if (!std::binary_search(before.begin(), before.end(), id))
            feeder = id;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // past the first fill
    const double start = ProcessSeconds();
    const double feederStart = ThreadSeconds(feeder);
    for (auto _ : state)
        std::this_thread::sleep_for(FramePeriod);
    const double frames = static_cast<double>(state.iterations());
    state.counters["feeder_us_per_frame"] = (ThreadSeconds(feeder) - feederStart) * 1e6 / frames;
    state.counters["process_us_per_frame"] = (ProcessSeconds() - start) * 1e6 / frames;
    StopMusic();
}
BENCHMARK(StreamMusic)->Arg(0)->Arg(1)->Arg(2)->Iterations(300)->Unit(benchmark::kMillisecond);

// What a game's call on the music costs while the thread feeds it (it takes the music's lock).
void AskMusicPosition(benchmark::State& state)
{
    if (!SoundUp() || !PlayMusic(LongWave(), true)) {
        state.SkipWithError("no music");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(MusicPosition());
    StopMusic();
}
BENCHMARK(AskMusicPosition)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
