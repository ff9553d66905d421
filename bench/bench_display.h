// bench_display.h -- the display the benchmarks draw on: brought up headless (SDL's dummy
// drivers) at 800 x 600, as the program brings it up
#pragma once

#include <cstdlib>

#include "app/app.h"
#include "display/display.h"

// Brings the display up at the depth, or switches it to that depth; false when it cannot.
inline bool BenchDisplay(int depth)
{
    if (pDirectDraw && BitsPerPixel == depth)
        return true;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ReleaseDirectDraw();
    if (!hMainWindow) {
        static HINSTANCE__ instance{};
        WNDCLASSA windowClass{};
        windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        windowClass.lpfnWndProc = MainWndProc;
        windowClass.hInstance = &instance;
        windowClass.lpszClassName = "game";
        RegisterClassA(&windowClass);
        hMainWindow = CreateWindowExA(0, "game", "game", WS_POPUP, 0, 0, 1024, 768, nullptr,
                                      nullptr, &instance, nullptr);
        ShowWindow(hMainWindow, SW_SHOWNORMAL);
    }
    ScreenWidth = 800;
    ScreenHeight = 600;
    return InitDirectDraw(hMainWindow, depth) && AppActive;
}
