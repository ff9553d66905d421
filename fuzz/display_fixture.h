// display_fixture.h -- what the drawing fuzzers share: a display brought up once, headless
#pragma once

#include <cstdlib>

#include "memory_file.h"
#include "tests/game_display.h"

namespace fuzzing {

// Brings up the window and an 800 x 600 display at 16 bits, headless, once.
inline void BringUpDisplay()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!BringUpGameDisplay(16))
        abort();
}

}  // namespace fuzzing
