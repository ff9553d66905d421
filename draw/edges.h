// edges.h -- rectangle edges for the drawing files: sums of 32-bit arguments are worked out in
// 64 bits, and each edge is pinned to the range of a RECT when it is handed to a surface
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include "../app/platform.h"

// An edge beyond the range of a RECT is pinned to that range: such a rectangle reaches far past
// any surface either way, and the surface refuses it just the same.
inline LONG PinEdge(int64_t value)
{
    return static_cast<LONG>(std::clamp<int64_t>(value, std::numeric_limits<LONG>::min(),
                                                 std::numeric_limits<LONG>::max()));
}

// Columns left to right - 1 and rows top to bottom - 1, each edge pinned.
inline RECT PinnedRect(int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    return RECT{PinEdge(left), PinEdge(top), PinEdge(right), PinEdge(bottom)};
}

// The rectangle at (x, y) of the given size, each edge pinned; the arguments are widened before
// they are added, so no sum overflows.
inline RECT PinnedRectOfSize(int64_t x, int64_t y, int64_t width, int64_t height)
{
    return PinnedRect(x, y, x + width, y + height);
}
