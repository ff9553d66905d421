// gdi.cpp -- gdi32 on DirectDraw surfaces: device contexts, stock objects, colours, TextOutA
//
// A DirectDraw GetDC gives a memory DC over the surface's pixels, with the defaults of a new DC:
// white background, OPAQUE mode, black text, the stock System font, top-left alignment. Colours
// are converted into the surface's format as GDI converts them: XRGB8888 at 32 bits, RGB565 by
// truncation at 16, the nearest palette entry at 8. Nothing is drawn outside the surface.
// Left out on purpose: pens, brushes as drawing tools, regions, mapping modes, text alignment
// other than top-left.

#include <cstring>

#include "internal.h"

namespace {

constexpr uint32_t PaletteIndexTag = 0x01000000;
constexpr uint32_t DibIndexTag = 0x10FF0000;

enum class ObjectType { Brush, Font };

struct GdiObject {
    ObjectType type;
};

struct StockBrush : GdiObject {
    COLORREF color;
};

// The stock System font: a 16-pixel cell (13 above the baseline, 3 below) with 7-pixel average
// characters.
struct SystemFont : GdiObject {
    int height = 16;
    int ascent = 13;
    int averageWidth = 7;
};

StockBrush stockBrushes[] = {
    {{ObjectType::Brush}, RGB(255, 255, 255)}, {{ObjectType::Brush}, RGB(192, 192, 192)},
    {{ObjectType::Brush}, RGB(128, 128, 128)}, {{ObjectType::Brush}, RGB(64, 64, 64)},
    {{ObjectType::Brush}, RGB(0, 0, 0)},       {{ObjectType::Brush}, RGB(0, 0, 0)},
};
SystemFont systemFont{{ObjectType::Font}};

struct DeviceContext {
    SurfacePixels target;
    COLORREF background = RGB(255, 255, 255);
    int backgroundMode = OPAQUE;
    COLORREF textColor = RGB(0, 0, 0);
    SystemFont* font = &systemFont;
};

DeviceContext* context_from_handle(HDC dc) { return reinterpret_cast<DeviceContext*>(dc); }

void store_pixel_run(const SurfacePixels& target, int x0, int x1, int y, uint32_t pixel)
{
    uint8_t* row = target.bits + static_cast<ptrdiff_t>(y) * target.pitch;
    for (int x = x0; x < x1; ++x) {
        switch (target.bitsPerPixel) {
        case 8:
            row[x] = static_cast<uint8_t>(pixel);
            break;
        case 16: {
            const uint16_t value = static_cast<uint16_t>(pixel);
            memcpy(row + 2 * x, &value, 2);
            break;
        }
        default:
            memcpy(row + 4 * x, &pixel, 4);
            break;
        }
    }
}

// Fills [left, right) x [top, bottom), cut to the surface.
void fill_box(const SurfacePixels& target, int left, int top, int right, int bottom, uint32_t pixel)
{
    if (left < 0)
        left = 0;
    if (top < 0)
        top = 0;
    if (right > target.width)
        right = target.width;
    if (bottom > target.height)
        bottom = target.height;
    for (int y = top; y < bottom; ++y)
        if (left < right)
            store_pixel_run(target, left, right, y, pixel);
}

}  // namespace

uint32_t gdi_color_to_pixel(COLORREF color, int bitsPerPixel, const PALETTEENTRY* palette)
{
    if (bitsPerPixel == 8 && (color & 0xFF000000) == PaletteIndexTag)
        return color & 0xFF;
    if (bitsPerPixel == 8 && (color & 0xFFFF0000) == DibIndexTag)
        return color & 0xFF;
    const uint32_t r = GetRValue(color);
    const uint32_t g = GetGValue(color);
    const uint32_t b = GetBValue(color);
    switch (bitsPerPixel) {
    case 32:
        return (r << 16) | (g << 8) | b;
    case 16:
        return ((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3);  // truncated, not rounded
    case 8: {
        if (!palette)
            return 0;
        // The nearest entry by squared distance; an exact match ends the search, ties go to
        // the lowest index.
        uint32_t best = 0;
        uint32_t bestDistance = UINT32_MAX;
        for (uint32_t i = 0; i < 256; ++i) {
            const int dr = int(palette[i].peRed) - int(r);
            const int dg = int(palette[i].peGreen) - int(g);
            const int db = int(palette[i].peBlue) - int(b);
            const uint32_t distance = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
            if (distance < bestDistance) {
                best = i;
                bestDistance = distance;
                if (distance == 0)
                    break;
            }
        }
        return best;
    }
    default:
        return 0;
    }
}

HDC gdi_create_surface_dc(const SurfacePixels& pixels)
{
    auto* context = new DeviceContext;
    context->target = pixels;
    return reinterpret_cast<HDC>(context);
}

void gdi_delete_surface_dc(HDC dc) { delete context_from_handle(dc); }

const SurfacePixels* gdi_dc_target(HDC dc)
{
    DeviceContext* context = context_from_handle(dc);
    return context ? &context->target : nullptr;
}

HGDIOBJ WINAPI GetStockObject(int object)
{
    if (object >= WHITE_BRUSH && object <= NULL_BRUSH)
        return &stockBrushes[object];
    if (object == SYSTEM_FONT)
        return &systemFont;
    return nullptr;
}

COLORREF WINAPI SetBkColor(HDC dc, COLORREF color)
{
    DeviceContext* context = context_from_handle(dc);
    if (!context)
        return CLR_INVALID;
    const COLORREF previous = context->background;
    context->background = color;
    return previous;
}

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int count)
{
    DeviceContext* context = context_from_handle(dc);
    if (!context || count < 0 || (count > 0 && !text))
        return FALSE;
    if (count == 0)
        return TRUE;
    const SystemFont& font = *context->font;
    // FIXME: glyphs are not rasterised yet; text shows only its background cell in OPAQUE mode.
    const int64_t extent = static_cast<int64_t>(count) * font.averageWidth;
    if (context->backgroundMode == OPAQUE) {
        const SurfacePixels& target = context->target;
        const uint32_t pixel = gdi_color_to_pixel(context->background, target.bitsPerPixel, target.palette);
        const int64_t right = x + extent;
        const int64_t bottom = static_cast<int64_t>(y) + font.height;
        fill_box(target, x, y, right > INT32_MAX ? INT32_MAX : static_cast<int>(right),
                 bottom > INT32_MAX ? INT32_MAX : static_cast<int>(bottom), pixel);
    }
    return TRUE;
}
