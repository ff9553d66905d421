// winmain.cpp -- the process entry: window class and window, start-up in its fixed order, and
// the main loop of one message and one frame per iteration

#include "app.h"
#include "../display/display.h"
#include "../sound/sound.h"
#include "../input/input.h"
#include "../scene/scene.h"

namespace {

constexpr int AppIconId = 101;
constexpr UINT TickPeriod = 1000;  // milliseconds
constexpr int GameWidth = 800;
constexpr int GameHeight = 600;
constexpr int GameDepth = 16;
constexpr char ScreenshotFile[] = "screen.bmp";

bool KeyDown(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    WNDCLASSA windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(AppIconId));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = "game";
    windowClass.lpszClassName = "game";
    if (!RegisterClassA(&windowClass))
        return 0;

    // Created at the load-time geometry, 1024 x 768; the display size is set further down.
    hMainWindow = CreateWindowExA(0, "game", "game", WS_POPUP, 0, 0, ScreenWidth, ScreenHeight,
                                  nullptr, nullptr, instance, nullptr);
    if (!hMainWindow)
        return 0;
    ShowWindow(hMainWindow, showCommand);
    UpdateWindow(hMainWindow);
    ShowCursor(FALSE);
    SetTimer(hMainWindow, TickTimerId, TickPeriod, nullptr);
    // Before the display size is set, so the joystick's ranges come from 1024 x 768. Without a
    // controller the program runs on.
    if (InitDirectInput(hMainWindow))
        JoystickPresent = true;
    if (!InitDirectSound(hMainWindow)) {
        AbortProgram(hMainWindow, "InitDirectSound");
        return 0;
    }

    ScreenWidth = GameWidth;
    ScreenHeight = GameHeight;
    BitsPerPixel = GameDepth;
    if (!InitDirectDraw(hMainWindow, BitsPerPixel)) {
        AbortProgram(hMainWindow, "InitDirectDraw");
        return 0;
    }
    InitScene();

    for (;;) {
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ReleaseScene();  // the window's teardown has given back the devices
                return 0;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (!AppActive)
            continue;
        if (!RestoreLostSurfaces())
            return 0;
        DrawScene();
        if (KeyDown(VK_ESCAPE) || QuitRequested)
            DestroyWindow(hMainWindow);
        // Held down, F12 saves every frame. After Esc the display is already gone and there is
        // no screen to save.
        if (KeyDown(VK_F12) && pScreenSurface)
            SaveSurfaceBitmap(0, 0, ScreenWidth, ScreenHeight, pScreenSurface, ScreenshotFile);
    }
}
