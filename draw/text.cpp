// text.cpp -- text on surfaces: borrows the surface's device context for one call, creates the
// font, draws with a transparent background and gives everything back before returning

#include "draw.h"
#include "edges.h"
#include "text_context.h"

#include "../app/app.h"
#include "../display/display.h"

void DrawTextBox(int32_t x, int32_t y, int32_t width, int32_t height, int32_t fontHeight,
                 COLORREF color, IDirectDrawSurface7* surface, const char* text)
{
    if (!AppActive || !surface || !text)
        return;
    // A rectangle reaching past the 32-bit range ends at its edge.
    RECT rect = PinnedRectOfSize(x, y, width, height);
    WithTextContext(surface, fontHeight, FW_NORMAL, BoxFace, color, [&](HDC dc) {
        DrawTextA(dc, text, TextLength(text), &rect, BoxFormat);
    });
}

void DrawTextLine(int32_t x, int32_t y, int32_t fontHeight, COLORREF color, const char* text)
{
    if (!AppActive || !pScreenSurface || !text)
        return;
    WithTextContext(pScreenSurface, fontHeight, FW_BOLD, LineFace, color,
                    [&](HDC dc) { TextOutA(dc, x, y, text, TextLength(text)); });
}
