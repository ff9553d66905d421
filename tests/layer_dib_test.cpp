// layer_dib_test.cpp -- StretchDIBits into surface DCs: row order, formats, conversion, cutting

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support.h"

namespace {

// A 4 x 4 surface of 0xCD bytes on a device of the depth, its DC out; at() reads a pixel.
struct Target {
    LayerDevice device;
    IDirectDrawSurface7* surface = nullptr;
    HDC dc = nullptr;

    explicit Target(int depth, const PALETTEENTRY* palette = nullptr) : device(depth, 64, 64)
    {
        surface = device.Offscreen(4, 4);
        if (palette) {
            IDirectDrawPalette* pal = nullptr;
            EXPECT_EQ(device.dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, const_cast<PALETTEENTRY*>(palette), &pal, nullptr), DD_OK);
            EXPECT_EQ(surface->SetPalette(pal), DD_OK);
            pal->Release();
        }
        FillSurfaceBytes(surface, 0xCD);
        EXPECT_EQ(surface->GetDC(&dc), DD_OK);
    }
    ~Target()
    {
        surface->ReleaseDC(dc);
        surface->SetPalette(nullptr);
        surface->Release();
    }
    uint32_t at(int x, int y)
    {
        surface->ReleaseDC(dc);
        const uint32_t value = ReadPixel(surface, x, y);
        surface->GetDC(&dc);
        return value;
    }
};

struct Info {
    BITMAPINFOHEADER header{};
    RGBQUAD colors[256]{};
    Info(int width, int height, int bitCount)
    {
        header.biSize = sizeof(BITMAPINFOHEADER);
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = static_cast<WORD>(bitCount);
        header.biCompression = BI_RGB;
    }
    const BITMAPINFO* get() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

}  // namespace

TEST(StretchDIBits, RowOrderFollowsTheSignOfTheHeight)
{
    Target target(32);
    // Two rows of one 24-bit pixel, each row padded to four bytes: first red, then blue.
    const uint8_t bits[8] = {0, 0, 255, 0, 255, 0, 0, 0};
    Info bottomUp(1, 2, 24);
    EXPECT_EQ(StretchDIBits(target.dc, 0, 0, 1, 2, 0, 0, 1, 2, bits, bottomUp.get(), DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_EQ(target.at(0, 0), 0x0000FFu) << "a bottom-up bitmap's first row is its bottom row";
    EXPECT_EQ(target.at(0, 1), 0xFF0000u);
    Info topDown(1, -2, 24);
    StretchDIBits(target.dc, 1, 0, 1, 2, 0, 0, 1, 2, bits, topDown.get(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(target.at(1, 0), 0xFF0000u);
    EXPECT_EQ(target.at(1, 1), 0x0000FFu);
}

TEST(StretchDIBits, SourceRectangleCountsFromTheBottomAndScales)
{
    Target target(16);
    // 2 x 2, 32 bits, bottom row first: (white, black) then top row (red, green).
    const uint32_t bits[4] = {0xFFFFFF, 0x000000, 0xFF0000, 0x00FF00};
    Info info(2, 2, 32);
    // The bottom-right pixel (source x 1, y 0 from the bottom), doubled into 2 x 2 at (1, 1).
    StretchDIBits(target.dc, 1, 1, 2, 2, 1, 0, 1, 1, bits, info.get(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(target.at(1, 1), 0x0000u);
    EXPECT_EQ(target.at(2, 2), 0x0000u);
    EXPECT_EQ(target.at(0, 0), 0xCDCDu);
    EXPECT_EQ(target.at(3, 3), 0xCDCDu);
    // The whole picture at the surface's corner, hanging off it: only what is inside is drawn.
    StretchDIBits(target.dc, 3, 3, 2, 2, 0, 0, 2, 2, bits, info.get(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(target.at(3, 3), 0xF800u) << "top-left of the picture is its red pixel";
    StretchDIBits(target.dc, -1, -1, 2, 2, 0, 0, 2, 2, bits, info.get(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(target.at(0, 0), 0x0000u) << "the picture's bottom-right, black";
}

TEST(StretchDIBits, FormatsConvertAsGdiConvertsImageData)
{
    Target target(16);
    const uint16_t bits555[2] = {0x7C00, 0x03FF};  // red; green + blue at full
    Info info16(2, 1, 16);
    StretchDIBits(target.dc, 0, 0, 2, 1, 0, 0, 2, 1, bits555, info16.get(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(target.at(0, 0), 0xF800u);
    EXPECT_EQ(target.at(1, 0), 0x07FFu);

    Info info8(2, 1, 8);
    info8.header.biClrUsed = 2;
    info8.colors[1] = RGBQUAD{4, 103, 251, 0};
    const uint8_t indices[4] = {1, 9, 0, 0};  // 9 is past the table's two entries
    StretchDIBits(target.dc, 0, 1, 2, 1, 0, 0, 2, 1, indices, info8.get(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(target.at(0, 1), 0xFB20u);
    EXPECT_EQ(target.at(1, 1), 0x0000u);
}

TEST(StretchDIBits, EightBitTargetsTakeTheNearestEntryOfFiveBitColours)
{
    PALETTEENTRY palette[256] = {};
    palette[1] = PALETTEENTRY{200, 0, 0, 0};
    palette[2] = PALETTEENTRY{204, 4, 4, 0};  // exactly (203 reduced to five bits) + 4
    Target target(8, palette);
    const uint8_t bits[4] = {0, 0, 203, 0};  // one 24-bit pixel, red 203
    Info info(1, 1, 24);
    StretchDIBits(target.dc, 0, 0, 1, 1, 0, 0, 1, 1, bits, info.get(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(target.at(0, 0), 2u) << "203 becomes 204 before the search, so entry 2 matches exactly";
}

// Small pictures in every packed, compressed and bit-field form, drawn 1:1 at (0, 0) of a 4 x 4
// surface. Letters are the colours red A, blue B, green C, white D; '.' is a pixel left alone.
TEST(StretchDIBits, PackedCompressedAndBitFieldPicturesConvertAtEveryDepth)
{
    struct Row {
        const char* name;
        int width, height, bitCount;
        DWORD compression;
        std::vector<uint8_t> bits;
        std::vector<std::string> expected;  // top row first
        std::vector<uint32_t> masks = {};   // bit fields: red, green, blue
    };
    const Row rows[] = {
        {"1 bit, 2 entries", 4, 1, 1, BI_RGB, {0xA0, 0, 0, 0}, {"BABA"}},
        {"4 bits", 4, 2, 4, BI_RGB, {0x01, 0x23, 0, 0, 0x32, 0x10, 0, 0}, {"DCBA", "ABCD"}},
        // Bottom row: a run of one B, an absolute run of three padded to four bytes, end of line;
        // top row: a run of one A, a delta of two to the right, a run of one D, end of bitmap.
        {"run lengths, 8 bits", 4, 2, 8, BI_RLE8,
         {1, 1, 0, 3, 1, 2, 0, 0, 0, 0, 1, 0, 0, 2, 2, 0, 1, 3, 0, 1}, {"A..D", "BBCA"}},
        {"run lengths, 8 bits, data ending inside a run", 4, 2, 8, BI_RLE8, {1, 1, 0, 3, 1, 2},
         {"....", "BBC."}},
        // An absolute run of three indices (C D B) in two bytes, then a run of one index A,
        // end of line, then a run of five alternating B and C, cut at the right edge.
        {"run lengths, 4 bits", 4, 2, 4, BI_RLE4, {0, 3, 0x23, 0x10, 1, 0x00, 0, 0, 5, 0x12, 0, 1},
         {"BCBC", "CDBA"}},
        {"bit fields 5-6-5", 4, 1, 16, BI_BITFIELDS, {0x00, 0xF8, 0x1F, 0x00, 0xE0, 0x07, 0xFF, 0xFF},
         {"ABCD"}, {0xF800, 0x07E0, 0x001F}},
        {"bit fields 32, blue on top", 2, 2, 32, BI_BITFIELDS,
         {0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0},
         {"AC", "BD"}, {0x000000FF, 0x0000FF00, 0xFF000000}},
    };
    // Each colour at 32 bits, 16 bits, and as the index of its exact palette entry at 8.
    const std::map<char, std::array<uint32_t, 3>> colors = {
        {'A', {0xFF0000, 0xF800, 1}}, {'B', {0x0000FF, 0x001F, 2}},
        {'C', {0x00FF00, 0x07E0, 3}}, {'D', {0xFFFFFF, 0xFFFF, 4}},
        {'.', {0xCDCDCDCD, 0xCDCD, 0xCD}}};
    PALETTEENTRY palette[256] = {};
    palette[1] = PALETTEENTRY{255, 0, 0, 0};
    palette[2] = PALETTEENTRY{0, 0, 255, 0};
    palette[3] = PALETTEENTRY{0, 255, 0, 0};
    palette[4] = PALETTEENTRY{255, 255, 255, 0};
    for (const Row& row : rows) {
        for (int depth : {32, 16, 8}) {
            SCOPED_TRACE(testing::Message() << row.name << " at " << depth << " bits");
            Target target(depth, depth == 8 ? palette : nullptr);
            Info info(row.width, row.height, row.bitCount);
            info.header.biCompression = row.compression;
            info.header.biSizeImage = static_cast<DWORD>(row.bits.size());
            info.header.biClrUsed = row.bitCount == 1 ? 2 : 4;
            info.colors[0] = RGBQUAD{0, 0, 255, 0};
            info.colors[1] = RGBQUAD{255, 0, 0, 0};
            info.colors[2] = RGBQUAD{0, 255, 0, 0};
            info.colors[3] = RGBQUAD{255, 255, 255, 0};
            if (!row.masks.empty())
                memcpy(info.colors, row.masks.data(), 12);
            // The data alone in its own allocation: reading past it is caught under the sanitizers.
            std::unique_ptr<uint8_t[]> bits(new uint8_t[row.bits.size()]);
            memcpy(bits.get(), row.bits.data(), row.bits.size());
            EXPECT_EQ(StretchDIBits(target.dc, 0, 0, row.width, row.height, 0, 0, row.width, row.height,
                                    bits.get(), info.get(), DIB_RGB_COLORS, SRCCOPY),
                      row.height);
            const int slot = depth == 32 ? 0 : depth == 16 ? 1 : 2;
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x) {
                    const bool inside = x < row.width && y < row.height;
                    EXPECT_EQ(target.at(x, y), colors.at(inside ? row.expected[y][x] : '.')[slot])
                        << "pixel (" << x << ", " << y << ")";
                }
        }
    }
}

TEST(StretchDIBits, RefusesWhatItDoesNotDrawWithoutTouchingTheSurface)
{
    Target target(16);
    const uint8_t bits[64] = {};
    struct Row {
        const char* name;
        int bitCount, height;
        DWORD compression, sizeImage;
        UINT usage;
        DWORD rop;
    };
    const Row rows[] = {
        {"2 bits", 2, 2, BI_RGB, 0, DIB_RGB_COLORS, SRCCOPY},
        {"bit fields of 24 bits", 24, 2, BI_BITFIELDS, 0, DIB_RGB_COLORS, SRCCOPY},
        {"8-bit run lengths of 4 bits", 4, 2, BI_RLE8, 64, DIB_RGB_COLORS, SRCCOPY},
        {"run lengths top-down", 8, -2, BI_RLE8, 64, DIB_RGB_COLORS, SRCCOPY},
        {"run lengths of no size", 8, 2, BI_RLE8, 0, DIB_RGB_COLORS, SRCCOPY},
        {"JPEG", 0, 2, 4, 64, DIB_RGB_COLORS, SRCCOPY},
        {"palette indices", 8, 2, BI_RGB, 0, DIB_PAL_COLORS, SRCCOPY},
        {"another raster operation", 24, 2, BI_RGB, 0, DIB_RGB_COLORS, 0x00EE0086},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Info info(2, row.height, row.bitCount);
        info.header.biCompression = row.compression;
        info.header.biSizeImage = row.sizeImage;
        EXPECT_EQ(StretchDIBits(target.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, info.get(), row.usage, row.rop), 0);
    }
    Info info(2, 2, 24);
    EXPECT_EQ(StretchDIBits(nullptr, 0, 0, 2, 2, 0, 0, 2, 2, bits, info.get(), DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(target.dc, 0, 0, -2, 2, 0, 0, 2, 2, bits, info.get(), DIB_RGB_COLORS, SRCCOPY), 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(target.at(x, y), 0xCDCDu) << "pixel (" << x << ", " << y << ")";
}
