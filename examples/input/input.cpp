// input.cpp -- the mouse: its position and buttons, double clicks as they happen, and the hit
// tests on four on-screen buttons. Move, click, double-click, press on one button and release on
// another. Esc quits, F12 saves the screen.

#include "example.h"

const char ExampleName[] = "input";
const int ExampleDepth = 16;

namespace {

constexpr uint32_t LampTime = 4000;  // milliseconds a lamp stays lit after what lit it
constexpr COLORREF TextColor = RGB(255, 255, 255);
constexpr COLORREF TitleColor = RGB(255, 255, 0);

// A lamp: a rectangle that lights for a while after something happened.
struct Lamp {
    int x, y, width, height;
    const char* label;
    uint32_t litAt = 0;  // ExampleTime when it was last lit; 0: never
    int count = 0;       // how many times
};

Lamp LeftHeld{20, 90, 80, 40, "Left"};
Lamp RightHeld{110, 90, 80, 40, "Right"};
Lamp LeftDouble{230, 90, 160, 40, "Left double click"};
Lamp RightDouble{400, 90, 160, 40, "Right double click"};

// The four buttons, each answering to one hit test. A click test takes the point the window
// procedure stored at the last press (or release) and answers true once: it then forgets it.
enum Test { LeftDown, LeftUp, RightDown, RightUp };
constexpr int ButtonY = 300, ButtonW = 170, ButtonH = 100;
Lamp Buttons[] = {
    {20, ButtonY, ButtonW, ButtonH, "LeftDownInRect"},
    {215, ButtonY, ButtonW, ButtonH, "LeftUpInRect"},
    {410, ButtonY, ButtonW, ButtonH, "RightDownInRect"},
    {605, ButtonY, ButtonW, ButtonH, "RightUpInRect"},
};

NativePixel Background, CrossHair, Off, On, Face, Lit, Hover, Light, Dark;

void Flash(Lamp& lamp)
{
    lamp.litAt = ExampleTime() | 1;  // never 0, which means "never lit"
    ++lamp.count;
}

bool IsLit(const Lamp& lamp) { return lamp.litAt != 0 && ExampleTime() - lamp.litAt < LampTime; }

void DrawLamp(const Lamp& lamp, bool on)
{
    FillScreenRect(lamp.x, lamp.y, lamp.width, lamp.height, on ? On : Off);
    char text[64];
    wsprintfA(text, lamp.count ? "%s (%d)" : "%s", lamp.label, lamp.count);
    DrawTextLine(lamp.x + 6, lamp.y + 12, 12, on ? RGB(0, 0, 0) : TextColor, text);
}

}  // namespace

bool ExampleStart()
{
    Background = RgbToNativePixel(24, 24, 32);
    CrossHair = RgbToNativePixel(70, 70, 100);
    Off = RgbToNativePixel(60, 60, 60);
    On = RgbToNativePixel(255, 200, 0);
    Face = RgbToNativePixel(90, 90, 110);
    Lit = RgbToNativePixel(0, 200, 0);
    Hover = RgbToNativePixel(255, 255, 0);
    Light = RgbToNativePixel(200, 200, 220);
    Dark = RgbToNativePixel(20, 20, 30);
    return true;
}

void ExampleFrame()
{
    InputRecord& in = InputState;  // filled by the window procedure from the mouse messages
    FillScreenRect(0, 0, ScreenWidth, ScreenHeight, Background);
    // A cross-hair through the pointer, in window coordinates, the same as the display's.
    FillScreenRect(0, in.MouseY, ScreenWidth, 1, CrossHair);
    FillScreenRect(in.MouseX, 0, 1, ScreenHeight, CrossHair);

    DrawTextLine(20, 20, 16, TitleColor, "Move, click and double-click; press on one button, release on another.");
    char position[64];
    wsprintfA(position, "Mouse at %d, %d", in.MouseX, in.MouseY);
    DrawTextLine(20, 60, 16, TextColor, position);

    // Buttons held now: the window procedure keeps LeftButton and RightButton up to date.
    DrawLamp(LeftHeld, in.LeftButton);
    DrawLamp(RightHeld, in.RightButton);

    // A double click sets its flag and leaves it set: the game clears it when it has seen it.
    if (in.LeftDoubleClick) {
        in.LeftDoubleClick = false;
        Flash(LeftDouble);
    }
    if (in.RightDoubleClick) {
        in.RightDoubleClick = false;
        Flash(RightDouble);
    }
    DrawLamp(LeftDouble, IsLit(LeftDouble));
    DrawLamp(RightDouble, IsLit(RightDouble));

    // The hit tests: each button lights when its test answers true. MouseInRect only looks at
    // where the pointer is, and frames the button under it.
    DrawTextLine(20, ButtonY - 30, 12, TitleColor, "Hit tests:");
    for (int i = LeftDown; i <= RightUp; ++i) {
        Lamp& b = Buttons[i];
        const bool hit = i == LeftDown    ? LeftDownInRect(b.x, b.y, b.width, b.height)
                         : i == LeftUp    ? LeftUpInRect(b.x, b.y, b.width, b.height)
                         : i == RightDown ? RightDownInRect(b.x, b.y, b.width, b.height)
                                          : RightUpInRect(b.x, b.y, b.width, b.height);
        if (hit)
            Flash(b);
        if (MouseInRect(b.x, b.y, b.width, b.height))
            DrawScreenFrame(b.x - 3, b.y - 3, b.width + 6, b.height + 6, Hover);
        FillScreenRect(b.x, b.y, b.width, b.height, IsLit(b) ? Lit : Face);
        DrawScreenBevel(b.x, b.y, b.width, b.height, Light, Dark);
        char text[64];
        wsprintfA(text, "%s: %d", b.label, b.count);
        DrawTextLine(b.x + 10, b.y + 40, 12, TextColor, text);
    }
}
