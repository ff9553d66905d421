// raster.cpp -- lines, circles and ellipses stored straight into the screen surface's memory, in
// a 16-bit and a 32-bit family; no store ever lands outside the surface's memory

#include <algorithm>
#include <cstdint>

#include "draw.h"

void* pRasterPixels = nullptr;
int32_t RasterStride = 0;

namespace {

// Rows that addressing through RasterStride keeps inside the locked memory; 0 while nothing is
// locked, so that a stray PutPixel stores nothing.
int32_t RasterRows = 0;

// The element addressing of the figure in hand, with its colour: stores the colour at (x, y) when
// the point is on the screen and its element inside the locked memory.
template <typename Pixel>
struct RasterStore {
    Pixel* pixels;
    uint64_t width;
    uint64_t rows;
    int64_t stride;
    Pixel colour;

    void operator()(int64_t x, int64_t y) const
    {
        // A negative coordinate turns into a huge unsigned one and fails the same test.
        if (static_cast<uint64_t>(x) < width && static_cast<uint64_t>(y) < rows)
            pixels[y * stride + x] = colour;
    }
};

// Locks the screen surface for one figure and sets the addressing globals. Pixel (x, y) is
// element y * ScreenWidth + x; the rows that may be addressed are the screen's, as far as the
// locked memory reaches at this element size (a family that does not match the depth draws a
// wrong picture, never outside the surface). False when the lock fails; nothing is locked then.
template <typename Pixel>
bool BeginFigure(RasterStore<Pixel>* store)
{
    pRasterPixels = LockSurfaceMemory(pScreenSurface);
    RasterStride = ScreenWidth;
    RasterRows = 0;
    if (!pRasterPixels)
        return false;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (RasterStride > 0 && pScreenSurface->GetSurfaceDesc(&desc) == DD_OK && desc.lPitch > 0) {
        const int64_t elements =
            static_cast<int64_t>(desc.lPitch) * desc.dwHeight / static_cast<int64_t>(sizeof(Pixel));
        RasterRows = static_cast<int32_t>(
            std::max<int64_t>(0, std::min<int64_t>(elements / RasterStride, ScreenHeight)));
    }
    store->pixels = static_cast<Pixel*>(pRasterPixels);
    store->width = RasterRows > 0 ? static_cast<uint64_t>(RasterStride) : 0;
    store->rows = static_cast<uint64_t>(RasterRows);
    store->stride = RasterStride;
    return true;
}

void EndFigure()
{
    UnlockSurfaceMemory(pScreenSurface);
    pRasterPixels = nullptr;
    RasterRows = 0;
}

template <typename Pixel>
void PutPixel(int32_t x, int32_t y, Pixel colour)
{
    if (!pRasterPixels || RasterRows <= 0 || RasterStride <= 0)
        return;
    const RasterStore<Pixel> store{static_cast<Pixel*>(pRasterPixels),
                                   static_cast<uint64_t>(RasterStride),
                                   static_cast<uint64_t>(RasterRows), RasterStride, colour};
    store(x, y);
}

// Stores colour at every point trace(store, area) visits, under one lock of the screen surface.
template <typename Pixel, typename Trace>
void DrawFigure(Pixel colour, Trace trace)
{
    RasterStore<Pixel> store{nullptr, 0, 0, 0, colour};
    if (!BeginFigure(&store))
        return;
    const TraceArea area{static_cast<int64_t>(store.width), static_cast<int64_t>(store.rows)};
    trace(store, &area);
    EndFigure();
}

template <typename Pixel>
void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Pixel colour)
{
    DrawFigure(colour, [&](RasterStore<Pixel>& store, const TraceArea* area) {
        TraceLine(x1, y1, x2, y2, store, area);
    });
}

template <typename Pixel>
void DrawCircle(int32_t centreX, int32_t centreY, int32_t radius, Pixel colour)
{
    DrawFigure(colour, [&](RasterStore<Pixel>& store, const TraceArea* area) {
        TraceCircle(centreX, centreY, radius, store, area);
    });
}

template <typename Pixel>
void DrawEllipse(int32_t centreX, int32_t centreY, int32_t width, int32_t height, Pixel colour)
{
    DrawFigure(colour, [&](RasterStore<Pixel>& store, const TraceArea* area) {
        TraceEllipse(centreX, centreY, width, height, store, area);
    });
}

}  // namespace

void DrawLine16(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint16_t colour)
{
    DrawLine<uint16_t>(x1, y1, x2, y2, colour);
}

void DrawCircle16(int32_t centreX, int32_t centreY, int32_t radius, uint16_t colour)
{
    DrawCircle<uint16_t>(centreX, centreY, radius, colour);
}

void DrawEllipse16(int32_t centreX, int32_t centreY, int32_t width, int32_t height, uint16_t colour)
{
    DrawEllipse<uint16_t>(centreX, centreY, width, height, colour);
}

void PutPixel16(int32_t x, int32_t y, uint16_t colour) { PutPixel<uint16_t>(x, y, colour); }

void DrawLine32(int32_t x1, int32_t y1, int32_t x2, int32_t y2, NativePixel colour)
{
    DrawLine<uint32_t>(x1, y1, x2, y2, colour);
}

void DrawCircle32(int32_t centreX, int32_t centreY, int32_t radius, NativePixel colour)
{
    DrawCircle<uint32_t>(centreX, centreY, radius, colour);
}

void DrawEllipse32(int32_t centreX, int32_t centreY, int32_t width, int32_t height,
                   NativePixel colour)
{
    DrawEllipse<uint32_t>(centreX, centreY, width, height, colour);
}

void PutPixel32(int32_t x, int32_t y, NativePixel colour) { PutPixel<uint32_t>(x, y, colour); }
