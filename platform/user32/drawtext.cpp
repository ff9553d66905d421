// drawtext.cpp -- user32's DrawTextA on a DC: lines broken at line ends and, when asked, between
// words; left, centred or right alignment; top, centred or bottom single lines; prefixes, tabs,
// the end ellipsis and the measuring of DT_CALCRECT
//
// A line ends at a CR or an LF, and one directly following character of the other kind belongs
// to the same break (CR LF and LF CR are one break, CR CR and LF LF two); with DT_SINGLELINE
// nothing ends a line and line ends are drawn as the font's glyphs. With DT_WORDBREAK a line also
// breaks before a word that would pass the right edge: the run of spaces before that word is the
// break, its last space is dropped, and the spaces before it stay on the line (one fewer when
// centred or right-aligned); a space that itself passes the edge is the break, and the spaces
// after it begin the next line. A word wider than the line is never split: it runs past the edge
// and the line breaks at the next space. With DT_EXPANDTABS a tab moves the pen to the next
// multiple of eight average character widths counted from the line's start. Without DT_NOPREFIX
// an '&' is not drawn and the character after it is underlined (the first such one per tab
// segment), "&&" is one '&', and an '&' at the end of the text or before a line end is drawn.
// Lines are the cell height apart (plus the font's external leading with DT_EXTERNALLEADING),
// starting at the rectangle's top, or for a single line centred (each half truncated on its own)
// or at the bottom. A centred line starts at (left + right - width) / 2, truncated toward zero,
// so an odd leftover pixel goes to the right. Unless DT_NOCLIP, every line is cut to the
// rectangle, and the first line whose cell reaches below it is the last one processed. The
// surface cuts everything in any case. DT_END_ELLIPSIS cuts the text's last line, or the last
// line processed when more text follows, and ends it with "..." so that it fits.
// Left out on purpose: DT_TABSTOP, DT_EDITCONTROL, the path and word ellipses, DT_MODIFYSTRING,
// DT_HIDEPREFIX, DT_PREFIXONLY, DT_INTERNAL: refused.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "gdi32/font.h"
#include "faults.h"
#include "unsupported.h"

namespace {

// The calls here that a test can make fail.
const FaultHook DrawTextAFault("DrawTextA");

constexpr int TabColumns = 8;
constexpr UINT SupportedFormat = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_WORDBREAK |
                                 DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP | DT_EXTERNALLEADING |
                                 DT_CALCRECT | DT_NOPREFIX | DT_END_ELLIPSIS;

bool is_line_end(uint8_t byte) { return byte == '\r' || byte == '\n'; }

// One laid-out character: where its pen starts, counted from the line's start, and its advance.
struct Cell {
    int64_t x;
    int64_t advance;
    size_t source;   // where the character (or its prefix) is in the text
    uint8_t byte;    // the character drawn
    bool tab;        // an expanded tab: moves the pen, draws nothing
    bool space;      // a plain space, where a word break may fall
    bool underline;  // the character after a prefix
};

struct Line {
    std::vector<Cell> cells;
    int64_t width = 0;
};

struct Layout {
    FontInstance* font;
    const uint8_t* text;
    size_t length;
    UINT format;
    int64_t maxWidth;  // the rectangle's width: where words break and the ellipsis cuts
    int64_t tabWidth;
};

void finish(Line* line)
{
    line->width = line->cells.empty() ? 0 : line->cells.back().x + line->cells.back().advance;
}

// Lays out the line that starts at position; returns where the next one starts.
size_t next_line(const Layout& layout, size_t position, Line* line)
{
    const bool single = (layout.format & DT_SINGLELINE) != 0;
    const bool wrap = (layout.format & DT_WORDBREAK) && !single;
    const bool prefixes = !(layout.format & DT_NOPREFIX);
    const bool alignedOff = (layout.format & (DT_CENTER | DT_RIGHT)) != 0;
    std::vector<Cell>& cells = line->cells;
    cells.clear();
    int64_t pen = 0;
    bool segmentUnderlined = false;
    bool overflowing = false;  // inside a word wider than the line: break at the next space
    size_t i = position;
    while (i < layout.length) {
        const uint8_t byte = layout.text[i];
        if (!single && is_line_end(byte)) {
            ++i;
            if (i < layout.length && is_line_end(layout.text[i]) && layout.text[i] != byte)
                ++i;
            break;
        }
        Cell cell{pen, 0, i, byte, false, byte == ' ', false};
        size_t step = 1;
        if (byte == '\t' && (layout.format & DT_EXPANDTABS)) {
            cell.tab = true;
            cell.advance = (pen / layout.tabWidth + 1) * layout.tabWidth - pen;
            segmentUnderlined = false;
        } else {
            if (prefixes && byte == '&' && i + 1 < layout.length &&
                !(!single && is_line_end(layout.text[i + 1]))) {
                cell.byte = layout.text[i + 1];
                cell.space = false;
                step = 2;
                if (cell.byte != '&' && !segmentUnderlined)
                    cell.underline = segmentUnderlined = true;
            }
            cell.advance = font_char_advance(layout.font, cell.byte);
        }
        if (wrap) {
            if (overflowing && cell.space) {
                // The space after a word too wide for the line is the break; it is dropped.
                i += step;
                break;
            }
            const bool passes = !overflowing && cell.x + cell.advance > layout.maxWidth;
            if (passes && cell.space) {
                const bool anyWord = std::any_of(cells.begin(), cells.end(),
                                                 [](const Cell& c) { return !c.space; });
                if (anyWord) {
                    if (alignedOff && cells.back().space)
                        cells.pop_back();
                    i += step;
                    break;
                }
            } else if (passes) {
                // The last run of spaces with a word before it is where the line breaks.
                size_t last = cells.size();
                while (last > 0 && !cells[last - 1].space)
                    --last;
                size_t first = last;
                while (first > 0 && cells[first - 1].space)
                    --first;
                if (last > 0 && first > 0) {
                    // The first character of the word, which may be the one that passed the edge.
                    const size_t resume = last < cells.size() ? cells[last].source : cell.source;
                    size_t keep = last - 1;                    // the last space is dropped
                    if (alignedOff && keep > first)
                        --keep;
                    cells.resize(keep);
                    finish(line);
                    return resume;
                }
                overflowing = true;
            }
        }
        cells.push_back(cell);
        pen += cell.advance;
        i += step;
    }
    finish(line);
    return i;
}

// Cuts the line so that it and "..." fit the width, and ends it with "...". When not even the
// dots fit, they alone are drawn.
void end_with_ellipsis(const Layout& layout, Line* line)
{
    const int64_t dot = font_char_advance(layout.font, '.');
    std::vector<Cell>& cells = line->cells;
    while (!cells.empty() && cells.back().x + cells.back().advance + 3 * dot > layout.maxWidth)
        cells.pop_back();
    int64_t pen = cells.empty() ? 0 : cells.back().x + cells.back().advance;
    const size_t source = cells.empty() ? 0 : cells.back().source;
    for (int i = 0; i < 3; ++i, pen += dot)
        cells.push_back(Cell{pen, dot, source, '.', false, false, false});
    finish(line);
}

// Draws a line's characters with its start at (left, top): each run between tabs in one go,
// then the underlines, one pixel high below the baseline, one pixel short of the advance.
void draw_line(const DcText& state, const Line& line, int64_t left, int64_t top, const ClipBox& clip)
{
    static std::vector<uint8_t> run;
    const std::vector<Cell>& cells = line.cells;
    size_t start = 0;
    while (start < cells.size()) {
        if (cells[start].tab) {
            ++start;
            continue;
        }
        size_t end = start;
        run.clear();
        while (end < cells.size() && !cells[end].tab)
            run.push_back(cells[end++].byte);
        font_draw_text(*state.target, state.font, left + cells[start].x, top, run.data(), run.size(),
                       clip, state.paint, false);
        start = end;
    }
    const int64_t underline = top + font_metrics(state.font).ascent + 1;
    for (const Cell& cell : cells)
        if (cell.underline)
            font_fill_box(*state.target, left + cell.x, underline, left + cell.x + cell.advance - 1,
                          underline + 1, clip, state.paint.textPixel);
}

}  // namespace

int WINAPI DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format)
{
    if (layer_fault_sets_last_error(DrawTextAFault))
        return 0;
    if ((format & ~SupportedFormat) != 0) {
        note_unsupported("DrawTextA", "DT_TABSTOP, DT_EDITCONTROL, the path and word ellipses, "
                                      "DT_MODIFYSTRING and the prefix-hiding flags");
        SetLastError(ErrorNotSupported);
        return 0;
    }
    DcText state;
    if (!gdi_dc_text(dc, &state)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!rect || count < -1 || (count > 0 && !text)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Nothing at all with a count of 0; a null text with -1 is the empty text.
    if (count == 0)
        return 0;
    if (!text)
        text = "";
    const size_t length = count == -1 ? strlen(text) : static_cast<size_t>(count);

    const FontMetrics& metrics = font_metrics(state.font);
    const int64_t lineHeight =
        metrics.height + ((format & DT_EXTERNALLEADING) ? metrics.externalLeading : 0);
    const bool calculate = (format & DT_CALCRECT) != 0;
    const bool single = (format & DT_SINGLELINE) != 0;
    if (length == 0) {
        // The empty text is one line high, yet measures as no line unless it is a single line.
        if (calculate) {
            rect->right = rect->left;
            rect->bottom = single ? static_cast<LONG>(std::min<int64_t>(rect->top + lineHeight, INT32_MAX))
                                  : rect->top;
        }
        return static_cast<int>(lineHeight);
    }

    Layout layout;
    layout.font = state.font;
    layout.text = reinterpret_cast<const uint8_t*>(text);
    layout.length = length;
    layout.format = format;
    layout.maxWidth = int64_t{rect->right} - rect->left;
    layout.tabWidth = std::max<int64_t>(1, int64_t{TabColumns} * metrics.averageWidth);

    // Measuring clips nothing, and so processes every line.
    const bool clipped = !calculate && !(format & DT_NOCLIP);
    const SurfacePixels& target = *state.target;
    ClipBox clip{0, 0, target.width, target.height};
    if (clipped) {
        // The rectangle cut to the surface; an empty or inverted one leaves an empty clip.
        clip.left = std::clamp<LONG>(rect->left, 0, target.width);
        clip.top = std::clamp<LONG>(rect->top, 0, target.height);
        clip.right = std::clamp<LONG>(rect->right, clip.left, target.width);
        clip.bottom = std::clamp<LONG>(rect->bottom, clip.top, target.height);
    }

    int64_t y = rect->top;
    if (single && (format & DT_VCENTER))
        y = rect->top + (int64_t{rect->bottom} - rect->top) / 2 - lineHeight / 2;
    else if (single && (format & DT_BOTTOM))
        y = rect->bottom - lineHeight;

    static Line line;
    int64_t widest = 0;
    size_t position = 0;
    for (;;) {
        const size_t next = next_line(layout, position, &line);
        const bool end = next >= length;
        const bool last = end || (clipped && y + lineHeight > rect->bottom);
        if ((format & DT_END_ELLIPSIS) && ((end && line.width > layout.maxWidth) || (last && !end)))
            end_with_ellipsis(layout, &line);
        if (!calculate) {
            int64_t x = rect->left;
            if (format & DT_CENTER)
                x = (int64_t{rect->left} + rect->right - line.width) / 2;
            else if (format & DT_RIGHT)
                x = rect->right - line.width;
            draw_line(state, line, x, y, clip);
        }
        widest = std::max(widest, line.width);
        y += lineHeight;
        position = next;
        if (last)
            break;
    }
    if (calculate) {
        rect->right = static_cast<LONG>(std::clamp<int64_t>(rect->left + widest, INT32_MIN, INT32_MAX));
        rect->bottom = static_cast<LONG>(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX));
    }
    // The height of the text drawn, counted from the rectangle's top; never 0 on success.
    const int64_t height = y - rect->top;
    return height == 0 ? 1 : static_cast<int>(std::clamp<int64_t>(height, INT32_MIN, INT32_MAX));
}
