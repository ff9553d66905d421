// dib.cpp -- StretchDIBits: device-independent bitmaps drawn into a surface DC
//
// Covers the uncompressed forms an image file holds: 8 bits through a colour table of up to
// 256 entries, 16 bits as X1R5G5B5, 24 bits as blue-green-red and 32 bits as
// blue-green-red-unused, rows bottom-up (positive height) or top-down (negative), any source
// and destination rectangle, scaled by point sampling. Every pixel is converted into the
// surface's format as GDI converts image data: XRGB8888 at 32 bits, RGB565 by truncation at
// 16, and at 8 bits the nearest palette entry after each channel is reduced to five bits.
// Left out on purpose: 1- and 4-bit and run-length compressed bitmaps, bit-field masks,
// DIB_PAL_COLORS, raster operations other than SRCCOPY, mirroring by negative sizes. No SDL.

#include <cstdio>
#include <cstring>
#include <vector>

#include "faults.h"
#include "gdi32/surface_dc.h"

namespace {

struct Rgb {
    uint8_t red, green, blue;
};

void note_unsupported(const char* what)
{
    fprintf(stderr, "layer: StretchDIBits: %s is not supported\n", what);
}

// The bitmap's own description, checked.
struct Dib {
    const uint8_t* bits;
    int width;
    int height;
    bool topDown;
    int bitCount;
    int64_t stride;
    const RGBQUAD* table;
    int tableSize;

    // Colour of picture pixel (x, y), y counted from the top of the picture.
    Rgb at(int x, int y) const
    {
        const int64_t row = topDown ? y : height - 1 - y;
        const uint8_t* p = bits + row * stride;
        switch (bitCount) {
        case 8: {
            const int index = p[x];
            if (index >= tableSize)
                return Rgb{0, 0, 0};
            return Rgb{table[index].rgbRed, table[index].rgbGreen, table[index].rgbBlue};
        }
        case 16: {
            const uint16_t v = static_cast<uint16_t>(p[2 * x] | (p[2 * x + 1] << 8));
            // Five bits widen to eight by repeating their top bits.
            const uint8_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            return Rgb{static_cast<uint8_t>((r << 3) | (r >> 2)), static_cast<uint8_t>((g << 3) | (g >> 2)),
                       static_cast<uint8_t>((b << 3) | (b >> 2))};
        }
        case 24:
            return Rgb{p[3 * x + 2], p[3 * x + 1], p[3 * x]};
        default:
            return Rgb{p[4 * x + 2], p[4 * x + 1], p[4 * x]};
        }
    }
};

// Converts colours into the target's format, remembering the nearest-entry searches of an
// 8-bit target for the 32768 colours that five bits per channel leave.
class Converter {
public:
    explicit Converter(const SurfacePixels& target) : target_(target)
    {
        if (target.bitsPerPixel == 8)
            nearest_.assign(32768, -1);
    }

    uint32_t operator()(Rgb c)
    {
        if (target_.bitsPerPixel != 8)
            return gdi_color_to_pixel(RGB(c.red, c.green, c.blue), target_.bitsPerPixel, nullptr);
        const int r = c.red >> 3, g = c.green >> 3, b = c.blue >> 3;
        int16_t& slot = nearest_[(r << 10) | (g << 5) | b];
        if (slot < 0) {
            // Image data is reduced to five bits per channel, centred, before the search.
            const COLORREF reduced = RGB((r << 3) + 4, (g << 3) + 4, (b << 3) + 4);
            slot = static_cast<int16_t>(gdi_color_to_pixel(reduced, 8, target_.palette));
        }
        return static_cast<uint32_t>(slot);
    }

private:
    const SurfacePixels& target_;
    std::vector<int16_t> nearest_;
};

void store(const SurfacePixels& target, int x, int y, uint32_t pixel)
{
    uint8_t* row = target.bits + static_cast<ptrdiff_t>(y) * target.pitch;
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

}  // namespace

int WINAPI StretchDIBits(HDC dc, int destX, int destY, int destWidth, int destHeight, int sourceX,
                         int sourceY, int sourceWidth, int sourceHeight, const void* bits,
                         const BITMAPINFO* info, UINT usage, DWORD rop)
{
    if (layer_fault("StretchDIBits"))
        return 0;
    const SurfacePixels* target = gdi_dc_target(dc);
    if (!target) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!bits || !info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (usage != DIB_RGB_COLORS) {
        note_unsupported("a colour table of palette indices");
        return 0;
    }
    if (rop != SRCCOPY) {
        note_unsupported("a raster operation other than SRCCOPY");
        return 0;
    }
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 || header.biWidth <= 0 ||
        header.biHeight == 0 || header.biHeight == INT32_MIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int bitCount = header.biBitCount;
    if (header.biCompression != BI_RGB ||
        (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)) {
        note_unsupported("a bitmap other than uncompressed 8, 16, 24 or 32 bits");
        return 0;
    }
    if (destWidth < 0 || destHeight < 0 || sourceWidth < 0 || sourceHeight < 0) {
        note_unsupported("mirroring by a negative size");
        return 0;
    }
    if (destWidth == 0 || destHeight == 0 || sourceWidth == 0 || sourceHeight == 0)
        return 0;

    Dib dib;
    dib.bits = static_cast<const uint8_t*>(bits);
    dib.width = header.biWidth;
    dib.topDown = header.biHeight < 0;
    dib.height = dib.topDown ? -header.biHeight : header.biHeight;
    dib.bitCount = bitCount;
    dib.stride = (static_cast<int64_t>(dib.width) * bitCount + 31) / 32 * 4;
    dib.table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(info) + header.biSize);
    dib.tableSize = bitCount == 8 ? (header.biClrUsed == 0 || header.biClrUsed > 256 ? 256 : static_cast<int>(header.biClrUsed)) : 0;

    // The source rectangle in picture rows counted from the top: for a bottom-up bitmap its
    // y counts from the bottom row.
    const int64_t sourceTop = dib.topDown ? sourceY
                                          : static_cast<int64_t>(dib.height) - sourceY - sourceHeight;
    Converter convert(*target);
    int64_t left = destX, top = destY;
    int64_t right = left + destWidth, bottom = top + destHeight;
    const int64_t firstColumn = left < 0 ? 0 : left;
    const int64_t firstRow = top < 0 ? 0 : top;
    const int64_t lastColumn = right > target->width ? target->width : right;
    const int64_t lastRow = bottom > target->height ? target->height : bottom;
    for (int64_t y = firstRow; y < lastRow; ++y) {
        const int64_t py = sourceTop + (y - top) * sourceHeight / destHeight;
        if (py < 0 || py >= dib.height)
            continue;  // outside the bitmap: the destination keeps its pixels
        for (int64_t x = firstColumn; x < lastColumn; ++x) {
            const int64_t px = sourceX + (x - left) * sourceWidth / destWidth;
            if (px < 0 || px >= dib.width)
                continue;
            store(*target, static_cast<int>(x), static_cast<int>(y),
                  convert(dib.at(static_cast<int>(px), static_cast<int>(py))));
        }
    }
    return sourceHeight;
}
