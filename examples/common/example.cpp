// example.cpp -- WinMain for the example programs: the start-up in the engine's fixed order and a
// loop of sixty frames a second, each taking every waiting message

#include <cstdlib>
#include <cstring>

#include "example.h"

namespace {

constexpr UINT TickPeriod = 1000;  // milliseconds
constexpr char ScreenshotFile[] = "screen.bmp";
constexpr char ScreenshotPng[] = "screen.png";
constexpr int ExampleFrameRate = 60;

uint32_t StartTime = 0;
bool KeyWasDown[256] = {};

bool KeyDown(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

// 8, 16 or 32 from the command line, else the example's own depth.
int ChosenDepth(const char* commandLine)
{
    const int depth = commandLine ? std::atoi(commandLine) : 0;
    return depth == 8 || depth == 16 || depth == 32 ? depth : ExampleDepth;
}

}  // namespace

uint32_t ExampleTime() { return timeGetTime() - StartTime; }

bool ExampleKeyPressed(int virtualKey)
{
    const bool down = KeyDown(virtualKey);
    bool& was = KeyWasDown[virtualKey & 0xFF];
    const bool pressed = down && !was;
    was = down;
    return pressed;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    // The display's size is settled first, so that the window and the controller's axis ranges
    // (half the screen each way) are made for it.
    ScreenWidth = 800;
    ScreenHeight = 600;
    BitsPerPixel = static_cast<uint16_t>(ChosenDepth(commandLine));

    WNDCLASSA windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = ExampleName;
    if (!RegisterClassA(&windowClass))
        return 1;
    hMainWindow = CreateWindowExA(0, ExampleName, ExampleName, WS_POPUP, 0, 0, ScreenWidth,
                                  ScreenHeight, nullptr, nullptr, instance, nullptr);
    if (!hMainWindow)
        return 1;
    ShowWindow(hMainWindow, showCommand);
    UpdateWindow(hMainWindow);
    SetTimer(hMainWindow, TickTimerId, TickPeriod, nullptr);
    // Without a controller the program runs on; the example shows that there is none.
    if (InitDirectInput(hMainWindow))
        JoystickPresent = true;
    if (!InitDirectSound(hMainWindow)) {
        AbortProgram(hMainWindow, "InitDirectSound");
        return 1;
    }
    // On failure the display has already shown the box naming its failed step and closed the
    // window.
    if (!InitDirectDraw(hMainWindow, BitsPerPixel))
        return 1;
    StartTime = timeGetTime();
    if (!ExampleStart()) {
        DestroyWindow(hMainWindow);
        return 1;
    }

    // Sixty frames a second, each begun by BeginFrame: every waiting message taken, the frame's
    // key presses and releases latched, and the rest of the slot slept away.
    SetFrameRate(ExampleFrameRate);
    for (;;) {
        if (BeginFrame())
            return 0;
        if (!AppActive)
            continue;
        if (!RestoreLostSurfaces())
            return 1;
        ExampleFrame();
        PresentScreen();
        if (KeyPressed(VK_ESCAPE) || QuitRequested) {
            DestroyWindow(hMainWindow);
            continue;
        }
        if (ExampleKeyPressed(VK_F12)) {
            SaveSurfaceBitmap(0, 0, ScreenWidth, ScreenHeight, pScreenSurface, ScreenshotFile);
            SaveSurfacePng(0, 0, ScreenWidth, ScreenHeight, pScreenSurface, ScreenshotPng);
        }
    }
}
