// display_fixture.h -- what the image fuzzers share: a display brought up once, headless, and a
// private file that each input is written to before a reader opens it by name
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/game_display.h"

namespace fuzzing {

inline std::string& InputPath()
{
    static std::string path = "/tmp/engine-fuzz-" + std::to_string(getpid()) + ".bmp";
    return path;
}

// Brings up the window and an 800 x 600 display at 16 bits, headless, once.
inline void BringUpDisplay()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!BringUpGameDisplay(16))
        abort();
}

inline void WriteInput(const uint8_t* data, size_t size)
{
    FILE* file = fopen(InputPath().c_str(), "wb");
    if (!file)
        abort();
    if (size > 0 && fwrite(data, 1, size, file) != size)
        abort();
    fclose(file);
}

}  // namespace fuzzing
