// drawtext.cpp -- user32's DrawTextA on a DC: top-left aligned lines without prefixes, tabs
// expanded or drawn as glyphs
//
// Lines break only at the line ends in the text: a CR or an LF ends a line, and one directly
// following character of the other kind belongs to the same break (CR LF and LF CR are one
// break, CR CR and LF LF two). Nothing wraps. With DT_EXPANDTABS a tab moves the pen to the next
// multiple of eight average character widths counted from the rectangle's left edge. Line i has
// its cell top at top + i x cell height; every line is cut to the rectangle and the surface, and
// the first line whose cell reaches below the rectangle is the last one processed.
// Left out on purpose: prefix characters (DT_NOPREFIX is required), centring, right and bottom
// alignment, word breaks, DT_SINGLELINE, DT_CALCRECT and the other flags: refused.

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gdi32/font.h"
#include "faults.h"
#include "unsupported.h"

namespace {

// The calls here that a test can make fail.
const FaultHook DrawTextAFault("DrawTextA");

constexpr int TabColumns = 8;

bool is_line_end(uint8_t byte) { return byte == '\r' || byte == '\n'; }

// Draws one line with its cell's top-left corner at (left, top); tabs expanded when asked.
void draw_line(const DcText& state, const uint8_t* line, size_t length, int64_t left, int64_t top,
               const ClipBox& clip, bool expandTabs, int64_t tabWidth)
{
    if (!expandTabs) {
        font_draw_text(*state.target, state.font, left, top, line, length, clip, state.paint, false);
        return;
    }
    int64_t pen = left;
    size_t start = 0;
    while (start <= length) {
        const auto* tab = static_cast<const uint8_t*>(memchr(line + start, '\t', length - start));
        const size_t end = tab ? static_cast<size_t>(tab - line) : length;
        if (end > start)
            pen += font_draw_text(*state.target, state.font, pen, top, line + start, end - start,
                                  clip, state.paint, tab != nullptr);
        if (!tab)
            break;
        pen = left + ((pen - left) / tabWidth + 1) * tabWidth;
        start = end + 1;
    }
}

}  // namespace

int WINAPI DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format)
{
    if (layer_fault_sets_last_error(DrawTextAFault))
        return 0;
    if ((format & ~UINT(DT_NOPREFIX | DT_EXPANDTABS)) != 0 || !(format & DT_NOPREFIX)) {
        note_unsupported("DrawTextA", "a format other than DT_NOPREFIX with or without DT_EXPANDTABS");
        SetLastError(ErrorNotSupported);
        return 0;
    }
    DcText state;
    if (!gdi_dc_text(dc, &state)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!rect || count < -1 || (count != 0 && !text)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t length = count == -1 ? strlen(text) : static_cast<size_t>(count);
    if (length == 0)
        return 0;

    const FontMetrics& metrics = font_metrics(state.font);
    const int64_t lineHeight = metrics.height;
    const int64_t tabWidth = std::max<int64_t>(1, int64_t{TabColumns} * metrics.averageWidth);
    const SurfacePixels& target = *state.target;
    // The rectangle cut to the surface; an empty or inverted one leaves an empty clip.
    ClipBox clip;
    clip.left = std::clamp<LONG>(rect->left, 0, target.width);
    clip.top = std::clamp<LONG>(rect->top, 0, target.height);
    clip.right = std::clamp<LONG>(rect->right, clip.left, target.width);
    clip.bottom = std::clamp<LONG>(rect->bottom, clip.top, target.height);

    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    int64_t y = rect->top;
    size_t position = 0;
    for (;;) {
        size_t end = position;
        while (end < length && !is_line_end(bytes[end]))
            ++end;
        const bool last = y + lineHeight > rect->bottom;
        draw_line(state, bytes + position, end - position, rect->left, y, clip,
                  (format & DT_EXPANDTABS) != 0, tabWidth);
        y += lineHeight;
        position = end;
        if (position < length) {
            const uint8_t first = bytes[position++];
            if (position < length && is_line_end(bytes[position]) && bytes[position] != first)
                ++position;
        }
        if (last || position >= length)
            break;
    }
    // The height of the text drawn.
    return static_cast<int>(std::min<int64_t>(y - rect->top, INT32_MAX));
}
