// joystick.cpp -- the game controller: its two axes as bars and a cross-hair, the stick's four
// directions and its eleven buttons as lamps; a plain message when no controller is attached.
// Move the stick and press buttons. Esc quits, F12 saves the screen.

#include "example.h"

const char ExampleName[] = "joystick";
const int ExampleDepth = 16;

namespace {

constexpr COLORREF TextColor = RGB(255, 255, 255);
constexpr COLORREF TitleColor = RGB(255, 255, 0);
constexpr int BarX = 100, BarY = 80, BarLength = 600, BarThickness = 24;  // the X axis
constexpr int ColumnX = 40, ColumnY = 130;                                // the Y axis
constexpr int PadX = 660, PadY = 300, PadCell = 34;                       // the four directions
constexpr int ButtonsY = 520, ButtonW = 60, ButtonGap = 8;                // the eleven buttons

NativePixel Background, Track, Bar, Off, On, Cross;

void DrawLamp(int x, int y, int width, int height, bool on, const char* label)
{
    FillScreenRect(x, y, width, height, on ? On : Off);
    DrawTextLine(x + 6, y + height / 2 - 7, 12, on ? RGB(0, 0, 0) : TextColor, label);
}

// The axis value from the cross-hair: PollJoystick gives the stick's position as a point on the
// screen, the centre when the stick rests, and the axis ranges reach half the screen each way.
void DrawAxes(int joyX, int joyY)
{
    const int dx = joyX - ScreenWidth / 2;
    const int dy = joyY - ScreenHeight / 2;
    FillScreenRect(BarX, BarY, BarLength, BarThickness, Track);
    const int length = dx * (BarLength / 2) / (ScreenWidth / 2);
    FillScreenRect(BarX + BarLength / 2 + (length < 0 ? length : 0), BarY, length < 0 ? -length : length,
                   BarThickness, Bar);
    const int columnLength = 360;
    FillScreenRect(ColumnX, ColumnY, BarThickness, columnLength, Track);
    const int height = dy * (columnLength / 2) / (ScreenHeight / 2);
    FillScreenRect(ColumnX, ColumnY + columnLength / 2 + (height < 0 ? height : 0), BarThickness,
                   height < 0 ? -height : height, Bar);
    char text[64];
    wsprintfA(text, "X %d   Y %d", dx, dy);
    DrawTextLine(BarX, BarY - 25, 16, TextColor, text);
    // The cross-hair at the point itself; the fills are cut off at the screen's edges.
    DrawCircleByFills(joyX, joyY, 14, Cross);
    FillScreenRect(joyX - 24, joyY, 49, 1, Cross);
    FillScreenRect(joyX, joyY - 24, 1, 49, Cross);
}

}  // namespace

bool ExampleStart()
{
    Background = RgbToNativePixel(24, 32, 24);
    Track = RgbToNativePixel(60, 60, 60);
    Bar = RgbToNativePixel(0, 160, 255);
    Off = RgbToNativePixel(60, 60, 60);
    On = RgbToNativePixel(255, 200, 0);
    Cross = RgbToNativePixel(255, 255, 255);
    return true;
}

void ExampleFrame()
{
    FillScreenRect(0, 0, ScreenWidth, ScreenHeight, Background);

    // The shell set the controller up at start-up (InitDirectInput) and JoystickPresent says
    // whether that found one. A controller plugged in later is not picked up.
    if (!JoystickPresent) {
        DrawTextLine(200, 260, 24, TextColor, "No game controller found.");
        DrawTextLine(200, 300, 16, TextColor, "Attach one and start this example again.");
        return;
    }

    // Once a frame: read the controller into InputState.
    PollJoystick();
    const InputRecord& in = InputState;
    DrawTextLine(BarX, 15, 16, TitleColor, "Move the stick and press the buttons.");
    DrawAxes(in.JoyX, in.JoyY);

    // The stick's directions: true when it is pushed a quarter of the screen's width that way.
    DrawLamp(PadX, PadY - PadCell, PadCell, PadCell, in.JoyUp, "U");
    DrawLamp(PadX - PadCell, PadY, PadCell, PadCell, in.JoyLeft, "L");
    DrawLamp(PadX + PadCell, PadY, PadCell, PadCell, in.JoyRight, "R");
    DrawLamp(PadX, PadY + PadCell, PadCell, PadCell, in.JoyDown, "D");

    // The eleven buttons, held or not.
    const bool buttons[] = {in.JoyButton0, in.JoyButton1, in.JoyButton2, in.JoyButton3,
                            in.JoyButton4, in.JoyButton5, in.JoyButton6, in.JoyButton7,
                            in.JoyButton8, in.JoyButton9, in.JoyButton10};
    int x = (ScreenWidth - 11 * ButtonW - 10 * ButtonGap) / 2;
    for (int i = 0; i < 11; ++i) {
        char label[8];
        wsprintfA(label, "%d", i);
        DrawLamp(x, ButtonsY, ButtonW, 40, buttons[i], label);
        x += ButtonW + ButtonGap;
    }
}
