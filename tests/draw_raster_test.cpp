// draw_raster_test.cpp -- lines, circles and ellipses stored straight into the screen surface's
// memory: exactly the bytes of the visited points change, points off the screen are skipped, and
// nothing is ever stored outside the surface

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <vector>

#include "draw/draw.h"
#include "draw_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The screen surface's bytes after the sentinel, with the colour stored at each point that lies on
// the 800 x 600 screen, as elements of the given size addressed by y * 800 + x.
Bytes ExpectedBytes(const std::vector<Point>& points, int elementSize, uint32_t colour)
{
    Bytes bytes = SurfaceBytes(pScreenSurface);
    std::fill(bytes.begin(), bytes.end(), 0xCD);
    for (const Point& p : points)
        if (p.first >= 0 && p.first < 800 && p.second >= 0 && p.second < 600)
            memcpy(&bytes[static_cast<size_t>(p.second * 800 + p.first) * elementSize], &colour, elementSize);
    return bytes;
}

testing::AssertionResult SameBytes(const Bytes& actual, const Bytes& expected, int elementSize)
{
    if (actual.size() != expected.size())
        return testing::AssertionFailure() << actual.size() << " bytes, expected " << expected.size();
    testing::AssertionResult failure = testing::AssertionFailure();
    int differences = 0;
    for (size_t i = 0; i < actual.size(); ++i)
        if (actual[i] != expected[i]) {
            if (differences < 8) {
                const size_t element = i / elementSize;
                failure << "byte " << i << " (pixel (" << element % 800 << ", " << element / 800
                        << ")): got " << int(actual[i]) << ", expected " << int(expected[i]) << "\n";
            }
            ++differences;
        }
    if (differences == 0)
        return testing::AssertionSuccess();
    return failure << differences << " bytes differ";
}

// The points a tracer visits on the 800 x 600 screen.
using Tracer = std::function<void(const std::function<void(int64_t, int64_t)>&, const TraceArea*)>;
std::vector<Point> PointsOf(const Tracer& trace)
{
    const TraceArea screen{800, 600};
    std::vector<Point> points;
    trace([&](int64_t x, int64_t y) { points.emplace_back(x, y); }, &screen);
    return points;
}

}  // namespace

TEST(DrawLine16, StoresTwoBytesAtTheElementOfItsOnePoint)
{
    ASSERT_TRUE(BringUpDisplay(16));
    FillSurfaceBytes(pScreenSurface, 0xCD);
    DrawLine16(3, 2, 3, 2, 0xBEEF);
    Bytes expected = SurfaceBytes(pScreenSurface);
    std::fill(expected.begin(), expected.end(), 0xCD);
    expected[3206] = 0xEF;  // element 2 * 800 + 3, little-endian
    expected[3207] = 0xBE;
    EXPECT_TRUE(SameBytes(SurfaceBytes(pScreenSurface), expected, 2));
    EXPECT_EQ(ReadScreenPixel(3, 2), 0xBEEFu);
}

TEST(DirectWrite, EachFamilyChangesExactlyTheBytesOfTheVisitedPoints)
{
    struct Figure {
        const char* name;
        std::function<void(uint32_t)> draw16, draw32;
        std::vector<Point> points;  // worked out by hand
    };
    const std::vector<Point> ellipse = {{400, 305}, {401, 305}, {402, 305}, {403, 304},
                                        {404, 303}, {404, 302}, {405, 301}, {405, 300}};
    std::vector<Point> mirrored;
    for (const Point& p : ellipse)
        for (int sx : {-1, 1})
            for (int sy : {-1, 1})
                mirrored.emplace_back(400 + sx * (p.first - 400), 300 + sy * (p.second - 300));
    const Figure figures[] = {
        {"line", [](uint32_t c) { DrawLine16(0, 0, 5, 2, c); }, [](uint32_t c) { DrawLine32(0, 0, 5, 2, c); },
         {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}},
        {"line backwards", [](uint32_t c) { DrawLine16(4, 2, 0, 0, c); }, [](uint32_t c) { DrawLine32(4, 2, 0, 0, c); },
         {{4, 2}, {3, 2}, {2, 1}, {1, 1}, {0, 0}}},
        {"circle of radius 0: the centre", [](uint32_t c) { DrawCircle16(10, 10, 0, c); },
         [](uint32_t c) { DrawCircle32(10, 10, 0, c); }, {{10, 10}}},
        {"circle of radius 1: four neighbours, not the centre", [](uint32_t c) { DrawCircle16(20, 20, 1, c); },
         [](uint32_t c) { DrawCircle32(20, 20, 1, c); }, {{20, 21}, {20, 19}, {21, 20}, {19, 20}}},
        {"ellipse 10 x 10", [](uint32_t c) { DrawEllipse16(400, 300, 10, 10, c); },
         [](uint32_t c) { DrawEllipse32(400, 300, 10, 10, c); }, mirrored},
    };
    for (int depth : {16, 32}) {
        ASSERT_TRUE(BringUpDisplay(depth));
        const int size = depth / 8;
        const uint32_t colour = depth == 16 ? 0x1234 : 0x89ABCDEF;
        for (const Figure& f : figures) {
            SCOPED_TRACE(testing::Message() << depth << " bits, " << f.name);
            FillSurfaceBytes(pScreenSurface, 0xCD);
            (depth == 16 ? f.draw16 : f.draw32)(colour);
            EXPECT_TRUE(SameBytes(SurfaceBytes(pScreenSurface), ExpectedBytes(f.points, size, colour), size));
        }
        ReleaseDirectDraw();
    }
}

TEST(DrawEllipse16, StaysInItsBoxAndReachesEachSide)
{
    ASSERT_TRUE(BringUpDisplay(16));
    FillSurfaceBytes(pScreenSurface, 0x00);
    DrawEllipse16(400, 300, 200, 100, 0xFFFF);
    const Picture picture = TakePicture(pScreenSurface);
    int left = 800, right = -1, top = 600, bottom = -1;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            if (picture.at(x, y) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_EQ(left, 300);
    EXPECT_EQ(right, 500);
    EXPECT_EQ(top, 250);
    EXPECT_EQ(bottom, 350);
}

TEST(DirectWrite, SkipsPointsOffTheScreenWhateverTheArguments)
{
    struct Figure {
        const char* name;
        std::function<void(uint32_t)> draw16, draw32;
        Tracer trace;
    };
    using Visit = const std::function<void(int64_t, int64_t)>&;
    const Figure figures[] = {
        {"line across and beyond the screen", [](uint32_t c) { DrawLine16(-100, -30, 900, 650, c); },
         [](uint32_t c) { DrawLine32(-100, -30, 900, 650, c); },
         [](Visit v, const TraceArea* a) { TraceLine(-100, -30, 900, 650, v, a); }},
        {"longest line there is", [](uint32_t c) { DrawLine16(INT_MIN, 5, INT_MAX, 7, c); },
         [](uint32_t c) { DrawLine32(INT_MIN, 5, INT_MAX, 7, c); },
         [](Visit v, const TraceArea* a) { TraceLine(INT_MIN, 5, INT_MAX, 7, v, a); }},
        {"steep line from far below", [](uint32_t c) { DrawLine16(30, INT_MAX, 10, INT_MIN, c); },
         [](uint32_t c) { DrawLine32(30, INT_MAX, 10, INT_MIN, c); },
         [](Visit v, const TraceArea* a) { TraceLine(30, INT_MAX, 10, INT_MIN, v, a); }},
        {"circle round a corner", [](uint32_t c) { DrawCircle16(-10, -10, 60, c); },
         [](uint32_t c) { DrawCircle32(-10, -10, 60, c); },
         [](Visit v, const TraceArea* a) { TraceCircle(-10, -10, 60, v, a); }},
        {"circle round the far corner", [](uint32_t c) { DrawCircle16(805, 603, 30, c); },
         [](uint32_t c) { DrawCircle32(805, 603, 30, c); },
         [](Visit v, const TraceArea* a) { TraceCircle(805, 603, 30, v, a); }},
        {"circle of radius a million", [](uint32_t c) { DrawCircle16(400 - 1000000, 300, 1000000, c); },
         [](uint32_t c) { DrawCircle32(400 - 1000000, 300, 1000000, c); },
         [](Visit v, const TraceArea* a) { TraceCircle(400 - 1000000, 300, 1000000, v, a); }},
        {"largest radius", [](uint32_t c) { DrawCircle16(400, 300, INT_MAX, c); },
         [](uint32_t c) { DrawCircle32(400, 300, INT_MAX, c); },
         [](Visit v, const TraceArea* a) { TraceCircle(400, 300, INT_MAX, v, a); }},
        {"most negative radius", [](uint32_t c) { DrawCircle16(400, 300, INT_MIN, c); },
         [](uint32_t c) { DrawCircle32(400, 300, INT_MIN, c); },
         [](Visit v, const TraceArea* a) { TraceCircle(400, 300, INT_MIN, v, a); }},
        {"flat ellipse reaching past top and bottom", [](uint32_t c) { DrawEllipse16(400, 300, 400, 1, c); },
         [](uint32_t c) { DrawEllipse32(400, 300, 400, 1, c); },
         [](Visit v, const TraceArea* a) { TraceEllipse(400, 300, 400, 1, v, a); }},
        {"ellipse with a negative centre", [](uint32_t c) { DrawEllipse16(-20, 30, 100, -70, c); },
         [](uint32_t c) { DrawEllipse32(-20, 30, 100, -70, c); },
         [](Visit v, const TraceArea* a) { TraceEllipse(-20, 30, 100, -70, v, a); }},
        {"largest ellipse", [](uint32_t c) { DrawEllipse16(400, 300, INT_MIN, INT_MAX, c); },
         [](uint32_t c) { DrawEllipse32(400, 300, INT_MIN, INT_MAX, c); },
         [](Visit v, const TraceArea* a) { TraceEllipse(400, 300, INT_MIN, INT_MAX, v, a); }},
        {"flat ellipse of the largest width", [](uint32_t c) { DrawEllipse16(400, 300, INT_MAX, 2, c); },
         [](uint32_t c) { DrawEllipse32(400, 300, INT_MAX, 2, c); },
         [](Visit v, const TraceArea* a) { TraceEllipse(400, 300, INT_MAX, 2, v, a); }},
    };
    for (int depth : {16, 32}) {
        ASSERT_TRUE(BringUpDisplay(depth));
        const int size = depth / 8;
        const uint32_t colour = depth == 16 ? 0x1234 : 0x89ABCDEF;
        for (const Figure& f : figures) {
            SCOPED_TRACE(testing::Message() << depth << " bits, " << f.name);
            FillSurfaceBytes(pScreenSurface, 0xCD);
            (depth == 16 ? f.draw16 : f.draw32)(colour);
            EXPECT_TRUE(SameBytes(SurfaceBytes(pScreenSurface), ExpectedBytes(PointsOf(f.trace), size, colour), size));
        }
        ReleaseDirectDraw();
    }
}

TEST(DirectWrite, AFamilyWiderThanTheDisplayStaysInsideTheSurfaceMemory)
{
    // Four-byte elements on a 16-bit display address the memory as 300 rows of 800: stores land
    // where that addressing puts them (a wrong picture), and none beyond the memory.
    ASSERT_TRUE(BringUpDisplay(16));
    FillSurfaceBytes(pScreenSurface, 0xCD);
    DrawLine32(0, 599, 799, 599, 0x11223344);
    DrawLine32(0, 300, 799, 300, 0x11223344);
    DrawCircle32(400, 500, 90, 0x11223344);
    Bytes expected = SurfaceBytes(pScreenSurface);
    std::fill(expected.begin(), expected.end(), 0xCD);
    EXPECT_TRUE(SameBytes(SurfaceBytes(pScreenSurface), expected, 4));
    DrawLine32(798, 299, 799, 299, 0x11223344);
    const size_t last = (299 * 800 + 799) * 4;
    ASSERT_EQ(expected.size(), last + 4) << "the last element that fits";
    for (size_t i = last - 4; i < last + 4; ++i)
        expected[i] = "\x44\x33\x22\x11"[i % 4];
    EXPECT_TRUE(SameBytes(SurfaceBytes(pScreenSurface), expected, 4));
    ReleaseDirectDraw();

    ASSERT_TRUE(BringUpDisplayAt(8));
    FillSurfaceBytes(pScreenSurface, 0xCD);
    DrawLine16(0, 599, 799, 599, 0x7777);
    DrawEllipse16(400, 550, 600, 80, 0x7777);
    expected = SurfaceBytes(pScreenSurface);
    std::fill(expected.begin(), expected.end(), 0xCD);
    EXPECT_TRUE(SameBytes(SurfaceBytes(pScreenSurface), expected, 2));
}

TEST(DirectWrite, OneLockPerFigureAndNoneLeftBehind)
{
    ASSERT_TRUE(BringUpDisplay(16));
    FillSurfaceBytes(pScreenSurface, 0xCD);
    AppActive = false;  // direct writes do not look at it
    layer_fail_call("IDirectDrawSurface7::Lock", 2, DDERR_SURFACEBUSY);
    DrawCircle16(100, 100, 50, 0x0001);  // the first lock
    DrawCircle16(100, 100, 40, 0x0001);  // the second, which fails: nothing drawn
    AppActive = true;
    layer_clear_faults();
    EXPECT_EQ(ReadScreenPixel(100, 150), 1u);
    EXPECT_EQ(ReadScreenPixel(100, 140), 0xCDCDu);
    EXPECT_EQ(pRasterPixels, nullptr);
    EXPECT_EQ(pScreenSurface->Unlock(nullptr), DDERR_NOTLOCKED);

    // Outside a figure there is nothing to store through.
    PutPixel16(1, 1, 0x0002);
    PutPixel32(1, 1, 0x0002);
    EXPECT_EQ(ReadScreenPixel(1, 1), 0xCDCDu);

    // A lost screen surface is restored by the lock and drawn on.
    layer_set_surface_lost(pScreenSurface);
    DrawLine16(0, 0, 9, 0, 0x0003);
    EXPECT_EQ(ReadScreenPixel(9, 0), 3u);
    EXPECT_EQ(RasterStride, 800);
}
