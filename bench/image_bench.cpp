// image_bench.cpp -- 1024 x 1024 RGBA PNGs loaded into a surface of the 16-bit display, decoding
// and conversion both counted: a sheet of round sprites with soft edges, as a paint program saves
// one, and a noisy painted picture that compresses poorly

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

// Smooth colour with a little noise in every channel and a soft alpha wave.
std::vector<uint8_t> NoisyPicturePng()
{
    constexpr int Side = 1024;
    pngfile::Picture picture;
    picture.width = picture.height = Side;
    picture.type = pngfile::Rgba;
    picture.pixelBytes.resize(Side * Side);
    uint32_t seed = 12345;
    auto noise = [&seed] {
        seed = seed * 1103515245 + 12345;
        return static_cast<int>(seed >> 28);
    };
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x)
            picture.pixelBytes[y * Side + x] = {
                static_cast<uint8_t>(x / 4 + noise()), static_cast<uint8_t>(y / 4 + noise()),
                static_cast<uint8_t>((x + y) / 8 + noise()),
                static_cast<uint8_t>(128 + 127 * std::sin(x * 0.05) * std::cos(y * 0.05))};
    return pngfile::Encode(picture);
}

void LoadRgbaPng16(benchmark::State& state, const std::vector<uint8_t>& file)
{
    if (!BenchDisplay(16)) {
        state.SkipWithError("no display");
        return;
    }
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
void BM_LoadRgbaPng16_SpriteSheet(benchmark::State& state) { LoadRgbaPng16(state, SpriteSheetPng()); }
void BM_LoadRgbaPng16_NoisyPicture(benchmark::State& state) { LoadRgbaPng16(state, NoisyPicturePng()); }
BENCHMARK(BM_LoadRgbaPng16_SpriteSheet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadRgbaPng16_NoisyPicture)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
