// text_layout.cpp -- measured and aligned text for games: the size of a line or a box of text,
// and both faces drawn aligned into a rectangle of any surface, through the surface's device
// context and DrawTextA, GetTextExtentPoint32A and TextOutA, so every platform lays it out alike

#include "draw.h"
#include "edges.h"
#include "text_context.h"

#include <algorithm>
#include <cstring>

#include "../app/app.h"
#include "../display/display.h"

namespace {

// The line's size in the context's font: its advances and the cell height.
TextSize LineSizeIn(HDC dc, const char* text)
{
    SIZE size{0, 0};
    if (!GetTextExtentPoint32A(dc, text, TextLength(text), &size))
        return TextSize{0, 0};
    return TextSize{size.cx, size.cy};
}

// The box's size in the context's font, laid out as DrawTextA lays it out with the format.
TextSize BoxSizeIn(HDC dc, const char* text, int32_t wrapWidth, UINT format)
{
    const int length = TextLength(text);
    if (length == 0)
        return TextSize{0, 0};
    RECT rect{0, 0, std::max<int32_t>(wrapWidth, 0), 0};
    if (DrawTextA(dc, text, length, &rect, format | DT_CALCRECT) == 0)
        return TextSize{0, 0};
    return TextSize{rect.right - rect.left, rect.bottom - rect.top};
}

// Where a piece of the given extent starts in a span of the given length from start: centred
// with the odd pixel to the far side, as DrawTextA centres, or against the far end.
int64_t AlignedStart(int64_t start, int64_t span, int64_t extent, bool centre, bool toEnd)
{
    if (centre)
        return (2 * start + span - extent) / 2;
    if (toEnd)
        return start + span - extent;
    return start;
}

}  // namespace

TextSize MeasureTextLine(int32_t fontHeight, const char* text)
{
    TextSize size{0, 0};
    if (!text)
        return size;
    WithTextContext(pScreenSurface, fontHeight, FW_BOLD, LineFace, 0,
                      [&](HDC dc) { size = LineSizeIn(dc, text); });
    return size;
}

TextSize MeasureTextBox(int32_t fontHeight, int32_t wrapWidth, const char* text)
{
    TextSize size{0, 0};
    if (!text)
        return size;
    const UINT format = BoxFormat | (wrapWidth > 0 ? DT_WORDBREAK : 0);
    WithTextContext(pScreenSurface, fontHeight, FW_NORMAL, BoxFace, 0,
                      [&](HDC dc) { size = BoxSizeIn(dc, text, wrapWidth, format); });
    return size;
}

void DrawTextLineOnSurface(int32_t x, int32_t y, int32_t fontHeight, COLORREF color,
                           IDirectDrawSurface7* surface, const char* text)
{
    if (!AppActive || !text)
        return;
    WithTextContext(surface, fontHeight, FW_BOLD, LineFace, color,
                      [&](HDC dc) { TextOutA(dc, x, y, text, TextLength(text)); });
}

void DrawTextLineAligned(int32_t x, int32_t y, int32_t width, int32_t height, int32_t fontHeight,
                         COLORREF color, uint32_t alignment, IDirectDrawSurface7* surface,
                         const char* text)
{
    if (!AppActive || !text)
        return;
    WithTextContext(surface, fontHeight, FW_BOLD, LineFace, color, [&](HDC dc) {
        const TextSize size = LineSizeIn(dc, text);
        const int64_t left = AlignedStart(x, width, size.width, alignment & TextAlignCentre,
                                          alignment & TextAlignRight);
        // Vertically as DrawTextA centres a single line: each half truncated on its own.
        const int64_t top = (alignment & TextAlignMiddle) ? int64_t{y} + height / 2 - size.height / 2 : y;
        if (left >= INT32_MIN && left <= INT32_MAX && top >= INT32_MIN && top <= INT32_MAX)
            TextOutA(dc, static_cast<int>(left), static_cast<int>(top), text, TextLength(text));
    });
}

void DrawTextBoxAligned(int32_t x, int32_t y, int32_t width, int32_t height, int32_t fontHeight,
                        COLORREF color, uint32_t alignment, IDirectDrawSurface7* surface,
                        const char* text)
{
    if (!AppActive || !text)
        return;
    const int length = TextLength(text);
    if (length == 0)
        return;
    UINT format = BoxFormat;
    if (alignment & TextAlignCentre)
        format |= DT_CENTER;
    else if (alignment & TextAlignRight)
        format |= DT_RIGHT;
    if (alignment & TextWrapWords)
        format |= DT_WORDBREAK;
    WithTextContext(surface, fontHeight, FW_NORMAL, BoxFace, color, [&](HDC dc) {
        RECT rect = PinnedRectOfSize(x, y, width, height);
        if (alignment & TextAlignMiddle) {
            // DrawTextA centres only single lines, so the box moves down by half of what its
            // lines leave free; the rectangle still cuts what does not fit.
            const TextSize size = BoxSizeIn(dc, text, rect.right - rect.left, format);
            const int32_t shift = (rect.bottom - rect.top) / 2 - size.height / 2;
            if (shift > 0)
                rect.top += shift;
        }
        DrawTextA(dc, text, length, &rect, format);
    });
}
