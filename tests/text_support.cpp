// text_support.cpp -- pictures of surfaces for the text tests

#include "text_support.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <gtest/gtest.h>
#include FT_FREETYPE_H
#include FT_DRIVER_H
#include FT_MODULE_H

#include <cstdio>
#include <cstring>

namespace {

// Writes a picture as a 32-bit BMP, 16-bit pixels widened from 5-6-5, 8-bit ones as grey.
void WritePicture(const Picture& picture, const std::string& path)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return;
    const uint32_t imageBytes = static_cast<uint32_t>(picture.width) * picture.height * 4;
    uint8_t header[54] = {'B', 'M'};
    auto put32 = [&header](int at, uint32_t value) { memcpy(header + at, &value, 4); };
    put32(2, 54 + imageBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(picture.width));
    put32(22, static_cast<uint32_t>(-picture.height));  // top-down rows
    header[26] = 1;
    header[28] = 32;
    put32(34, imageBytes);
    fwrite(header, 1, sizeof(header), file);
    for (uint32_t value : picture.pixels) {
        uint32_t rgb = value;
        if (picture.bits == 16)
            rgb = ((value >> 11 & 31) << 19) | ((value >> 5 & 63) << 10) | ((value & 31) << 3);
        else if (picture.bits == 8)
            rgb = value * 0x010101u;
        fwrite(&rgb, 4, 1, file);
    }
    fclose(file);
}

}  // namespace

size_t Picture::CountNot(uint32_t value) const
{
    size_t count = 0;
    for (uint32_t pixel : pixels)
        count += pixel != value;
    return count;
}

Picture ReadPicture(IDirectDrawSurface7* surface)
{
    Picture picture;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    if (!desc.lpSurface)
        return picture;
    picture.width = static_cast<int>(desc.dwWidth);
    picture.height = static_cast<int>(desc.dwHeight);
    picture.bits = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount);
    const int bytes = picture.bits / 8;
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            uint32_t value = 0;
            memcpy(&value, static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch + x * bytes, bytes);
            picture.at(x, y) = value;
        }
    surface->Unlock(nullptr);
    return picture;
}

void FillPixels(IDirectDrawSurface7* surface, uint32_t value)
{
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = value;
    EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
}

void ExpectSamePicture(const Picture& actual, const Picture& expected, const std::string& name)
{
    ASSERT_EQ(actual.width, expected.width);
    ASSERT_EQ(actual.height, expected.height);
    for (int y = 0; y < actual.height; ++y)
        for (int x = 0; x < actual.width; ++x)
            if (actual.at(x, y) != expected.at(x, y)) {
                ADD_FAILURE() << name << ": pixel (" << x << ", " << y << "): got 0x" << std::hex
                              << actual.at(x, y) << ", expected 0x" << expected.at(x, y)
                              << " (pictures written as " << name << "-*.bmp)";
                WritePicture(actual, name + "-actual.bmp");
                WritePicture(expected, name + "-expected.bmp");
                return;
            }
}

HFONT MakeFont(int height, int weight, const char* face, DWORD charSet, DWORD pitchAndFamily)
{
    return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, charSet, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitchAndFamily, face);
}

// FreeType's own one-bit bitmap of a character in an installed face at a pixel size, hinted by
// the classic TrueType interpreter as the platform hints: the ink pixels as offsets from the pen
// on the baseline (x right, y up). Empty when the face or the glyph cannot be had.
std::vector<std::pair<int, int>> FreeTypeInk(const std::string& family, const std::string& style,
                                             int pixelsPerEm, char ch)
{
    const std::string name = family + ":style=" + style;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* path = nullptr;
    int index = 0;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FT_UInt version = TT_INTERPRETER_VERSION_35;
    std::vector<std::pair<int, int>> ink;
    if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
        FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch && FT_Init_FreeType(&library) == 0 &&
        FT_Property_Set(library, "truetype", "interpreter-version", &version) == 0 &&
        FT_New_Face(library, reinterpret_cast<const char*>(path), index, &face) == 0 &&
        FT_Set_Pixel_Sizes(face, 0, pixelsPerEm) == 0 &&
        FT_Load_Char(face, static_cast<unsigned char>(ch), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0) {
        const FT_GlyphSlot slot = face->glyph;
        for (int row = 0; row < static_cast<int>(slot->bitmap.rows); ++row)
            for (int column = 0; column < static_cast<int>(slot->bitmap.width); ++column)
                if (slot->bitmap.buffer[row * slot->bitmap.pitch + column / 8] & (0x80 >> (column % 8)))
                    ink.push_back({slot->bitmap_left + column, slot->bitmap_top - row});
    }
    if (library)
        FT_Done_FreeType(library);
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return ink;
}
