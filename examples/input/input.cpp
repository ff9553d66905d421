// input.cpp -- the mouse: its position and buttons, double clicks, the hit tests on four on-screen
// buttons, the buttons' and keys' presses and releases as events, and the wheel. Move, click,
// double-click, press on one button and release on another, type, turn the wheel. Esc quits, F12
// saves the screen.

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

// The button edges: each lamp lights when BeginFrame latched that press or release.
struct Edge {
    Lamp lamp;
    int virtualKey;
    bool press;
};
Edge Edges[] = {
    {{20, 150, 105, 30, "L pressed"}, VK_LBUTTON, true},
    {{130, 150, 105, 30, "L released"}, VK_LBUTTON, false},
    {{240, 150, 105, 30, "R pressed"}, VK_RBUTTON, true},
    {{350, 150, 105, 30, "R released"}, VK_RBUTTON, false},
    {{460, 150, 105, 30, "M pressed"}, VK_MBUTTON, true},
    {{570, 150, 105, 30, "M released"}, VK_MBUTTON, false},
};

// The wheel: its turns added up, in notches, shown as a marker on a scale.
constexpr int WheelX = 700, WheelY = 90, WheelH = 160;
int WheelTotal = 0;  // in WHEEL_DELTA units

// The last key events, newest first: pressed (green), released (red), or both within one frame
// (yellow), which a check of the key held at each frame would have missed.
enum class KeyEvent { None, Pressed, Released, Tapped };
struct Logged {
    KeyEvent event = KeyEvent::None;
    int virtualKey = 0;
};
constexpr int LogSize = 6;
constexpr int LogX = 20, LogY = 440, LogW = 125, LogH = 40;
Logged KeyLog[LogSize];

NativePixel Background, CrossHair, Off, On, Face, Lit, Hover, Light, Dark, Green, Red, Yellow;

void Log(KeyEvent event, int virtualKey)
{
    for (int i = LogSize - 1; i > 0; --i)
        KeyLog[i] = KeyLog[i - 1];
    KeyLog[0] = Logged{event, virtualKey};
}

// A short name for a virtual key.
void KeyName(int virtualKey, char* name)
{
    struct Named { int key; const char* name; };
    static const Named Names[] = {
        {VK_SPACE, "Space"}, {VK_RETURN, "Enter"}, {VK_BACK, "Backspace"}, {VK_TAB, "Tab"},
        {VK_LEFT, "Left"}, {VK_RIGHT, "Right"}, {VK_UP, "Up"}, {VK_DOWN, "Down"},
        {VK_SHIFT, "Shift"}, {VK_CONTROL, "Ctrl"}, {VK_MENU, "Alt"},
    };
    for (const Named& named : Names) {
        if (named.key == virtualKey) {
            wsprintfA(name, "%s", named.name);
            return;
        }
    }
    if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9'))
        wsprintfA(name, "%c", virtualKey);
    else if (virtualKey >= VK_F1 && virtualKey < VK_F1 + 12)
        wsprintfA(name, "F%d", virtualKey - VK_F1 + 1);
    else
        wsprintfA(name, "key %02X", virtualKey);
}

// Every key's events of this frame into the log; the mouse buttons have their own lamps, and Esc
// and F12 belong to the shell.
void LogKeys()
{
    for (int key = VK_BACK; key < 256; ++key) {
        if (key == VK_ESCAPE || key == VK_F12)
            continue;
        const bool pressed = KeyPressed(key), released = KeyReleased(key);
        if (pressed && released && !KeyHeld(key))
            Log(KeyEvent::Tapped, key);
        else if (released && pressed) {
            Log(KeyEvent::Released, key);
            Log(KeyEvent::Pressed, key);
        } else if (pressed)
            Log(KeyEvent::Pressed, key);
        else if (released)
            Log(KeyEvent::Released, key);
    }
}

void DrawKeyLog()
{
    DrawTextLine(LogX, LogY - 28, 12, TitleColor, "Keys, newest first: pressed, released, tapped within one frame");
    for (int i = 0; i < LogSize; ++i) {
        const Logged& entry = KeyLog[i];
        const int x = LogX + i * (LogW + 5);
        const NativePixel colour = entry.event == KeyEvent::Pressed    ? Green
                                   : entry.event == KeyEvent::Released ? Red
                                   : entry.event == KeyEvent::Tapped   ? Yellow
                                                                       : Off;
        FillScreenRect(x, LogY, LogW, LogH, colour);
        if (entry.event == KeyEvent::None)
            continue;
        char name[32], text[48];
        KeyName(entry.virtualKey, name);
        wsprintfA(text, "%s %s", name, entry.event == KeyEvent::Pressed    ? "down"
                                       : entry.event == KeyEvent::Released ? "up"
                                                                           : "tap");
        DrawTextLine(x + 6, LogY + 12, 12, RGB(0, 0, 0), text);
    }
}

void DrawWheel()
{
    WheelTotal += MouseWheel();
    // One notch away from you moves the marker 8 pixels up, from the middle; it wraps around.
    const int steps = WheelH / 8;
    const int notch = WheelTotal / WHEEL_DELTA;
    const int row = ((steps / 2 - notch) % steps + steps) % steps;
    FillScreenRect(WheelX, WheelY, 20, WheelH, Off);
    FillScreenRect(WheelX, WheelY + row * 8, 20, 8, On);
    char text[48];
    wsprintfA(text, "Wheel %d", notch);
    DrawTextLine(WheelX - 10, WheelY + WheelH + 6, 12, TextColor, text);
}

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
    Green = RgbToNativePixel(0, 220, 0);
    Red = RgbToNativePixel(230, 40, 40);
    Yellow = RgbToNativePixel(255, 255, 0);
    return true;
}

void ExampleFrame()
{
    InputRecord& in = InputState;  // filled by the window procedure from the mouse messages
    FillScreenRect(0, 0, ScreenWidth, ScreenHeight, Background);
    // A cross-hair through the pointer, in window coordinates, the same as the display's.
    FillScreenRect(0, in.MouseY, ScreenWidth, 1, CrossHair);
    FillScreenRect(in.MouseX, 0, 1, ScreenHeight, CrossHair);

    DrawTextLine(20, 20, 16, TitleColor,
                 "Move, click, double-click, type, turn the wheel; press on one button, release on another.");
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

    // Presses and releases as BeginFrame latched them for this frame: each is seen in exactly
    // one frame, however short the click.
    for (Edge& edge : Edges) {
        if (edge.press ? KeyPressed(edge.virtualKey) : KeyReleased(edge.virtualKey))
            Flash(edge.lamp);
        DrawLamp(edge.lamp, IsLit(edge.lamp));
    }
    DrawWheel();
    LogKeys();
    DrawKeyLog();

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
