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

// The points of a line, a circle and an ellipse worked out from what each figure is, not by
// stepping its decision value as the tracers do; in the figure's order, and only those inside
// [0, width) x [0, height).
// - A line takes, at each step along its longer axis, the pixel nearest the true line; a tie
//   takes the one nearer the start.
// - A circle visits its four axis points, then for each x from 1 while 2x^2 <= r^2 the row a
//   nearest the circle in that column (a(a - 1) < r^2 - x^2 <= a(a + 1)), in its eight mirror
//   images. A negative radius visits its axis points only.
// - An ellipse with semi-axes A and B starts at the bottom, at (0, B), and steps along x until
//   the slope passes 45 degrees (x = A^2 / sqrt(A^2 + B^2)), moving up a row when the summed
//   squared error of the two candidate rows is positive; then it steps up to the centre row,
//   moving out a column when that sum for the two candidate columns is below -2B^2. Each point
//   comes with its four mirror images. Figures of up to some thousands of steps.
Points ExpectedLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t width, int64_t height);
Points ExpectedCircle(int64_t cx, int64_t cy, int64_t r, int64_t width, int64_t height);
Points ExpectedEllipse(int64_t cx, int64_t cy, int64_t fullWidth, int64_t fullHeight, int64_t width,
                       int64_t height);
