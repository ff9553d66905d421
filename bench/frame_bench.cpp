// frame_bench.cpp -- what a game's frame pays for its input and its sound effects: BeginFrame with
// no messages and with a burst of them, the per-frame key queries, and starting a voice

#include <benchmark/benchmark.h>

#include <testing.h>

#include "app/app.h"
#include "bench_display.h"
#include "sound/sound.h"

namespace {

bool Ready(benchmark::State& state)
{
    if (BenchDisplay(16))
        return true;
    state.SkipWithError("the display could not be brought up");
    return false;
}

// A frame with nothing waiting: the edges latched, no slot to wait for.
void BeginQuietFrame(benchmark::State& state)
{
    if (!Ready(state))
        return;
    SetFrameRate(FrameRateUnlimited);
    for (auto _ : state)
        benchmark::DoNotOptimize(BeginFrame());
}

// A frame after a burst of mouse moves, a key tap and a wheel notch: every message taken at once.
void BeginBusyFrame(benchmark::State& state)
{
    if (!Ready(state))
        return;
    SetFrameRate(FrameRateUnlimited);
    const int moves = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < moves; ++i)
            layer_post_message(hMainWindow, WM_MOUSEMOVE, 0, MAKELPARAM(i % 800, i % 600));
        layer_post_message(hMainWindow, WM_KEYDOWN, VK_SPACE, 0x00390001);
        layer_post_message(hMainWindow, WM_KEYUP, VK_SPACE, 0xC0390001);
        layer_post_message(hMainWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA),
                           MAKELPARAM(400, 300));
        state.ResumeTiming();
        benchmark::DoNotOptimize(BeginFrame());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * (moves + 3));
}

// What a game asks of the keys in a frame: every virtual key's three edges and the wheel.
void AskEveryKey(benchmark::State& state)
{
    if (!Ready(state))
        return;
    for (auto _ : state) {
        int seen = MouseWheel();
        for (int key = 0; key < 256; ++key)
            seen += KeyPressed(key) + KeyReleased(key) + KeyHeld(key);
        benchmark::DoNotOptimize(seen);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 256 * 3);
}

// A new voice of a loaded sound, as a shot or an explosion starts one; the oldest of the eight is
// taken over once all sound.
void StartVoice(benchmark::State& state)
{
    if (!Ready(state) || !InitDirectSound(hMainWindow)) {
        state.SkipWithError("no display or sound device");
        return;
    }
    const int32_t slot = AddSoundFile(DEMO_DIRECTORY "/sounds/click.wav");
    if (slot < 0) {
        state.SkipWithError(LastEngineError());
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(PlaySoundVoice(0, -300, 0, slot));
    ReleaseSounds();
}

}  // namespace

BENCHMARK(BeginQuietFrame);
BENCHMARK(BeginBusyFrame)->Arg(10)->Arg(100);
BENCHMARK(AskEveryKey);
BENCHMARK(StartVoice);

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    layer_capture_message_boxes(true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    ReleaseDirectDraw();
    benchmark::Shutdown();
    return 0;
}
