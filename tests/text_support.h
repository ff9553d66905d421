// text_support.h -- what the text tests share: surfaces read back as pictures, pictures compared
// pixel by pixel (written out as BMP files when they differ), and fonts made in one line
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <testing.h>

// The pixels of a surface, one value per pixel (the low bits by depth).
struct Picture {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    bool operator==(const Picture& other) const { return pixels == other.pixels; }
    bool operator!=(const Picture& other) const { return pixels != other.pixels; }
    // How many pixels differ from value.
    size_t CountNot(uint32_t value) const;
};

Picture ReadPicture(IDirectDrawSurface7* surface);

// Fills every pixel of a surface with value.
void FillPixels(IDirectDrawSurface7* surface, uint32_t value);

// Expects two pictures to be equal; otherwise names the first pixel that differs and writes
// both as <name>-actual.bmp and <name>-expected.bmp into the working directory.
void ExpectSamePicture(const Picture& actual, const Picture& expected, const std::string& name);

// CreateFontA with the arguments the engine passes, but for what is given here.
HFONT MakeFont(int height, int weight, const char* face, DWORD charSet = ANSI_CHARSET,
               DWORD pitchAndFamily = VARIABLE_PITCH);

// FreeType's own one-bit bitmap of a character in an installed face at a pixel size, hinted by
// the classic TrueType interpreter as the platform hints: the ink pixels as offsets from the pen
// on the baseline (x right, y up). Empty when the face or the glyph cannot be had.
std::vector<std::pair<int, int>> FreeTypeInk(const std::string& family, const std::string& style,
                                             int pixelsPerEm, char ch);
