// image_bench.cpp -- a 1024 x 1024 RGBA PNG (a sheet of round sprites with soft edges, as a paint
// program saves one) loaded into a surface of the 16-bit display, decoding and conversion both
// counted

#include <benchmark/benchmark.h>

#include <cmath>

#include "bench_display.h"
#include "tests/png_writer.h"

namespace {

std::vector<uint8_t> SpriteSheetPng()
{
    constexpr int Side = 1024, Cell = 64;
    pngfile::Picture picture;
    picture.width = picture.height = Side;
    picture.type = pngfile::Rgba;
    picture.pixelBytes.resize(Side * Side);
    for (int y = 0; y < Side; ++y) {
        for (int x = 0; x < Side; ++x) {
            const int cell = (y / Cell) * (Side / Cell) + x / Cell;
            const double dx = x % Cell - 31.5, dy = y % Cell - 31.5;
            const double edge = 28 - std::sqrt(dx * dx + dy * dy);
            const int alpha = edge <= 0 ? 0 : edge >= 1 ? 255 : static_cast<int>(edge * 255);
            const int shade = 255 - static_cast<int>(std::fabs(dx + dy) * 2);
            picture.pixelBytes[y * Side + x] = {
                static_cast<uint8_t>(alpha ? (cell * 37) % 256 * shade / 255 : 0),
                static_cast<uint8_t>(alpha ? (cell * 91) % 256 * shade / 255 : 0),
                static_cast<uint8_t>(alpha ? shade : 0), static_cast<uint8_t>(alpha)};
        }
    }
    return pngfile::Encode(picture);
}

void BM_LoadRgbaPng16(benchmark::State& state)
{
    if (!BenchDisplay(16)) {
        state.SkipWithError("no display");
        return;
    }
    const std::vector<uint8_t> file = SpriteSheetPng();
    for (auto _ : state) {
        IDirectDrawSurface7* surface = LoadImageSurfaceFromMemory(file.data(), file.size(), "sheet.png");
        if (!surface) {
            state.SkipWithError(LastEngineError());
            return;
        }
        ReleaseImageSurface(surface);
    }
    state.counters["file_kB"] = static_cast<double>(file.size()) / 1024;
    state.SetItemsProcessed(state.iterations() * 1024 * 1024);
}
BENCHMARK(BM_LoadRgbaPng16)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
