// dib.cpp -- StretchDIBits: device-independent bitmaps drawn into a surface DC
//
// Covers every form a bitmap takes: 1, 4 and 8 bits through a colour table (2, 16 and up to 256
// entries), 16 bits as X1R5G5B5, 24 bits as blue-green-red, 32 bits as blue-green-red-unused,
// 16 and 32 bits with bit-field masks, and run-length compressed 4- and 8-bit data. Rows run
// bottom-up (positive height) or top-down (negative; never for compressed data); any source and
// destination rectangle, scaled by point sampling. Every pixel is converted into the surface's
// format as GDI converts image data: XRGB8888 at 32 bits, RGB565 by truncation at 16, and at 8
// bits the nearest palette entry after each channel is reduced to five bits. Compressed data is
// read for biSizeImage bytes and never further; pixels it does not reach (skipped by a delta or
// an early end of line or of the bitmap) leave the surface as it was.
// JPEG and PNG data, which the platform takes only for printers, is refused as on a screen.
// Left out on purpose: DIB_PAL_COLORS, raster operations other than SRCCOPY, mirroring by
// negative sizes. No SDL.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "faults.h"
#include "gdi32/surface_dc.h"
#include "unsupported.h"

namespace {

// The calls here that a test can make fail.
const FaultHook StretchDIBitsFault("StretchDIBits");

// The largest stretch of a compressed bitmap decoded at once, in pixels.
constexpr int64_t MaxDecodedPixels = int64_t{1} << 26;
constexpr uint16_t Untouched = 0xFFFF;  // a compressed bitmap's pixel that its data skips
constexpr size_t BitFieldsOffset = 40;  // the three masks follow the 40-byte header

struct Rgb {
    uint8_t red, green, blue;
};

void note_unsupported(const char* what)
{
    ::note_unsupported("StretchDIBits", what);
}

// One colour channel of a bit-field pixel: where its mask starts and how many bits it has.
struct Field {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Field(uint32_t fieldMask = 0) : mask(fieldMask)
    {
        if (mask == 0)
            return;
        while (!(mask & (1u << shift)))
            ++shift;
        while (shift + bits < 32 && (mask >> (shift + bits)))
            ++bits;
    }

    // The channel widened or narrowed to eight bits; narrower fields repeat their top bits.
    uint8_t operator()(uint32_t pixel) const
    {
        if (bits == 0)
            return 0;
        const uint32_t value = (pixel & mask) >> shift;
        if (bits >= 8)
            return static_cast<uint8_t>(value >> (bits - 8));
        uint32_t wide = value << (8 - bits);
        for (int filled = bits; filled < 8; filled += bits)
            wide |= wide >> bits;
        return static_cast<uint8_t>(wide);
    }
};

// The pixels a compressed bitmap's data sets, within a box of the picture: colour-table indices,
// or Untouched.
struct Decoded {
    int left = 0, top = 0, width = 0, height = 0;  // the box, rows counted from the picture's top
    std::unique_ptr<uint16_t[]> pixels;

    uint16_t at(int x, int y) const
    {
        return pixels[static_cast<size_t>(y - top) * width + (x - left)];
    }
};

// Decodes run-length data of the given size for a picture of width x pictureHeight (bottom-up),
// keeping what falls inside the box. Encoded runs repeat one index (4 bits: two alternating
// indices); escapes end a line, end the bitmap, move by a delta, or start an absolute run padded
// to a whole number of 16-bit words. Pixels past the right edge are dropped, not wrapped.
void decode_rle(const uint8_t* data, size_t size, bool fourBit, int width, int pictureHeight,
                Decoded* box)
{
    int64_t x = 0;
    int64_t row = 0;  // from the bottom
    const auto put = [&](int64_t at, uint8_t index) {
        const int64_t y = pictureHeight - 1 - row;
        if (at >= box->left && at < box->left + box->width && y >= box->top &&
            y < box->top + box->height)
            box->pixels[static_cast<size_t>(y - box->top) * box->width + (at - box->left)] = index;
    };
    size_t pos = 0;
    while (pos + 2 <= size && row < pictureHeight) {
        const uint8_t count = data[pos];
        const uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            const int64_t end = std::min<int64_t>(x + count, width);
            for (int64_t i = 0; x + i < end; ++i)
                put(x + i, fourBit ? (i % 2 ? value & 15 : value >> 4) : value);
            x += count;
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (pos + 2 > size)
                return;
            x += data[pos];
            row += data[pos + 1];
            pos += 2;
        } else {
            const size_t bytes = fourBit ? (value + 1u) / 2 : value;
            for (int64_t i = 0; i < value; ++i) {
                const size_t at = pos + static_cast<size_t>(fourBit ? i / 2 : i);
                if (at >= size)
                    return;  // the data ends inside the run
                const uint8_t byte = data[at];
                if (x + i < width)
                    put(x + i, fourBit ? (i % 2 ? byte & 15 : byte >> 4) : byte);
            }
            x += value;
            pos += (bytes + 1) / 2 * 2;
        }
    }
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
    bool bitFields = false;
    Field red, green, blue;
    const Decoded* decoded = nullptr;  // compressed bitmaps: the pixels their data sets

    Rgb entry(int index) const
    {
        if (index >= tableSize)
            return Rgb{0, 0, 0};
        return Rgb{table[index].rgbRed, table[index].rgbGreen, table[index].rgbBlue};
    }

    // Colour of picture pixel (x, y), y counted from the top of the picture; false where
    // compressed data leaves the pixel alone.
    bool at(int x, int y, Rgb* color) const
    {
        if (decoded) {
            const uint16_t index = decoded->at(x, y);
            if (index == Untouched)
                return false;
            *color = entry(index);
            return true;
        }
        const int64_t row = topDown ? y : height - 1 - y;
        const uint8_t* p = bits + row * stride;
        switch (bitCount) {
        case 1:
            *color = entry((p[x / 8] >> (7 - x % 8)) & 1);
            return true;
        case 4:
            *color = entry(x % 2 ? p[x / 2] & 15 : p[x / 2] >> 4);
            return true;
        case 8:
            *color = entry(p[x]);
            return true;
        case 16: {
            const uint32_t v = static_cast<uint32_t>(p[2 * x] | (p[2 * x + 1] << 8));
            if (bitFields) {
                *color = Rgb{red(v), green(v), blue(v)};
                return true;
            }
            // Five bits widen to eight by repeating their top bits.
            const uint8_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            *color = Rgb{static_cast<uint8_t>((r << 3) | (r >> 2)), static_cast<uint8_t>((g << 3) | (g >> 2)),
                         static_cast<uint8_t>((b << 3) | (b >> 2))};
            return true;
        }
        case 24:
            *color = Rgb{p[3 * x + 2], p[3 * x + 1], p[3 * x]};
            return true;
        default:
            if (bitFields) {
                uint32_t v;
                memcpy(&v, p + 4 * x, 4);
                *color = Rgb{red(v), green(v), blue(v)};
            } else {
                *color = Rgb{p[4 * x + 2], p[4 * x + 1], p[4 * x]};
            }
            return true;
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

// Whether the bit count and compression go together.
bool valid_form(int bitCount, DWORD compression)
{
    switch (compression) {
    case BI_RGB:
        return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
               bitCount == 24 || bitCount == 32;
    case BI_RLE8:
        return bitCount == 8;
    case BI_RLE4:
        return bitCount == 4;
    case BI_BITFIELDS:
        return bitCount == 16 || bitCount == 32;
    default:
        return false;
    }
}

bool is_compressed(const BITMAPINFOHEADER& header)
{
    return header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4;
}

// Whether the header describes a bitmap that can be read: one plane, a width above 0, a height
// other than 0, a bit count that goes with the compression. Compressed data runs bottom-up only,
// and says how many bytes it takes.
bool valid_header(const BITMAPINFOHEADER& header)
{
    return header.biSize >= sizeof(BITMAPINFOHEADER) && header.biPlanes == 1 &&
           header.biWidth > 0 && header.biHeight != 0 && header.biHeight != INT32_MIN &&
           valid_form(header.biBitCount, header.biCompression) &&
           !(is_compressed(header) && (header.biHeight < 0 || header.biSizeImage == 0));
}

// A rectangle as StretchDIBits takes it: a corner and a size.
struct Box {
    int x, y, width, height;
};

// The pixels of the surface behind dc, once the call's arguments and the bitmap's header are
// checked; null when the call draws nothing and returns 0: with the last error set where the
// platform fails, with a note where the layer leaves the form out, and silently for an empty
// rectangle.
const SurfacePixels* checked_target(HDC dc, const void* bits, const BITMAPINFO* info, UINT usage,
                                    DWORD rop, const Box& dest, const Box& source)
{
    const SurfacePixels* target = gdi_dc_target(dc);
    if (!target) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!bits || !info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (usage != DIB_RGB_COLORS) {
        note_unsupported("a colour table of palette indices");
        return nullptr;
    }
    if (rop != SRCCOPY) {
        note_unsupported("a raster operation other than SRCCOPY");
        return nullptr;
    }
    if (!valid_header(info->bmiHeader)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (dest.width < 0 || dest.height < 0 || source.width < 0 || source.height < 0) {
        note_unsupported("mirroring by a negative size");
        return nullptr;
    }
    if (dest.width == 0 || dest.height == 0 || source.width == 0 || source.height == 0)
        return nullptr;
    return target;
}

// The bitmap as its checked header describes it: the rows of its bits, its colour table, and
// for bit fields the three channel masks.
Dib describe(const BITMAPINFO& info, const void* bits)
{
    const BITMAPINFOHEADER& header = info.bmiHeader;
    Dib dib;
    dib.bits = static_cast<const uint8_t*>(bits);
    dib.width = header.biWidth;
    dib.topDown = header.biHeight < 0;
    dib.height = dib.topDown ? -header.biHeight : header.biHeight;
    dib.bitCount = header.biBitCount;
    dib.stride = (static_cast<int64_t>(dib.width) * dib.bitCount + 31) / 32 * 4;
    dib.table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(&info) + header.biSize);
    const DWORD tableLimit = dib.bitCount <= 8 ? 1u << dib.bitCount : 0;
    dib.tableSize = static_cast<int>(header.biClrUsed == 0 || header.biClrUsed > tableLimit
                                         ? tableLimit : header.biClrUsed);
    if (header.biCompression == BI_BITFIELDS) {
        // Red, green and blue masks, in the header's larger forms as after the 40-byte one.
        uint32_t masks[3];
        memcpy(masks, reinterpret_cast<const uint8_t*>(&info) + BitFieldsOffset, sizeof(masks));
        dib.bitFields = true;
        dib.red = Field(masks[0]);
        dib.green = Field(masks[1]);
        dib.blue = Field(masks[2]);
    }
    return dib;
}

// The destination pixels a call reaches on its surface, and the picture pixel each one samples.
struct Sampling {
    int64_t left, top;                          // the destination's corner
    int64_t destWidth, destHeight;
    int64_t sourceLeft, sourceTop;              // the source's corner, rows from the picture's top
    int64_t sourceWidth, sourceHeight;
    int64_t firstColumn, firstRow;              // the destination within the surface
    int64_t lastColumn, lastRow;                // (ends excluded)

    int64_t source_row(int64_t y) const { return sourceTop + (y - top) * sourceHeight / destHeight; }
    int64_t source_column(int64_t x) const
    {
        return sourceLeft + (x - left) * sourceWidth / destWidth;
    }
    bool empty() const { return firstColumn >= lastColumn || firstRow >= lastRow; }
};

// Where the rectangles lie: the destination cut to the surface, the source in picture rows
// counted from the top, since for a bottom-up bitmap its y counts from the bottom row.
Sampling sample(const Dib& dib, const SurfacePixels& target, const Box& dest, const Box& source)
{
    Sampling s;
    s.left = dest.x;
    s.top = dest.y;
    s.destWidth = dest.width;
    s.destHeight = dest.height;
    s.sourceLeft = source.x;
    s.sourceTop = dib.topDown ? source.y
                              : static_cast<int64_t>(dib.height) - source.y - source.height;
    s.sourceWidth = source.width;
    s.sourceHeight = source.height;
    s.firstColumn = std::max<int64_t>(s.left, 0);
    s.firstRow = std::max<int64_t>(s.top, 0);
    s.lastColumn = std::min<int64_t>(s.left + s.destWidth, target.width);
    s.lastRow = std::min<int64_t>(s.top + s.destHeight, target.height);
    return s;
}

enum class Decoding { Done, NothingVisible, OutOfMemory };

// Decodes the part of a compressed picture that the visible destination samples into *decoded.
Decoding decode_visible(const BITMAPINFOHEADER& header, const Dib& dib, const Sampling& s,
                        Decoded* decoded)
{
    const int64_t boxLeft = std::max<int64_t>(0, s.source_column(s.firstColumn));
    const int64_t boxRight = std::min<int64_t>(dib.width, s.source_column(s.lastColumn - 1) + 1);
    const int64_t boxTop = std::max<int64_t>(0, s.source_row(s.firstRow));
    const int64_t boxBottom = std::min<int64_t>(dib.height, s.source_row(s.lastRow - 1) + 1);
    if (boxLeft >= boxRight || boxTop >= boxBottom)
        return Decoding::NothingVisible;
    const int64_t area = (boxRight - boxLeft) * (boxBottom - boxTop);
    if (area > MaxDecodedPixels ||
        !(decoded->pixels = std::unique_ptr<uint16_t[]>(new (std::nothrow) uint16_t[area])))
        return Decoding::OutOfMemory;
    decoded->left = static_cast<int>(boxLeft);
    decoded->top = static_cast<int>(boxTop);
    decoded->width = static_cast<int>(boxRight - boxLeft);
    decoded->height = static_cast<int>(boxBottom - boxTop);
    std::fill(decoded->pixels.get(), decoded->pixels.get() + area, Untouched);
    decode_rle(dib.bits, header.biSizeImage, header.biCompression == BI_RLE4, dib.width, dib.height,
               decoded);
    return Decoding::Done;
}

// Converts and stores every destination pixel whose sample falls inside the picture and is set;
// the others keep what the surface held.
void draw(const Dib& dib, const Sampling& s, const SurfacePixels& target)
{
    Converter convert(target);
    for (int64_t y = s.firstRow; y < s.lastRow; ++y) {
        const int64_t py = s.source_row(y);
        if (py < 0 || py >= dib.height)
            continue;
        for (int64_t x = s.firstColumn; x < s.lastColumn; ++x) {
            const int64_t px = s.source_column(x);
            Rgb color;
            if (px < 0 || px >= dib.width || !dib.at(static_cast<int>(px), static_cast<int>(py), &color))
                continue;
            store(target, static_cast<int>(x), static_cast<int>(y), convert(color));
        }
    }
}

}  // namespace

int WINAPI StretchDIBits(HDC dc, int destX, int destY, int destWidth, int destHeight, int sourceX,
                         int sourceY, int sourceWidth, int sourceHeight, const void* bits,
                         const BITMAPINFO* info, UINT usage, DWORD rop)
{
    if (layer_fault_sets_last_error(StretchDIBitsFault))
        return 0;
    const Box dest{destX, destY, destWidth, destHeight};
    const Box source{sourceX, sourceY, sourceWidth, sourceHeight};
    const SurfacePixels* target = checked_target(dc, bits, info, usage, rop, dest, source);
    if (!target)
        return 0;
    Dib dib = describe(*info, bits);
    const Sampling sampling = sample(dib, *target, dest, source);
    if (sampling.empty())
        return sourceHeight;
    Decoded decoded;
    if (is_compressed(info->bmiHeader)) {
        switch (decode_visible(info->bmiHeader, dib, sampling, &decoded)) {
        case Decoding::NothingVisible:
            return sourceHeight;
        case Decoding::OutOfMemory:
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        case Decoding::Done:
            dib.decoded = &decoded;
            break;
        }
    }
    draw(dib, sampling, *target);
    return sourceHeight;
}
