// draw_bench.cpp -- the speed of drawing: fills, copies, keyed copies and stretches through the
// engine onto the 800 x 600 screen surface, and the figures, against memset and memcpy of the
// same 800 x 600 x 2 bytes measured in the same run
//
// The display comes up headless (SDL's dummy driver). After the usual table a summary gives each
// figure in the unit of its target and says whether the target is met.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <testing.h>

#include "app/app.h"
#include "bench_display.h"
#include "summary_runs.h"
#include "display/display.h"
#include "draw/draw.h"

namespace {

constexpr int Width = 800;
constexpr int Height = 600;
constexpr size_t ScreenBytes16 = size_t(Width) * Height * 2;

bool Ready(benchmark::State& state, int depth)
{
    if (BenchDisplay(depth))
        return true;
    state.SkipWithError("the display could not be brought up");
    return false;
}

// An off-screen surface of random pixels, the given share of them the transparent colour, keyed.
IDirectDrawSurface7* RandomSurface(int width, int height, double transparentShare)
{
    IDirectDrawSurface7* surface = CreateOffscreenSurface(width, height);
    if (!surface)
        return nullptr;
    int32_t pitch = 0, rows = 0;
    GetSurfaceLayout(pitch, rows, surface);
    auto* bits = static_cast<uint8_t*>(LockSurfaceMemory(surface));
    std::mt19937 random(1);
    std::uniform_real_distribution<double> share(0.0, 1.0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bits + static_cast<size_t>(y) * pitch;
        for (int x = 0; x < width; ++x) {
            uint32_t value = BitsPerPixel == 32 ? random() & 0xFFFFFF : random() & 0xFFFF;
            if (value == TransparentColor)
                value ^= 1;
            if (share(random) < transparentShare)
                value = TransparentColor;
            if (BitsPerPixel == 32)
                reinterpret_cast<uint32_t*>(row)[x] = value;
            else
                reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(value);
        }
    }
    UnlockSurfaceMemory(surface);
    SetTransparentColorKey(surface);
    return surface;
}

uint8_t* Buffer()
{
    auto* memory = static_cast<uint8_t*>(aligned_alloc(64, ScreenBytes16));
    memset(memory, 1, ScreenBytes16);
    return memory;
}

void Memset(benchmark::State& state)
{
    uint8_t* target = Buffer();
    for (auto _ : state) {
        memset(target, 0x5A, ScreenBytes16);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * ScreenBytes16);
    free(target);
}

void Memcpy(benchmark::State& state)
{
    uint8_t* target = Buffer();
    uint8_t* source = Buffer();
    for (auto _ : state) {
        memcpy(target, source, ScreenBytes16);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * ScreenBytes16);
    free(target);
    free(source);
}

void FillScreen(benchmark::State& state)
{
    const int depth = static_cast<int>(state.range(0));
    if (!Ready(state, depth))
        return;
    const NativePixel colour = depth == 16 ? 0x1234 : 0x00123456;  // not a memset pattern
    for (auto _ : state)
        FillScreenRect(0, 0, Width, Height, colour);
    state.SetBytesProcessed(int64_t(state.iterations()) * Width * Height * depth / 8);
    state.SetItemsProcessed(int64_t(state.iterations()) * Width * Height);
}

void FillOnePixel(benchmark::State& state)
{
    if (!Ready(state, 16))
        return;
    for (auto _ : state)
        FillScreenRect(123, 45, 1, 1, 0x1234);
    state.SetItemsProcessed(state.iterations());
}

// A 450 x 600 copy of a picture that is 80% transparent colour, plain or keyed.
template <void (*Blit)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, IDirectDrawSurface7*)>
void BlitScreenWide(benchmark::State& state)
{
    if (!Ready(state, 16))
        return;
    IDirectDrawSurface7* source = RandomSurface(450, 600, 0.8);
    for (auto _ : state)
        Blit(100, 0, 0, 0, 450, 600, source);
    state.SetBytesProcessed(int64_t(state.iterations()) * 450 * 600 * 2);
    state.SetItemsProcessed(int64_t(state.iterations()) * 450 * 600);
    source->Release();
}

void BlitPlain(benchmark::State& state) { BlitScreenWide<BlitToScreen>(state); }
void BlitKeyed(benchmark::State& state) { BlitScreenWide<BlitKeyedToScreen>(state); }

void Stretch(benchmark::State& state)
{
    if (!Ready(state, 16))
        return;
    IDirectDrawSurface7* source = RandomSurface(400, 300, 0.0);
    for (auto _ : state)
        StretchBlitToScreen(0, 0, 0, 0, 400, 300, Width, Height, source);
    state.SetItemsProcessed(int64_t(state.iterations()) * Width * Height);  // destination pixels
    source->Release();
}

// A 64 x 64 sprite, a third of it transparent, turned by 30 degrees and scaled by 1.5, at 16 or 32
// bits; counted in the 96 x 96 destination pixels its picture covers.
void Rotated(benchmark::State& state)
{
    const int depth = static_cast<int>(state.range(0));
    if (!Ready(state, depth))
        return;
    IDirectDrawSurface7* source = RandomSurface(64, 64, 0.33);
    for (auto _ : state)
        BlitRotatedToScreen(400, 300, 0, 0, 64, 64, 30.0, 1.5, 0, source);
    state.SetItemsProcessed(int64_t(state.iterations()) * 96 * 96);
    source->Release();
}

// The keyed copy of a 96 x 96 sprite as drawn, the yardstick for the turned one.
void KeyedSprite(benchmark::State& state)
{
    const int depth = static_cast<int>(state.range(0));
    if (!Ready(state, depth))
        return;
    IDirectDrawSurface7* source = RandomSurface(96, 96, 0.33);
    for (auto _ : state)
        BlitKeyedToScreen(352, 252, 0, 0, 96, 96, source);
    state.SetItemsProcessed(int64_t(state.iterations()) * 96 * 96);
    source->Release();
}

// A scroll: the screen copied onto itself 10 rows down and 100 columns on, the two rectangles
// overlapping; plain (0) or keyed (1).
void BlitWithinScreen(benchmark::State& state)
{
    if (!Ready(state, 16))
        return;
    const bool keyed = state.range(0) != 0;
    for (auto _ : state) {
        if (keyed)
            BlitKeyedToScreen(100, 10, 0, 0, 450, 580, pScreenSurface);
        else
            BlitToScreen(100, 10, 0, 0, 450, 580, pScreenSurface);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 450 * 580 * 2);
    state.SetItemsProcessed(int64_t(state.iterations()) * 450 * 580);
}

// A line of 600 pixels: 599 steps along x.
void Line16(benchmark::State& state)
{
    if (!Ready(state, 16))
        return;
    for (auto _ : state)
        DrawLine16(100, 50, 699, 449, 0x1234);
    state.SetItemsProcessed(int64_t(state.iterations()) * 600);
}

void LineByFills(benchmark::State& state)
{
    if (!Ready(state, 16))
        return;
    for (auto _ : state)
        DrawLineByFills(100, 50, 699, 449, 0x1234);
    state.SetItemsProcessed(int64_t(state.iterations()) * 600);
}

// Radius 250: 4 axis points and 176 groups of 8.
void Circle16(benchmark::State& state)
{
    if (!Ready(state, 16))
        return;
    for (auto _ : state)
        DrawCircle16(400, 300, 250, 0x1234);
    state.SetItemsProcessed(int64_t(state.iterations()) * (4 + 8 * 176));
}

void CircleByFills(benchmark::State& state)
{
    if (!Ready(state, 16))
        return;
    for (auto _ : state)
        DrawCircleByFills(400, 300, 250, 0x1234);
    state.SetItemsProcessed(int64_t(state.iterations()) * (4 + 8 * 176));
}

BENCHMARK(Memset);
BENCHMARK(Memcpy);
BENCHMARK(FillScreen)->Arg(16)->Arg(32);
BENCHMARK(FillOnePixel);
BENCHMARK(BlitPlain);
BENCHMARK(BlitKeyed);
BENCHMARK(Stretch);
BENCHMARK(Rotated)->Arg(16)->Arg(32);
BENCHMARK(KeyedSprite)->Arg(16)->Arg(32);
BENCHMARK(BlitWithinScreen)->Arg(0)->Arg(1);
BENCHMARK(Line16);
BENCHMARK(LineByFills);
BENCHMARK(Circle16);
BENCHMARK(CircleByFills);

// The usual console table, then each measure in the unit of its target. With repetitions the
// median of the repetitions counts; run them interleaved (--benchmark_enable_random_interleaving)
// so that a noisy machine weighs on the yardsticks and the measures alike.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            std::string name;
            bool median = false;
            if (!CountedRun(run, &name, &median))
                continue;
            for (const char* counter : {"bytes_per_second", "items_per_second"}) {
                auto found = run.counters.find(counter);
                if (found != run.counters.end())
                    (median ? medians : rates)[name + ":" + counter].push_back(found->second.value);
            }
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double memset = Rate("Memset", "bytes");
        const double memcpy = Rate("Memcpy", "bytes");
        printf("\nSummary (16 bits unless marked)\n");
        printf("  %-34s %12.1f GB/s\n", "memset 800x600x2", memset / 1e9);
        printf("  %-34s %12.1f GB/s\n", "memcpy 800x600x2", memcpy / 1e9);
        Line("full-screen fill", Rate("FillScreen/16", "bytes") / memset * 100, "% of memset", ">=", 80);
        Line("full-screen fill, 32 bits", Rate("FillScreen/32", "bytes") / memset * 100, "% of memset", "", 0);
        Line("1x1 FillScreenRect", 1e9 / Rate("FillOnePixel", "items"), "ns per call", "<", 12);
        Line("BltFast 450x600 plain", Rate("BlitPlain", "bytes") / memcpy * 100, "% of memcpy", ">=", 70);
        Line("BltFast 450x600 keyed, 80% key", Rate("BlitKeyed", "items") / 1e6, "Mpixel/s", ">=", 3000);
        Line("BltFast 450x580 within one surface", Rate("BlitWithinScreen/0", "bytes") / memcpy * 100, "% of memcpy", "", 0);
        Line("the same, keyed", Rate("BlitWithinScreen/1", "items") / 1e6, "Mpixel/s", "", 0);
        Line("stretch 400x300 to 800x600", Rate("Stretch", "items") / 1e6, "Mpixel/s of dest", ">=", 4000);
        for (const char* depth : {"16", "32"}) {
            const double rotated = Rate(std::string("Rotated/") + depth, "items");
            const double keyed = Rate(std::string("KeyedSprite/") + depth, "items");
            printf("  %s bits:\n", depth);
            Line("turned 30 deg, 1.5x, 64x64 keyed", rotated / 1e6, "Mpixel/s of dest", ">=", 1000);
            Line("the same against keyed 96x96", rotated / keyed * 100, "% of keyed copy", ">=", 25);
        }
        Line("DrawLine16, 600 pixels", 1e9 / Rate("Line16", "items"), "ns per pixel", "<", 2);
        Line("DrawLineByFills, 600 pixels", 1e9 / Rate("LineByFills", "items"), "ns per pixel", "", 0);
        Line("DrawCircle16, radius 250", 1e9 / Rate("Circle16", "items"), "ns per pixel", "", 0);
        Line("DrawCircleByFills, radius 250", 1e9 / Rate("CircleByFills", "items"), "ns per pixel", "", 0);
    }

private:
    double Rate(const std::string& name, const std::string& unit)
    {
        const std::string key = name + ":" + unit + "_per_second";
        std::vector<double> values = rates[key].empty() ? medians[key] : rates[key];
        if (values.empty())
            return 0;
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }

    static void Line(const char* what, double value, const char* unit, const std::string& test, double target)
    {
        const bool met = test == ">=" ? value >= target : value < target;
        if (!std::isfinite(value) || value == 0)
            printf("  %-34s %12s\n", what, "not measured");
        else if (test.empty())
            printf("  %-34s %12.2f %s\n", what, value, unit);
        else
            printf("  %-34s %12.2f %-18s target %s %g: %s\n", what, value, unit, test.c_str(), target,
                   met ? "met" : "NOT MET");
    }

    std::map<std::string, std::vector<double>> rates;    // of single runs
    std::map<std::string, std::vector<double>> medians;  // reported for repetitions
};

}  // namespace

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    layer_capture_message_boxes(true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    ReleaseDirectDraw();
    benchmark::Shutdown();
    return 0;
}
