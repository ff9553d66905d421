// scene_bench.cpp -- the demonstration scene at 16 bits, headless: whole frames per second with
// the present, over thousands of frames, and the time of each step of a frame
//
// Runs in the demo directory, so the scene reads the project's own text.txt.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>

#include "bench_display.h"
#include "draw/draw.h"
#include "scene/scene.h"

namespace {

bool SceneReady()
{
    static const bool ready = [] {
        if (chdir(DEMO_DIRECTORY) != 0 || !BenchDisplay(16))
            return false;
        InitScene();
        return pTextSurface != nullptr && TextBuffer != nullptr;
    }();
    return ready;
}

bool Ready(benchmark::State& state)
{
    if (SceneReady())
        return true;
    state.SkipWithError("the display or the scene could not be brought up");
    return false;
}

// Whole frames, present included; items per second is frames per second.
void SceneFrame(benchmark::State& state)
{
    if (!Ready(state))
        return;
    for (auto _ : state)
        DrawScene();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(SceneFrame)->Iterations(5000)->Repetitions(3)->ReportAggregatesOnly(true);

// The steps of one frame, each alone, with the scene's own arguments.
void StepClear(benchmark::State& state)
{
    if (!Ready(state))
        return;
    for (auto _ : state)
        FillScreenRect(0, 0, ScreenWidth, ScreenHeight, ColorDark);
}
BENCHMARK(StepClear);

void StepStatusLine(benchmark::State& state)
{
    if (!Ready(state))
        return;
    for (auto _ : state) {
        char status[100];
        wsprintfA(status, "%d Fps - %03d", BitsPerPixel, UpdateFps());
        DrawTextLine(30, 15, 12, 0x0028FFFF, status);
    }
}
BENCHMARK(StepStatusLine);

void StepFrame(benchmark::State& state)
{
    if (!Ready(state))
        return;
    for (auto _ : state)
        DrawScreenFrame(30, 30, 401, 501, ColorWhite);
}
BENCHMARK(StepFrame);

// The text in the frame at its largest, the frame's costliest size.
void StepFrameText(benchmark::State& state)
{
    if (!Ready(state))
        return;
    for (auto _ : state)
        DrawTextBox(30, 30, 401, 501, 16, 0x00FFFF00, pScreenSurface, TextBuffer);
}
BENCHMARK(StepFrameText);

// The text surface over the screen where it covers the most of it.
void StepScrollText(benchmark::State& state)
{
    if (!Ready(state))
        return;
    for (auto _ : state)
        BlitKeyedToScreen(300, -200, 0, 0, 450, 800, pTextSurface);
}
BENCHMARK(StepScrollText);

void StepPresent(benchmark::State& state)
{
    if (!Ready(state))
        return;
    for (auto _ : state)
        PresentScreen();
}
BENCHMARK(StepPresent);

}  // namespace

BENCHMARK_MAIN();
