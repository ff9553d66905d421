// draw_support.h -- what the drawing tests share: pictures of surfaces compared pixel by pixel,
// the raw bytes of a surface, and a display brought up at any depth
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "support.h"

// BringUpDisplay at the depth, with a palette file in place for 8 bits.
bool BringUpDisplayAt(int depth);

// The 0xCD sentinel as a pixel of the depth.
uint32_t Sentinel(int depth);

// A surface's pixels, one value per pixel whatever the depth.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    Picture() = default;
    Picture(int w, int h, uint32_t value) : width(w), height(h), pixels(static_cast<size_t>(w) * h, value) {}
    uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Sets (x, y) when it lies inside; a convenience for expected pictures of clipped figures.
    void set(int64_t x, int64_t y, uint32_t value)
    {
        if (x >= 0 && y >= 0 && x < width && y < height)
            at(static_cast<int>(x), static_cast<int>(y)) = value;
    }
    void fill(int left, int top, int right, int bottom, uint32_t value)
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                set(x, y, value);
    }
};

Picture TakePicture(IDirectDrawSurface7* surface);
// Writes pixels into a surface of matching size.
void PutPicture(IDirectDrawSurface7* surface, const Picture& picture);

// Success when the pictures match; otherwise names the first differing pixels and writes both
// pictures as BMP files named after the running test into the working directory.
testing::AssertionResult SamePicture(const Picture& actual, const Picture& expected);

// Every byte of a surface's rows, padding included.
std::vector<uint8_t> SurfaceBytes(IDirectDrawSurface7* surface);

// Points as the tracers give them.
using Point = std::pair<int64_t, int64_t>;
