// text.cpp -- text on surfaces: borrows the surface's device context for one call, creates the
// font, draws with a transparent background and gives everything back before returning

#include "draw.h"

#include <algorithm>
#include <cstring>

#include "../app/app.h"
#include "../display/display.h"

namespace {

constexpr DWORD BoxPitchAndFamily = VARIABLE_PITCH | FF_DONTCARE;

// a + b held to the 32-bit range, so that a rectangle reaching past it ends at its edge.
int32_t ClampedSum(int32_t a, int32_t b)
{
    const int64_t sum = int64_t{a} + b;
    return static_cast<int32_t>(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}

HFONT CreateTextFont(int32_t fontHeight, int weight, const char* faceName)
{
    return CreateFontA(fontHeight, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, BoxPitchAndFamily, faceName);
}

// The length of a string as the int the text calls take.
int TextLength(const char* text)
{
    return static_cast<int>(std::min<size_t>(strlen(text), INT32_MAX));
}

}  // namespace

void DrawTextBox(int32_t x, int32_t y, int32_t width, int32_t height, int32_t fontHeight,
                 COLORREF color, IDirectDrawSurface7* surface, const char* text)
{
    if (!AppActive || !surface || !text)
        return;
    RECT rect;
    SetRect(&rect, x, y, ClampedSum(x, width), ClampedSum(y, height));
    HDC dc = nullptr;
    if (surface->GetDC(&dc) != DD_OK)
        return;
    HFONT font = CreateTextFont(fontHeight, FW_NORMAL, "Times New Roman Cyr");
    SelectObject(dc, font);
    SetTextColor(dc, color);
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, TextLength(text), &rect, DT_NOPREFIX | DT_EXPANDTABS);
    surface->ReleaseDC(dc);
    // Only now, with the context given back, is the font no longer selected anywhere.
    DeleteObject(font);
}

void DrawTextLine(int32_t x, int32_t y, int32_t fontHeight, COLORREF color, const char* text)
{
    if (!AppActive || !pScreenSurface || !text)
        return;
    HDC dc = nullptr;
    if (pScreenSurface->GetDC(&dc) != DD_OK)
        return;
    HFONT font = CreateTextFont(fontHeight, FW_BOLD, "Arial Cyr");
    SelectObject(dc, font);
    SetTextColor(dc, color);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, x, y, text, TextLength(text));
    pScreenSurface->ReleaseDC(dc);
    DeleteObject(font);
}
