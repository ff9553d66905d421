// input.cpp -- the input record that the window procedure and the joystick poll fill, and the hit
// tests that game code asks it with

#include "app.h"

InputRecord InputState;

namespace {

// Both edges are inside, so the rectangle covers width + 1 columns and height + 1 rows. The sums
// are taken in 64 bits: a rectangle reaching past the 32-bit range still holds what it covers.
bool PointInRect(int32_t px, int32_t py, int32_t x, int32_t y, int32_t width, int32_t height)
{
    return px >= x && py >= y && int64_t(px) <= int64_t(x) + width &&
           int64_t(py) <= int64_t(y) + height;
}

// A stored click point answers true once: a hit forgets it.
bool TakeClickInRect(int32_t& px, int32_t& py, int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (!PointInRect(px, py, x, y, width, height))
        return false;
    px = -1;
    py = -1;
    return true;
}

}  // namespace

bool LeftDownInRect(int32_t x, int32_t y, int32_t width, int32_t height)
{
    return TakeClickInRect(InputState.LeftDownX, InputState.LeftDownY, x, y, width, height);
}

bool LeftUpInRect(int32_t x, int32_t y, int32_t width, int32_t height)
{
    return TakeClickInRect(InputState.LeftUpX, InputState.LeftUpY, x, y, width, height);
}

bool RightDownInRect(int32_t x, int32_t y, int32_t width, int32_t height)
{
    return TakeClickInRect(InputState.RightDownX, InputState.RightDownY, x, y, width, height);
}

bool RightUpInRect(int32_t x, int32_t y, int32_t width, int32_t height)
{
    return TakeClickInRect(InputState.RightUpX, InputState.RightUpY, x, y, width, height);
}

bool MouseInRect(int32_t x, int32_t y, int32_t width, int32_t height)
{
    return PointInRect(InputState.MouseX, InputState.MouseY, x, y, width, height);
}
