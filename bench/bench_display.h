// bench_display.h -- the display the benchmarks draw on: brought up headless (SDL's dummy
// drivers) at 800 x 600, as the program brings it up
#pragma once

#include <cstdlib>

#include "tests/game_display.h"

// Brings the display up at the depth, or switches it to that depth; false when it cannot.
inline bool BenchDisplay(int depth)
{
    if (pDirectDraw && BitsPerPixel == depth)
        return true;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ReleaseDirectDraw();
    return BringUpGameDisplay(depth) && AppActive;
}
