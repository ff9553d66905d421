// blit.h -- the pixel work behind DirectDraw's fills and copies: plain C++ over memory
#pragma once

#include <cstdint>

// A block of pixel rows; bytesPerPixel is 1, 2 or 4.
struct PixelBuffer {
    uint8_t* bits;
    int width;
    int height;
    int pitch;
    int bytesPerPixel;
};

// A rectangle already checked against its buffer: 0 <= left < right <= width, likewise rows.
struct PixelRect {
    int left;
    int top;
    int right;
    int bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// Fills the rectangle with the low bytesPerPixel bytes of color.
void blit_fill(const PixelBuffer& target, const PixelRect& rect, uint32_t color);

// Copies the source rectangle to (x, y) of the target, skipping source pixels equal to key when
// keyed. Source and target may be the same buffer, overlapping or not.
void blit_copy(const PixelBuffer& target, int x, int y, const PixelBuffer& source,
               const PixelRect& sourceRect, bool keyed, uint32_t key);

// Scales the source rectangle into the target rectangle by point sampling: target pixel (x, y)
// takes source pixel (left + (x - targetLeft) * sourceWidth / targetWidth, likewise for y).
void blit_stretch(const PixelBuffer& target, const PixelRect& targetRect,
                  const PixelBuffer& source, const PixelRect& sourceRect, bool keyed,
                  uint32_t key);
