// fps.cpp -- the frame-rate counter and the two random-number routines offered to game code

#include "app.h"

int32_t FrameCount = 0;
uint32_t FpsPrevTime = 0;
uint32_t FpsTime = 0;
int32_t LastFps = 0;
uint32_t RandomState = 1;

namespace {

constexpr int32_t FramesPerMeasurement = 10;
constexpr int LargestDraw = 0x7FFF;

// The next number of the generator, 0 to 32767: the same sequence as rand() of the Windows C
// runtime, here on every platform.
int NextDraw()
{
    RandomState = RandomState * 214013u + 2531011u;
    return static_cast<int>((RandomState >> 16) & LargestDraw);
}

}  // namespace

int UpdateFps()
{
    ++FrameCount;
    if (FrameCount == FramesPerMeasurement) {
        FpsPrevTime = FpsTime;
        FpsTime = timeGetTime();
        // Unsigned: a wrap of the clock between the two readings still gives the true difference.
        const uint32_t elapsed = FpsTime - FpsPrevTime;
        const double seconds = elapsed / 1000.0;
        LastFps = elapsed == 0 ? 0 : static_cast<int32_t>(FrameCount / seconds);
        FrameCount = 0;
    }
    return LastFps;
}

int RandomRange(int low, int high)
{
    const int draw = NextDraw();
    if (high <= low)
        return low;
    // The span is taken unsigned so that even the widest pair of ints has one.
    const uint32_t span = static_cast<uint32_t>(high) - static_cast<uint32_t>(low);
    return static_cast<int>(static_cast<uint32_t>(low) + static_cast<uint32_t>(draw) % span);
}

double RandomRangeReal(double low, double high)
{
    const double span = high - low;
    const double draw = NextDraw();
    return draw * span / static_cast<double>(LargestDraw) + low;
}
