// game_display.h -- the program's window and display, brought up as WinMain brings them up, for
// the tests, benchmarks and fuzzers that drive the engine without running WinMain
#pragma once

#include "app/app.h"
#include "display/display.h"

// Registers the class "game" with the engine's window procedure, creates and shows the window
// at the load-time 1024 x 768 (so AppActive is true) and keeps it in hMainWindow.
inline HWND OpenGameWindow()
{
    static HINSTANCE__ instance{};
    WNDCLASSA windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = &instance;
    windowClass.lpszClassName = "game";
    RegisterClassA(&windowClass);
    hMainWindow = CreateWindowExA(0, "game", "game", WS_POPUP, 0, 0, 1024, 768, nullptr, nullptr,
                                  &instance, nullptr);
    ShowWindow(hMainWindow, SW_SHOWNORMAL);
    return hMainWindow;
}

// The window unless there is one, then InitDirectDraw at 800 x 600 and the depth; its answer.
inline bool BringUpGameDisplay(int depth)
{
    if (!hMainWindow)
        OpenGameWindow();
    ScreenWidth = 800;
    ScreenHeight = 600;
    return InitDirectDraw(hMainWindow, depth);
}
