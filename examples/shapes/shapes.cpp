// shapes.cpp -- filled rectangles, frames, bevels, clipping, and lines, circles and ellipses drawn
// by colour fills and by direct writes, moving with the clock and partly off the screen.
// Nothing to press: watch. Esc quits, F12 saves the screen. Run "shapes 32" for 32-bit colour.

#include <cmath>

#include "example.h"

const char ExampleName[] = "shapes";
const int ExampleDepth = 16;

namespace {

// Colours in the display's own pixels: made once, after the display is set up, because the same
// red is a different number at 8, 16 and 32 bits.
NativePixel Background, White, Grey, Red, Green, Blue, Orange, Yellow, Cyan, Light, Dark;
constexpr COLORREF LabelColor = RGB(255, 255, 160);

// Where each lesson sits on the screen.
constexpr int ClipX = 260, ClipY = 50, ClipW = 200, ClipH = 120;    // clipped fill and frame
constexpr int FiguresX = 150, DirectX = 450, FiguresY = 320;        // centres of the two panels

// Seconds since the start: every motion below is a function of the clock, never of the frame
// count, so it looks the same at 60 or 6,000 frames a second.
double Seconds() { return ExampleTime() / 1000.0; }

void Label(int x, int y, const char* text) { DrawTextLine(x, y, 12, LabelColor, text); }

// The direct writes come in two families, 16-bit and 32-bit pixels; the display's depth picks
// one. At 8 bits neither fits, and the figures are left out.
void DirectLine(int x1, int y1, int x2, int y2, NativePixel c)
{
    if (BitsPerPixel == 16) DrawLine16(x1, y1, x2, y2, static_cast<uint16_t>(c));
    if (BitsPerPixel == 32) DrawLine32(x1, y1, x2, y2, c);
}
void DirectCircle(int x, int y, int radius, NativePixel c)
{
    if (BitsPerPixel == 16) DrawCircle16(x, y, radius, static_cast<uint16_t>(c));
    if (BitsPerPixel == 32) DrawCircle32(x, y, radius, c);
}
void DirectEllipse(int x, int y, int width, int height, NativePixel c)
{
    if (BitsPerPixel == 16) DrawEllipse16(x, y, width, height, static_cast<uint16_t>(c));
    if (BitsPerPixel == 32) DrawEllipse32(x, y, width, height, c);
}

}  // namespace

bool ExampleStart()
{
    Background = RgbToNativePixel(20, 24, 40);
    White = RgbToNativePixel(255, 255, 255);
    Grey = RgbToNativePixel(128, 128, 128);
    Red = RgbToNativePixel(255, 0, 0);
    Green = RgbToNativePixel(0, 255, 0);
    Blue = RgbToNativePixel(0, 0, 255);
    Orange = RgbToNativePixel(255, 153, 0);
    Yellow = RgbToNativePixel(255, 255, 0);
    Cyan = RgbToNativePixel(0, 255, 255);
    Light = RgbToNativePixel(204, 204, 204);
    Dark = RgbToNativePixel(51, 51, 51);
    return true;
}

void ExampleFrame()
{
    const double t = Seconds();
    // Every frame starts from a clean screen surface.
    FillScreenRect(0, 0, ScreenWidth, ScreenHeight, Background);

    // 1. Filled rectangles: position and size, in the display's pixels.
    Label(20, 30, "FillScreenRect");
    FillScreenRect(20, 50, 60, 50, Red);
    FillScreenRect(90, 50, 60, 50, Green);
    FillScreenRect(160, 50, 60, 50, Blue);
    // A rectangle that reaches past the screen draws nothing at all: fills are not cut.
    FillScreenRect(ScreenWidth - 20, 50, 60, 50, Red);

    // 2. Clipping: a large rectangle and a frame sliding across a window, cut to it. The grey
    // outline marks the clip rectangle; nothing is drawn outside it.
    Label(ClipX, 30, "FillScreenRectClipped, DrawScreenFrameClipped");
    DrawScreenFrame(ClipX - 1, ClipY - 1, ClipW + 2, ClipH + 2, Grey);
    const int slide = static_cast<int>(std::sin(t) * 90);
    FillScreenRectClipped(ClipX + 60 + slide, ClipY + 20, 120, 60, ClipX, ClipY, ClipW, ClipH, Orange);
    DrawScreenFrameClipped(ClipX + 20 - slide, ClipY + 50, 150, 60, ClipX, ClipY, ClipW, ClipH, Cyan);

    // 3. Frames and bevels: a bevel is a frame lit from the top left. Swap its two colours and
    // the same box looks pressed in.
    Label(560, 30, "DrawScreenFrame, DrawScreenBevel");
    DrawScreenFrame(560, 50, 100, 50, White);
    DrawScreenBevel(670, 50, 100, 50, Light, Dark);
    DrawScreenBevel(672, 52, 96, 46, Light, Dark);
    DrawScreenBevel(560, 110, 100, 50, Dark, Light);
    DrawScreenBevel(562, 112, 96, 46, Dark, Light);
    // A frame whose size pulses with the clock.
    const int pulse = static_cast<int>(20 + 20 * std::sin(t * 3));
    DrawScreenFrame(720 - pulse, 135 - pulse / 2, 2 * pulse + 1, pulse + 1, Yellow);

    // 4. Lines, circles and ellipses made of colour fills: one 1 x 1 fill per point, so they
    // work at every depth. A clock hand turns, a circle breathes, an ellipse turns its shape.
    Label(20, 200, "DrawLineByFills, DrawCircleByFills, DrawEllipseByFills");
    const int handX = FiguresX + static_cast<int>(std::cos(t) * 100);
    const int handY = FiguresY + static_cast<int>(std::sin(t) * 100);
    DrawLineByFills(FiguresX, FiguresY, handX, handY, White);
    DrawCircleByFills(FiguresX, FiguresY, 60 + static_cast<int>(20 * std::sin(t * 2)), Green);
    DrawEllipseByFills(FiguresX, FiguresY, 220 + static_cast<int>(40 * std::sin(t)),
                       160 - static_cast<int>(40 * std::sin(t)), Orange);

    // 5. The same figures stored straight into the screen surface's memory: much faster, and
    // the routine must match the display's depth.
    Label(330, 200, "DrawLine16/32, DrawCircle16/32, DrawEllipse16/32");
    if (BitsPerPixel == 8)
        Label(330, 220, "(direct writes need 16 or 32 bits)");
    DirectLine(DirectX, FiguresY, DirectX + static_cast<int>(std::cos(-t) * 100),
               FiguresY + static_cast<int>(std::sin(-t) * 100), White);
    DirectCircle(DirectX, FiguresY, 60 + static_cast<int>(20 * std::sin(t * 2 + 1)), Cyan);
    DirectEllipse(DirectX, FiguresY, 220 - static_cast<int>(40 * std::sin(t)),
                  160 + static_cast<int>(40 * std::sin(t)), Yellow);

    // 6. Off the edges: points outside the screen are skipped, one by one, so these figures
    // are cut cleanly wherever they stand.
    Label(20, 470, "Partly off the screen");
    const int drift = static_cast<int>(std::sin(t / 2) * 120);
    DrawCircleByFills(ScreenWidth + drift - 30, 520, 90, Red);
    DrawEllipseByFills(300 + drift, ScreenHeight + 10, 300, 120, Green);
    DirectCircle(20 + drift / 2, 560, 80, Yellow);
    DirectLine(600, 420, 900 + drift, 700, Cyan);
}
