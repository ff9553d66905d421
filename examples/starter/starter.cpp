// starter.cpp -- the smallest complete game on the engine: a window, the display, and a ball that
// follows the mouse. Move the mouse; Esc quits. Copy this folder to start a game of your own.

#include "app/app.h"
#include "display/display.h"
#include "draw/draw.h"

namespace {

constexpr int GameWidth = 800;
constexpr int GameHeight = 600;
constexpr int GameDepth = 32;  // 8 also needs data/palette.bmp beside the program
constexpr char SpriteFile[] = "sprite.bmp";
constexpr int SpriteSize = 32;  // the picture in sprite.bmp is 32 x 32

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    // The engine's window procedure keeps AppActive and InputState up to date and releases
    // everything when the window is destroyed.
    WNDCLASSA windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "starter";
    if (!RegisterClassA(&windowClass))
        return 1;
    hMainWindow = CreateWindowExA(0, "starter", "starter", WS_POPUP, 0, 0, GameWidth, GameHeight,
                                  nullptr, nullptr, instance, nullptr);
    if (!hMainWindow)
        return 1;
    ShowWindow(hMainWindow, showCommand);  // activates the window: AppActive becomes true
    ShowCursor(FALSE);

    // The display: the size first, then the device; on failure the engine has already told the
    // player which step failed and closed the window.
    ScreenWidth = GameWidth;
    ScreenHeight = GameHeight;
    if (!InitDirectDraw(hMainWindow, GameDepth))
        return 1;

    // Images are loaded after the display, in its format; the magenta around the ball is the
    // transparent colour. Surfaces put in SurfaceTable are released with the display.
    IDirectDrawSurface7* sprite = LoadBitmapSurface(SpriteFile);
    if (!sprite) {
        AbortProgram(hMainWindow, SpriteFile);
        return 1;
    }
    SurfaceTable[SurfaceCount++] = sprite;
    const NativePixel background = RgbToNativePixel(20, 40, 70);

    // Sixty frames a second: BeginFrame sleeps out the rest of each frame's 1/60 s, so the game
    // leaves the processor idle between frames.
    SetFrameRate(60);
    for (;;) {
        if (BeginFrame())
            return 0;  // the window is gone: Esc, or closed from outside
        if (!AppActive)
            continue;  // minimized: nothing is drawn
        if (!RestoreLostSurfaces())
            return 1;
        FillScreenRect(0, 0, ScreenWidth, ScreenHeight, background);
        // The keyed blit leaves out the transparent colour and cuts the ball at the screen edges.
        BlitKeyedToScreen(InputState.MouseX - SpriteSize / 2, InputState.MouseY - SpriteSize / 2,
                          0, 0, SpriteSize, SpriteSize, sprite);
        PresentScreen();
        if (KeyPressed(VK_ESCAPE))
            DestroyWindow(hMainWindow);
    }
}
