// display_image_test.cpp -- PNG and BMP images decoded to the display's pixels at each depth, the
// alpha and magenta rules, refusals with their reasons, restoring and releasing, and PNG saving

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "draw/draw.h"
#include "png_writer.h"
#include "support.h"

namespace {

using pngfile::Picture;

// The test colours and, worked out by hand, their pixels at 8 bits (in TestPalette), 16 bits
// (5-6-5, truncated) and 32 bits.
struct Colour {
    const char* name;
    uint8_t r, g, b;
    uint32_t at8, at16, at32;
};
const Colour Red = {"red", 255, 0, 0, 10, 0xF800, 0xFF0000};
const Colour Green = {"green", 0, 255, 0, 20, 0x07E0, 0x00FF00};
const Colour Blue = {"blue", 0, 0, 255, 30, 0x001F, 0x0000FF};
const Colour White = {"white", 255, 255, 255, 40, 0xFFFF, 0xFFFFFF};
const Colour Black = {"black", 0, 0, 0, 50, 0x0000, 0x000000};
const Colour Grey = {"grey", 128, 128, 128, 60, 0x8410, 0x808080};
// Magenta is the transparent colour; (250, 5, 250) is the palette's nearest other entry.
const Colour KeyColour = {"transparent", 255, 0, 255, 254, 0xF81F, 0xFF00FF};
const Colour NudgedMagenta = {"opaque magenta", 255, 0, 255, 100, 0xF83F, 0xFF01FF};

uint32_t Expected(const Colour& c, int depth) { return depth == 8 ? c.at8 : depth == 16 ? c.at16 : c.at32; }

// The default test palette (entry i is (i, 255 - i, i / 2)), with the colours above at their
// indices and entries 0 to 7, which lie next to green, moved out of the way.
std::vector<uint8_t> TestPalette()
{
    return PaletteBitmap({{0, 90, 90, 30}, {1, 98, 90, 30}, {2, 106, 90, 30}, {3, 114, 90, 30},
                          {4, 122, 90, 30}, {5, 130, 90, 30}, {6, 138, 90, 30}, {7, 146, 90, 30},
                          {10, 255, 0, 0}, {20, 0, 255, 0}, {30, 0, 0, 255}, {40, 255, 255, 255},
                          {50, 0, 0, 0}, {60, 128, 128, 128}, {100, 250, 5, 250}, {254, 255, 0, 255}});
}

// Brings the display up afresh at the depth, with the test palette at 8 bits.
void DisplayAt(int depth)
{
    ReleaseDirectDraw();
    WriteBytes("data/palette.bmp", TestPalette());
    ASSERT_TRUE(BringUpDisplay(depth)) << depth;
}

// Checks every pixel of the surface against the colours expected, row by row.
void ExpectPixels(IDirectDrawSurface7* surface, int width, int height,
                  const std::vector<const Colour*>& expected, int depth)
{
    ASSERT_NE(surface, nullptr) << LastEngineError();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Colour& c = *expected[y * width + x];
            ASSERT_EQ(ReadPixel(surface, x, y), Expected(c, depth))
                << "pixel (" << x << ", " << y << ") should be " << c.name << " at " << depth << " bits";
        }
}

std::vector<uint8_t> Big16(int value) { return {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)}; }

// The bytes of one pixel of the colour in the PNG colour type and depth; palette pictures index
// the palette built from the colours given.
std::vector<uint8_t> PixelBytes(const Colour& c, pngfile::ColourType type, int depth, uint8_t alpha, int index)
{
    std::vector<uint8_t> samples;
    switch (type) {
    case pngfile::Grey: samples = {c.r}; break;
    case pngfile::GreyAlpha: samples = {c.r, alpha}; break;
    case pngfile::Rgb: samples = {c.r, c.g, c.b}; break;
    case pngfile::Rgba: samples = {c.r, c.g, c.b, alpha}; break;
    case pngfile::Palette: return {static_cast<uint8_t>(index)};
    }
    if (depth < 8)
        return {static_cast<uint8_t>(samples[0] >> (8 - depth))};
    if (depth == 8)
        return samples;
    std::vector<uint8_t> wide;
    for (uint8_t s : samples) {
        const std::vector<uint8_t> v = Big16(s * 257);
        wide.insert(wide.end(), v.begin(), v.end());
    }
    return wide;
}

// A picture of the colours laid out in a pattern over width x height, in the type and depth.
Picture Pattern(const std::vector<const Colour*>& colours, int width, int height, pngfile::ColourType type,
                int depth, bool interlaced, std::vector<const Colour*>& layout)
{
    Picture p;
    p.width = width;
    p.height = height;
    p.type = type;
    p.bitDepth = depth;
    p.interlaced = interlaced;
    for (const Colour* c : colours)
        p.palette.insert(p.palette.end(), {c->r, c->g, c->b});
    layout.clear();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int index = static_cast<int>((x + 2 * y) % colours.size());
            layout.push_back(colours[index]);
            p.pixelBytes.push_back(PixelBytes(*colours[index], type, depth, 255, index));
        }
    if (type != pngfile::Palette)
        p.palette.clear();
    return p;
}

TEST(LoadImageSurface, EveryPngColourTypeGivesTheDisplaysPixels)
{
    ScratchDirectory dir;
    const std::vector<const Colour*> colours = {&Red, &Green, &Blue, &White, &Black, &Grey};
    const std::vector<const Colour*> greys = {&White, &Black, &Grey};
    const std::vector<const Colour*> blackAndWhite = {&White, &Black};
    struct Row {
        const char* name;
        pngfile::ColourType type;
        int depth;
        bool interlaced;
        const std::vector<const Colour*>& colours;
    };
    const Row rows[] = {
        {"RGB 8", pngfile::Rgb, 8, false, colours},
        {"RGB 16", pngfile::Rgb, 16, false, colours},
        {"RGBA 8", pngfile::Rgba, 8, false, colours},
        {"RGBA 16", pngfile::Rgba, 16, false, colours},
        {"RGBA 8 interlaced", pngfile::Rgba, 8, true, colours},
        {"palette 8", pngfile::Palette, 8, false, colours},
        {"palette 4 interlaced", pngfile::Palette, 4, true, colours},
        {"grey 8", pngfile::Grey, 8, false, greys},
        {"grey 16", pngfile::Grey, 16, false, greys},
        {"grey 1", pngfile::Grey, 1, false, blackAndWhite},
        {"grey and alpha 8", pngfile::GreyAlpha, 8, false, greys},
        {"grey and alpha 16 interlaced", pngfile::GreyAlpha, 16, true, greys},
    };
    for (int depth : {8, 16, 32}) {
        DisplayAt(depth);
        for (const Row& r : rows) {
            SCOPED_TRACE(std::string(r.name) + " at " + std::to_string(depth) + " bits");
            std::vector<const Colour*> layout;
            // 11 x 9: wider than a pass's grid, so every interlace pass holds pixels.
            WriteBytes("picture.png", pngfile::Encode(Pattern(r.colours, 11, 9, r.type, r.depth, r.interlaced, layout)));
            IDirectDrawSurface7* surface = LoadImageSurface("picture.png");
            ExpectPixels(surface, 11, 9, layout, depth);
            ReleaseImageSurface(surface);
        }
    }
}

// One row of four pixels in RGBA or RGB, each given with its alpha (RGB ignores it).
std::vector<uint8_t> FourPixels(pngfile::ColourType type, const std::vector<std::pair<const Colour*, uint8_t>>& pixels)
{
    Picture p;
    p.width = static_cast<int>(pixels.size());
    p.height = 1;
    p.type = type;
    for (const auto& [colour, alpha] : pixels)
        p.pixelBytes.push_back(PixelBytes(*colour, type, 8, alpha, 0));
    return pngfile::Encode(p);
}

TEST(LoadImageSurface, AlphaBelowOneHalfAndMagentaWithoutAlphaBecomeHoles)
{
    ScratchDirectory dir;
    const Colour nearMagenta = {"near magenta", 250, 2, 250, 100, 0xF83F, 0xFA02FA};
    for (int depth : {8, 16, 32}) {
        SCOPED_TRACE(std::to_string(depth) + " bits");
        DisplayAt(depth);
        // Alpha 127 is a hole, 128 is opaque; opaque magenta in a file with alpha is moved off
        // the transparent colour.
        WriteBytes("alpha.png", FourPixels(pngfile::Rgba, {{&Red, 0}, {&Red, 127}, {&Red, 128}, {&Red, 255}}));
        IDirectDrawSurface7* surface = LoadImageSurface("alpha.png");
        ExpectPixels(surface, 4, 1, {&KeyColour, &KeyColour, &Red, &Red}, depth);
        ReleaseImageSurface(surface);
        WriteBytes("magenta.png", FourPixels(pngfile::Rgba, {{&KeyColour, 255}, {&KeyColour, 0}, {&Blue, 200}, {&KeyColour, 128}}));
        surface = LoadImageSurface("magenta.png");
        ExpectPixels(surface, 4, 1, {&NudgedMagenta, &KeyColour, &Blue, &NudgedMagenta}, depth);
        ReleaseImageSurface(surface);
        // Without alpha, exact magenta stays transparent; a colour merely near it does not,
        // even where the display's pixels cannot tell them apart.
        WriteBytes("rgb.png", FourPixels(pngfile::Rgb, {{&KeyColour, 255}, {&nearMagenta, 255}, {&Green, 255}, {&KeyColour, 255}}));
        surface = LoadImageSurface("rgb.png");
        ExpectPixels(surface, 4, 1, {&KeyColour, &nearMagenta, &Green, &KeyColour}, depth);

        // The holes are the colour key: a keyed copy leaves the screen's pixels there.
        FillScreenRect(0, 0, 8, 1, Expected(White, depth));
        BlitKeyedToScreen(0, 0, 0, 0, 4, 1, surface);
        EXPECT_EQ(ReadScreenPixel(0, 0), Expected(White, depth));
        EXPECT_EQ(ReadScreenPixel(2, 0), Expected(Green, depth));
        ReleaseImageSurface(surface);
    }
}

void PutLe(std::vector<uint8_t>& b, size_t at, uint32_t v, int bytes = 4)
{
    for (int i = 0; i < bytes; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A BMP of 3 x 2 pixels: red, green, blue over white, black, red, with the info header of the
// given size, the bit count, the rows bottom-up unless topDown, and masks for bit fields.
std::vector<uint8_t> SixPixelBmp(uint32_t headerSize, int bits, bool topDown, std::vector<uint32_t> masks = {})
{
    const Colour* picture[2][3] = {{&Red, &Green, &Blue}, {&White, &Black, &Red}};
    const bool masksAfterHeader = !masks.empty() && headerSize == 40;
    const size_t pixelOffset = 14 + headerSize + (masksAfterHeader ? 12 : 0);
    std::vector<uint8_t> file(pixelOffset, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutLe(file, 10, static_cast<uint32_t>(pixelOffset));
    PutLe(file, 14, headerSize);
    if (headerSize == 12) {
        // The oldest header: 16-bit width, height, planes and bit count, rows bottom-up.
        PutLe(file, 18, 3, 2);
        PutLe(file, 20, 2, 2);
        PutLe(file, 22, 1, 2);
        PutLe(file, 24, static_cast<uint32_t>(bits), 2);
    } else {
        PutLe(file, 18, 3);
        PutLe(file, 22, topDown ? static_cast<uint32_t>(-2) : 2u);
        PutLe(file, 26, 1, 2);
        PutLe(file, 28, static_cast<uint32_t>(bits), 2);
        PutLe(file, 30, masks.empty() ? 0 : 3);
    }
    for (size_t i = 0; i < masks.size(); ++i)
        PutLe(file, 14 + 40 + 4 * i, masks[i]);
    for (int row = 0; row < 2; ++row) {
        const int y = topDown ? row : 1 - row;
        size_t rowBytes = 0;
        for (int x = 0; x < 3; ++x) {
            const Colour& c = *picture[y][x];
            if (bits == 24) {
                file.insert(file.end(), {c.b, c.g, c.r});
                rowBytes += 3;
            } else if (bits == 32) {
                file.insert(file.end(), {c.b, c.g, c.r, 0xFF});
                rowBytes += 4;
            } else {
                const uint16_t p = static_cast<uint16_t>((c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3);
                file.insert(file.end(), {static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 8)});
                rowBytes += 2;
            }
        }
        file.resize(file.size() + (4 - rowBytes % 4) % 4, 0);
    }
    PutLe(file, 2, static_cast<uint32_t>(file.size()));
    return file;
}

TEST(LoadImageSurface, BmpsOfEveryHeaderGiveTheSamePicture)
{
    ScratchDirectory dir;
    struct Row {
        const char* name;
        std::vector<uint8_t> file;
    };
    const Row rows[] = {
        {"12-byte header, 24 bits", SixPixelBmp(12, 24, false)},
        {"40-byte header, 24 bits", SixPixelBmp(40, 24, false)},
        {"108-byte header, 24 bits", SixPixelBmp(108, 24, false)},
        {"124-byte header, 24 bits", SixPixelBmp(124, 24, false)},
        {"40-byte header, rows top-down", SixPixelBmp(40, 24, true)},
        {"40-byte header, 32-bit bit fields after it", SixPixelBmp(40, 32, false, {0xFF0000, 0xFF00, 0xFF})},
        {"124-byte header, 16-bit 5-6-5 bit fields, top-down", SixPixelBmp(124, 16, true, {0xF800, 0x07E0, 0x001F})},
    };
    for (int depth : {8, 16, 32}) {
        DisplayAt(depth);
        for (const Row& r : rows) {
            SCOPED_TRACE(std::string(r.name) + " at " + std::to_string(depth) + " bits");
            WriteBytes("picture.bmp", r.file);
            IDirectDrawSurface7* surface = LoadImageSurface("picture.bmp");
            ExpectPixels(surface, 3, 2, {&Red, &Green, &Blue, &White, &Black, &Red}, depth);
            ReleaseImageSurface(surface);
        }
    }
}

// A PNG header alone, declaring the size, for the limit checks.
std::vector<uint8_t> HeaderOnlyPng(uint32_t width, uint32_t height, uint8_t depth)
{
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    pngfile::PutBig32(header, width);
    pngfile::PutBig32(header, height);
    header.insert(header.end(), {depth, pngfile::Rgba, 0, 0, 0});
    pngfile::Chunk(out, "IHDR", header);
    pngfile::Chunk(out, "IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    pngfile::Chunk(out, "IEND", {});
    return out;
}

TEST(LoadImageSurface, BadFilesAreRefusedWithAReasonNamingThem)
{
    ScratchDirectory dir;
    DisplayAt(16);
    std::vector<const Colour*> layout;
    const std::vector<uint8_t> good = pngfile::Encode(Pattern({&Red, &Blue}, 40, 40, pngfile::Rgb, 8, false, layout));
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(good.size()) - 30);
    std::vector<uint8_t> scrambled = good;
    for (size_t i = 41; i < 60 && i < scrambled.size(); ++i)
        scrambled[i] ^= 0x5A;
    std::vector<uint8_t> rle = SixPixelBmp(40, 24, false);
    PutLe(rle, 28, 8, 2);
    PutLe(rle, 30, 1);
    std::vector<uint8_t> cutBmp = SixPixelBmp(124, 24, true);
    cutBmp.resize(cutBmp.size() - 1);
    std::vector<uint8_t> wideBmp = SixPixelBmp(40, 24, false);
    PutLe(wideBmp, 18, 20000);
    // A 1 x 1 picture whose data inflates to 80 MB: more than any picture the loader takes.
    Picture bombPicture;
    bombPicture.width = bombPicture.height = 1;
    bombPicture.pixelBytes = {{0, 0, 0, 0}};
    std::vector<uint8_t> bomb = pngfile::Encode(bombPicture);
    {
        std::vector<uint8_t> zeros(80u << 20, 0);
        uLongf packedSize = compressBound(static_cast<uLong>(zeros.size()));
        std::vector<uint8_t> packed(packedSize);
        compress2(packed.data(), &packedSize, zeros.data(), static_cast<uLong>(zeros.size()), 9);
        packed.resize(packedSize);
        bomb.resize(33);  // the signature and the header chunk
        pngfile::Chunk(bomb, "IDAT", packed);
        pngfile::Chunk(bomb, "IEND", {});
    }
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* reason;
    };
    const Row rows[] = {
        {"empty", {}, "not a PNG or BMP image"},
        {"data that inflates past its picture", bomb, "damaged or cut short"},
        {"a GIF", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, "not a PNG or BMP image"},
        {"cut short", cut, "damaged or cut short"},
        {"scrambled compressed data", scrambled, "damaged or cut short"},
        {"a BMP cut short", cutBmp, "damaged or cut short (its rows run past the end of the file)"},
        {"run-length BMP", rle, "run-length compressed BMPs are not taken"},
        {"a side over the limit", HeaderOnlyPng(8193, 1, 8), "8193 x 1 pixels, over the limit of 8192 pixels a side"},
        {"a BMP side over the limit", wideBmp, "20000 x 2 pixels, over the limit"},
        {"too many bytes decoded", HeaderOnlyPng(8000, 8000, 8), "8000 x 8000 pixels need 256000000 bytes decoded"},
        {"16-bit samples count double", HeaderOnlyPng(3000, 3000, 16), "3000 x 3000 pixels need 72000000 bytes decoded"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        WriteBytes("bad image.png", r.bytes);
        ClearEngineError();
        EXPECT_EQ(LoadImageSurface("bad image.png"), nullptr);
        EXPECT_EQ(std::string(LastEngineError()).rfind("bad image.png: ", 0), 0u) << LastEngineError();
        EXPECT_NE(std::string(LastEngineError()).find(r.reason), std::string::npos) << LastEngineError();
        ClearEngineError();
        EXPECT_EQ(LoadImageSurfaceFromMemory(r.bytes.data(), r.bytes.size(), nullptr), nullptr);
        EXPECT_NE(std::string(LastEngineError()).find(r.reason), std::string::npos) << LastEngineError();
    }
    EXPECT_EQ(LoadImageSurface("missing.png"), nullptr);
    EXPECT_EQ(std::string(LastEngineError()).rfind("missing.png: cannot be opened", 0), 0u) << LastEngineError();
    // Surfaces are the display's; without one nothing is made.
    ReleaseDirectDraw();
    EXPECT_EQ(LoadImageSurfaceFromMemory(good.data(), good.size(), "good.png"), nullptr);
}

TEST(ImageSurface, RestoredLostSurfaceGetsItsPictureBackAndReleaseLeavesTheTable)
{
    ScratchDirectory dir;
    DisplayAt(32);
    std::vector<const Colour*> layout;
    const std::vector<uint8_t> png = pngfile::Encode(Pattern({&Red, &Green, &Blue}, 5, 4, pngfile::Rgb, 8, false, layout));
    WriteBytes("sheet.png", png);
    IDirectDrawSurface7* first = LoadImageSurface("sheet.png");
    IDirectDrawSurface7* second = LoadImageSurfaceFromMemory(png.data(), png.size(), "sheet");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    const int count = SurfaceCount;
    EXPECT_EQ(AddSurfaceToTable(first), count);
    EXPECT_EQ(AddSurfaceToTable(second), count + 1);

    layer_set_surface_lost(first);
    layer_set_surface_lost(second);
    EXPECT_TRUE(RestoreImageSurface(first, "sheet.png")) << LastEngineError();
    EXPECT_TRUE(RestoreImageSurfaceFromMemory(second, png.data(), png.size(), "sheet")) << LastEngineError();
    ExpectPixels(first, 5, 4, layout, 32);
    ExpectPixels(second, 5, 4, layout, 32);
    // A file of another size cannot restore it.
    WriteBytes("other.png", pngfile::Encode(Pattern({&Red}, 4, 4, pngfile::Rgb, 8, false, layout)));
    EXPECT_FALSE(RestoreImageSurface(first, "other.png"));
    EXPECT_NE(std::string(LastEngineError()).find("not the size of the surface"), std::string::npos);

    // Releasing takes it out of the table, so the teardown does not release it twice.
    ReleaseImageSurface(first);
    EXPECT_EQ(first, nullptr);
    ReleaseImageSurface(first);
    EXPECT_EQ(SurfaceCount, count + 1);
    EXPECT_EQ(SurfaceTable[count], second);

    // The table refuses what it cannot hold.
    while (SurfaceCount < SurfaceTableSize)
        SurfaceTable[SurfaceCount++] = nullptr;
    EXPECT_EQ(AddSurfaceToTable(second), -1);
    EXPECT_NE(std::string(LastEngineError()).find("SurfaceTable is full"), std::string::npos);
    SurfaceCount = count + 1;
    ReleaseDirectDraw();
}

uint32_t Big32(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

TEST(SaveSurfacePng, WritesTheRectangleAsRgbThatLoadsBackAtEachDepth)
{
    ScratchDirectory dir;
    const std::vector<const Colour*> colours = {&Red, &Green, &Blue, &White, &Black, &Grey, &KeyColour};
    for (int depth : {8, 16, 32}) {
        SCOPED_TRACE(std::to_string(depth) + " bits");
        DisplayAt(depth);
        std::vector<const Colour*> layout;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 7; ++x) {
                layout.push_back(colours[(x + 3 * y) % colours.size()]);
                FillScreenRect(x, y, 1, 1, Expected(*layout.back(), depth));
            }
        // Past the right edge the rectangle is cut; the file holds 7 x 6 pixels.
        ASSERT_TRUE(SaveSurfacePng(ScreenWidth - 7, 0, 20, 6, pScreenSurface, "far.png")) << LastEngineError();
        ASSERT_TRUE(SaveSurfacePng(0, 0, 7, 6, pScreenSurface, "shot.png")) << LastEngineError();
        const std::vector<uint8_t> bytes = ReadBytes("shot.png");
        ASSERT_GT(bytes.size(), 33u);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 12, bytes.begin() + 16), (std::vector<uint8_t>{'I', 'H', 'D', 'R'}));
        EXPECT_EQ(Big32(bytes, 16), 7u);
        EXPECT_EQ(Big32(bytes, 20), 6u);
        EXPECT_EQ(bytes[24], 8) << "8 bits a sample";
        EXPECT_EQ(bytes[25], pngfile::Rgb);
        EXPECT_EQ(Big32(ReadBytes("far.png"), 16), 7u);
        // Magenta saved from the screen is magenta in the file, which has no alpha: it loads
        // back as the transparent colour.
        IDirectDrawSurface7* surface = LoadImageSurface("shot.png");
        ExpectPixels(surface, 7, 6, layout, depth);
        ReleaseImageSurface(surface);
    }
}

TEST(SaveSurfacePng, AFailedSaveKeepsTheFileThereAndAReadOnlyFileStays)
{
    ScratchDirectory dir;
    DisplayAt(16);
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    WriteBytes("shot.png", old);
    chmod("shot.png", 0444);
    EXPECT_FALSE(SaveSurfacePng(0, 0, 10, 10, pScreenSurface, "shot.png"));
    EXPECT_NE(std::string(LastEngineError()).find("shot.png: cannot be replaced"), std::string::npos)
        << LastEngineError();
    EXPECT_EQ(ReadBytes("shot.png"), old);
    EXPECT_FALSE(std::filesystem::exists("shot.png.part"));
    chmod("shot.png", 0644);

    layer_fail_call("FlushFileBuffers");
    EXPECT_FALSE(SaveSurfacePng(0, 0, 10, 10, pScreenSurface, "shot.png"));
    layer_clear_faults();
    EXPECT_EQ(ReadBytes("shot.png"), old);
    EXPECT_FALSE(std::filesystem::exists("shot.png.part"));
    // Nothing of the surface in the rectangle: no file is touched.
    EXPECT_FALSE(SaveSurfacePng(ScreenWidth, 0, 10, 10, pScreenSurface, "shot.png"));
    EXPECT_EQ(ReadBytes("shot.png"), old);
    EXPECT_TRUE(SaveSurfacePng(0, 0, 10, 10, pScreenSurface, "shot.png"));
    EXPECT_NE(ReadBytes("shot.png"), old);
}

}  // namespace
