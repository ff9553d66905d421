// blit.cpp -- rectangle copies onto surfaces: plain, scaled, and leaving out the transparent
// colour; the surfaces do the pixel work, one call per copy

#include <algorithm>
#include <cstdint>

#include "draw.h"
#include "edges.h"
#include "../app/app.h"

namespace {

// One axis of a scaled copy cut to the screen: the visible destination span and the source span
// that goes with it.
struct CutSpan {
    int64_t destStart;
    int64_t destEnd;
    int64_t srcStart;
    int64_t srcEnd;
};

// Cuts the destination span [destStart, destStart + destSize) to [0, screenSize) and the source
// span back in proportion. The whole copy would show destination offset u at source offset
// u * srcSize / destSize; each cut source edge is rounded to the nearest source pixel boundary
// (halves upward), so the visible part keeps its scale and lies within half a source pixel of
// where the whole copy puts it, and exactly there when the edges fall on whole pixels. A visible
// part narrower than half a source pixel shows the one source pixel under its first column.
// False when nothing of the span is on the screen or either size is not positive.
bool Cut(int64_t destStart, int64_t destSize, int64_t screenSize, int64_t srcStart, int64_t srcSize,
         CutSpan* span)
{
    if (destSize <= 0 || srcSize <= 0)
        return false;
    const int64_t visibleStart = std::max<int64_t>(destStart, 0);
    const int64_t visibleEnd = std::min(destStart + destSize, screenSize);
    if (visibleStart >= visibleEnd)
        return false;
    const int64_t first = visibleStart - destStart;
    const int64_t end = visibleEnd - destStart;
    // Both sizes are below 2^31, so twice their product stays below 2^63.
    int64_t srcFirst = (2 * first * srcSize + destSize) / (2 * destSize);
    int64_t srcEnd = (2 * end * srcSize + destSize) / (2 * destSize);
    if (srcFirst == srcEnd) {
        srcFirst = first * srcSize / destSize;
        srcEnd = srcFirst + 1;
    }
    *span = CutSpan{visibleStart, visibleEnd, srcStart + srcFirst, srcStart + srcEnd};
    return true;
}

// Copies the pixels of source that differ from its colour key onto target, cut to the screen's
// size (not the target's): the part hanging off the left or top edge moves the source rectangle
// along with it.
void BlitKeyed(int64_t destX, int64_t destY, int64_t srcX, int64_t srcY, int64_t width,
               int64_t height, IDirectDrawSurface7* source, IDirectDrawSurface7* target)
{
    if (!AppActive || !source || !target)
        return;
    // A copy ending exactly on the left or top edge, or starting exactly on the right or bottom
    // one, passes here and is cut to nothing below; the surface refuses the empty rectangle.
    if (destX + width < 0 || destX > ScreenWidth || destY + height < 0 || destY > ScreenHeight)
        return;
    if (destX < 0) {
        srcX -= destX;
        width += destX;
        destX = 0;
    }
    if (destY < 0) {
        srcY -= destY;
        height += destY;
        destY = 0;
    }
    if (destX + width > ScreenWidth)
        width = ScreenWidth - destX;
    if (destY + height > ScreenHeight)
        height = ScreenHeight - destY;
    RECT from = PinnedRectOfSize(srcX, srcY, width, height);
    target->BltFast(static_cast<DWORD>(destX), static_cast<DWORD>(destY), source, &from,
                    DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
}

}  // namespace

void BlitToScreen(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY, int32_t width,
                  int32_t height, IDirectDrawSurface7* source)
{
    if (!AppActive || !pScreenSurface || !source)
        return;
    RECT from = PinnedRectOfSize(srcX, srcY, width, height);
    // Negative positions become huge unsigned ones, which the surface refuses.
    pScreenSurface->BltFast(static_cast<DWORD>(destX), static_cast<DWORD>(destY), source, &from,
                            DDBLTFAST_WAIT);
}

void StretchBlitToScreen(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY,
                         int32_t srcWidth, int32_t srcHeight, int32_t destWidth,
                         int32_t destHeight, IDirectDrawSurface7* source)
{
    if (!AppActive || !pScreenSurface || !source)
        return;
    const int64_t destRight = static_cast<int64_t>(destX) + destWidth;
    const int64_t destBottom = static_cast<int64_t>(destY) + destHeight;
    RECT to;
    RECT from;
    if (destX >= 0 && destY >= 0 && destRight <= ScreenWidth && destBottom <= ScreenHeight) {
        to = PinnedRect(destX, destY, destRight, destBottom);
        from = PinnedRectOfSize(srcX, srcY, srcWidth, srcHeight);
    } else {
        CutSpan across;
        CutSpan down;
        if (!Cut(destX, destWidth, ScreenWidth, srcX, srcWidth, &across) ||
            !Cut(destY, destHeight, ScreenHeight, srcY, srcHeight, &down))
            return;
        to = PinnedRect(across.destStart, down.destStart, across.destEnd, down.destEnd);
        from = PinnedRect(across.srcStart, down.srcStart, across.srcEnd, down.srcEnd);
    }
    pScreenSurface->Blt(&to, source, &from, DDBLT_WAIT, nullptr);
}

void BlitKeyedToScreen(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY, int32_t width,
                       int32_t height, IDirectDrawSurface7* source)
{
    BlitKeyed(destX, destY, srcX, srcY, width, height, source, pScreenSurface);
}

void BlitKeyedToSurface(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY, int32_t width,
                        int32_t height, IDirectDrawSurface7* source,
                        IDirectDrawSurface7* destination)
{
    BlitKeyed(destX, destY, srcX, srcY, width, height, source, destination);
}
