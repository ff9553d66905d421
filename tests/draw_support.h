// draw_support.h -- what the drawing tests share: pictures of surfaces compared pixel by pixel
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "support.h"

// BringUpDisplay at the depth, with a palette file in place for 8 bits.
bool BringUpDisplayAt(int depth);

// The 0xCD sentinel as a pixel of the depth.
inline uint32_t Sentinel(int depth) { return depth == 8 ? 0xCDu : depth == 16 ? 0xCDCDu : 0xCDCDCDCDu; }

// A surface's pixels, one value per pixel whatever the depth.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    Picture() = default;
    Picture(int w, int h, uint32_t value) : width(w), height(h), pixels(size_t(w) * h, value) {}
    uint32_t& at(int x, int y) { return pixels[size_t(y) * width + x]; }
    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
    // Sets the pixels of [left, right) x [top, bottom) that lie inside the picture.
    void fill(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t value)
    {
        for (int64_t y = std::max<int64_t>(top, 0); y < std::min<int64_t>(bottom, height); ++y)
            for (int64_t x = std::max<int64_t>(left, 0); x < std::min<int64_t>(right, width); ++x)
                at(int(x), int(y)) = value;
    }
    void set(int64_t x, int64_t y, uint32_t value) { fill(x, y, x + 1, y + 1, value); }
};

Picture TakePicture(IDirectDrawSurface7* surface);
void PutPicture(IDirectDrawSurface7* surface, const Picture& picture);

// Success when the pictures match; otherwise names the first differing pixels and writes both
// pictures as BMP files named after the running test into the working directory.
testing::AssertionResult SamePicture(const Picture& actual, const Picture& expected);

// Points as the tracers give them.
using Point = std::pair<int64_t, int64_t>;
using Points = std::vector<Point>;
