// text.cpp -- text on surfaces: borrows the surface's device context for one call, creates the
// font, draws with a transparent background and gives everything back before returning

#include "draw.h"
#include "edges.h"

#include <algorithm>
#include <cstring>

#include "../app/app.h"
#include "../display/display.h"

namespace {

constexpr DWORD BoxPitchAndFamily = VARIABLE_PITCH | FF_DONTCARE;

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

// Borrows the surface's device context, selects a new font of the face, weight and height, sets
// the colour over a transparent background, runs draw on the context and gives everything back.
// Nothing is drawn when the surface gives no context.
template <typename Draw>
void WithTextContext(IDirectDrawSurface7* surface, int32_t fontHeight, int weight,
                     const char* faceName, COLORREF color, Draw draw)
{
    HDC dc = nullptr;
    if (surface->GetDC(&dc) != DD_OK)
        return;
    HFONT font = CreateTextFont(fontHeight, weight, faceName);
    SelectObject(dc, font);
    SetTextColor(dc, color);
    SetBkMode(dc, TRANSPARENT);
    draw(dc);
    surface->ReleaseDC(dc);
    // Only now, with the context given back, is the font no longer selected anywhere.
    DeleteObject(font);
}

}  // namespace

void DrawTextBox(int32_t x, int32_t y, int32_t width, int32_t height, int32_t fontHeight,
                 COLORREF color, IDirectDrawSurface7* surface, const char* text)
{
    if (!AppActive || !surface || !text)
        return;
    // A rectangle reaching past the 32-bit range ends at its edge.
    RECT rect = PinnedRectOfSize(x, y, width, height);
    WithTextContext(surface, fontHeight, FW_NORMAL, "Times New Roman Cyr", color, [&](HDC dc) {
        DrawTextA(dc, text, TextLength(text), &rect, DT_NOPREFIX | DT_EXPANDTABS);
    });
}

void DrawTextLine(int32_t x, int32_t y, int32_t fontHeight, COLORREF color, const char* text)
{
    if (!AppActive || !pScreenSurface || !text)
        return;
    WithTextContext(pScreenSurface, fontHeight, FW_BOLD, "Arial Cyr", color,
                    [&](HDC dc) { TextOutA(dc, x, y, text, TextLength(text)); });
}
