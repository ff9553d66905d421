// fill.cpp -- rectangles, frames, bevels, and lines, circles and ellipses made of colour fills;
// nothing here touches surface memory itself

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "draw.h"
#include "edges.h"
#include "../app/app.h"

namespace {

// A fill description with nothing set but its size.
DDBLTFX BlankFill()
{
    DDBLTFX fx;
    memset(&fx, 0, sizeof(fx));
    fx.dwSize = sizeof(fx);
    return fx;
}

const DDBLTFX Blank = BlankFill();

// Colour fills of one colour on one surface; the description is made once per figure and reused,
// as the surface leaves it unchanged. Results are not looked at: a refused fill draws nothing.
class Filler {
public:
    // The description starts as a copy of a blank one: copying a few vectors is far cheaper than
    // clearing the record in place, which compilers do with a slow string instruction, and a
    // one-pixel fill is worth only a few nanoseconds.
    Filler(IDirectDrawSurface7* target, NativePixel colour) : surface(target), fx(Blank)
    {
        fx.dwFillColor = colour;
    }

    // Fills columns left to right - 1 and rows top to bottom - 1.
    void operator()(int64_t left, int64_t top, int64_t right, int64_t bottom)
    {
        RECT rect = PinnedRect(left, top, right, bottom);
        surface->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    }

    // One point of a figure.
    void operator()(int64_t x, int64_t y) { (*this)(x, y, x + 1, y + 1); }

private:
    IDirectDrawSurface7* surface;
    DDBLTFX fx;
};

bool MayDraw(IDirectDrawSurface7* surface) { return AppActive && surface; }

// The surface's own size. A figure traced within it leaves out points the surface would refuse
// anyway, so that a huge figure costs its visible part, not billions of refused fills.
const TraceArea* SurfaceArea(IDirectDrawSurface7* surface, TraceArea* area)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (surface->GetSurfaceDesc(&desc) != DD_OK)
        return nullptr;
    area->width = desc.dwWidth;
    area->height = desc.dwHeight;
    return area;
}

void FillRect(int64_t x, int64_t y, int64_t width, int64_t height, NativePixel colour,
              IDirectDrawSurface7* surface)
{
    if (!MayDraw(surface))
        return;
    Filler(surface, colour)(x, y, x + width, y + height);
}

void FillRectClipped(int64_t x, int64_t y, int64_t width, int64_t height, int64_t clipX,
                     int64_t clipY, int64_t clipWidth, int64_t clipHeight, NativePixel colour,
                     IDirectDrawSurface7* surface)
{
    if (!MayDraw(surface))
        return;
    // The intersection, passed on even when it is empty or inverted: the surface refuses it.
    Filler(surface, colour)(std::max(x, clipX), std::max(y, clipY),
                            std::min(x + width, clipX + clipWidth),
                            std::min(y + height, clipY + clipHeight));
}

// The four edges in their fixed order: bottom and right in the second colour, then top and left
// in the first, so that the later edges own the corners they share.
void Bevel(int64_t x, int64_t y, int64_t width, int64_t height, NativePixel topLeftColour,
           NativePixel bottomRightColour, IDirectDrawSurface7* surface)
{
    if (!MayDraw(surface))
        return;
    Filler bottomRight(surface, bottomRightColour);
    bottomRight(x, y + height - 1, x + width, y + height);
    bottomRight(x + width - 1, y, x + width, y + height);
    Filler topLeft(surface, topLeftColour);
    topLeft(x, y, x + width, y + 1);
    topLeft(x, y, x + 1, y + height);
}

void FrameClipped(int64_t x, int64_t y, int64_t width, int64_t height, int64_t clipX, int64_t clipY,
                  int64_t clipWidth, int64_t clipHeight, NativePixel colour,
                  IDirectDrawSurface7* surface)
{
    // Which edges show is decided on the frame as given. An edge on the clip rectangle's first
    // row or column is left out, one on its last is drawn: every comparison is strict.
    const int64_t lastRow = y + height - 1;
    const int64_t lastColumn = x + width - 1;
    const bool top = clipY < y && y < clipY + clipHeight;
    const bool bottom = clipY < lastRow && lastRow < clipY + clipHeight;
    const bool left = clipX < x && x < clipX + clipWidth;
    const bool right = clipX < lastColumn && lastColumn < clipX + clipWidth;
    // Cut to the surface's top-left corner, then to the clip rectangle.
    if (x < 0) {
        width += x;
        x = 0;
    }
    if (y < 0) {
        height += y;
        y = 0;
    }
    if (x < clipX) {
        width -= clipX - x;
        x = clipX;
    }
    if (x + width > clipX + clipWidth)
        width = clipX + clipWidth - x;
    if (y < clipY) {
        height -= clipY - y;
        y = clipY;
    }
    if (y + height > clipY + clipHeight)
        height = clipY + clipHeight - y;
    if (top)
        FillRect(x, y, width, 1, colour, surface);
    if (bottom)
        FillRect(x, y + height - 1, width, 1, colour, surface);
    if (left)
        FillRect(x, y, 1, height, colour, surface);
    if (right)
        FillRect(x + width - 1, y, 1, height, colour, surface);
}

}  // namespace

void FillScreenRect(int32_t x, int32_t y, int32_t width, int32_t height, NativePixel colour)
{
    FillRect(x, y, width, height, colour, pScreenSurface);
}

void FillSurfaceRect(int32_t x, int32_t y, int32_t width, int32_t height, NativePixel colour,
                     IDirectDrawSurface7* surface)
{
    FillRect(x, y, width, height, colour, surface);
}

void FillScreenRectClipped(int32_t x, int32_t y, int32_t width, int32_t height, int32_t clipX,
                           int32_t clipY, int32_t clipWidth, int32_t clipHeight, NativePixel colour)
{
    FillRectClipped(x, y, width, height, clipX, clipY, clipWidth, clipHeight, colour, pScreenSurface);
}

void FillSurfaceRectClipped(int32_t x, int32_t y, int32_t width, int32_t height, int32_t clipX,
                            int32_t clipY, int32_t clipWidth, int32_t clipHeight, NativePixel colour,
                            IDirectDrawSurface7* surface)
{
    FillRectClipped(x, y, width, height, clipX, clipY, clipWidth, clipHeight, colour, surface);
}

void DrawScreenFrame(int32_t x, int32_t y, int32_t width, int32_t height, NativePixel colour)
{
    Bevel(x, y, width, height, colour, colour, pScreenSurface);
}

void DrawSurfaceFrame(int32_t x, int32_t y, int32_t width, int32_t height, NativePixel colour,
                      IDirectDrawSurface7* surface)
{
    Bevel(x, y, width, height, colour, colour, surface);
}

void DrawScreenBevel(int32_t x, int32_t y, int32_t width, int32_t height, NativePixel topLeftColour,
                     NativePixel bottomRightColour)
{
    Bevel(x, y, width, height, topLeftColour, bottomRightColour, pScreenSurface);
}

void DrawSurfaceBevel(int32_t x, int32_t y, int32_t width, int32_t height,
                      NativePixel topLeftColour, NativePixel bottomRightColour,
                      IDirectDrawSurface7* surface)
{
    Bevel(x, y, width, height, topLeftColour, bottomRightColour, surface);
}

void DrawScreenFrameClipped(int32_t x, int32_t y, int32_t width, int32_t height, int32_t clipX,
                            int32_t clipY, int32_t clipWidth, int32_t clipHeight,
                            NativePixel colour)
{
    FrameClipped(x, y, width, height, clipX, clipY, clipWidth, clipHeight, colour, pScreenSurface);
}

void DrawSurfaceFrameClipped(int32_t x, int32_t y, int32_t width, int32_t height, int32_t clipX,
                             int32_t clipY, int32_t clipWidth, int32_t clipHeight,
                             NativePixel colour, IDirectDrawSurface7* surface)
{
    FrameClipped(x, y, width, height, clipX, clipY, clipWidth, clipHeight, colour, surface);
}

void DrawLineByFills(int32_t x1, int32_t y1, int32_t x2, int32_t y2, NativePixel colour)
{
    if (!MayDraw(pScreenSurface))
        return;
    TraceArea area;
    TraceLine(x1, y1, x2, y2, Filler(pScreenSurface, colour), SurfaceArea(pScreenSurface, &area));
}

void DrawCircleByFills(int32_t centreX, int32_t centreY, int32_t radius, NativePixel colour)
{
    if (!MayDraw(pScreenSurface))
        return;
    TraceArea area;
    TraceCircle(centreX, centreY, radius, Filler(pScreenSurface, colour),
                SurfaceArea(pScreenSurface, &area));
}

void DrawEllipseByFills(int32_t centreX, int32_t centreY, int32_t width, int32_t height,
                        NativePixel colour)
{
    if (!MayDraw(pScreenSurface))
        return;
    TraceArea area;
    TraceEllipse(centreX, centreY, width, height, Filler(pScreenSurface, colour),
                 SurfaceArea(pScreenSurface, &area));
}
