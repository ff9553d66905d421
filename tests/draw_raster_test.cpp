// draw_raster_test.cpp -- figures stored straight into the screen surface's memory: exactly the
// pixels of the visited points change, points off the screen are skipped whatever the arguments,
// and nothing is ever stored outside the surface

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <optional>

#include "draw/draw.h"
#include "draw_support.h"

namespace {

enum Kind { Line, Circle, Ellipse };

struct Figure {
    const char* name;
    Kind kind;
    int a, b, c, d;  // x1, y1, x2, y2 / centre and radius / centre, width and height
    std::optional<Points> points;  // on the screen, worked out by hand; none: the Expected... ones
};

void Draw(const Figure& f, int bits, uint32_t colour)
{
    const uint16_t low = static_cast<uint16_t>(colour);
    switch (f.kind) {
    case Line:
        bits == 16 ? DrawLine16(f.a, f.b, f.c, f.d, low) : DrawLine32(f.a, f.b, f.c, f.d, colour);
        break;
    case Circle:
        bits == 16 ? DrawCircle16(f.a, f.b, f.c, low) : DrawCircle32(f.a, f.b, f.c, colour);
        break;
    case Ellipse:
        bits == 16 ? DrawEllipse16(f.a, f.b, f.c, f.d, low) : DrawEllipse32(f.a, f.b, f.c, f.d, colour);
        break;
    }
}

// Every pixel of one row, or of one column, of the screen.
Points Row(int y)
{
    Points points;
    for (int x = 0; x < 800; ++x)
        points.emplace_back(x, y);
    return points;
}

Points Column(int x)
{
    Points points;
    for (int y = 0; y < 600; ++y)
        points.emplace_back(x, y);
    return points;
}

Points Expected(const Figure& f)
{
    if (f.points)
        return *f.points;
    if (f.kind == Line)
        return ExpectedLine(f.a, f.b, f.c, f.d, 800, 600);
    if (f.kind == Circle)
        return ExpectedCircle(f.a, f.b, f.c, 800, 600);
    return ExpectedEllipse(f.a, f.b, f.c, f.d, 800, 600);
}

}  // namespace

TEST(DirectWrite, EachFamilyStoresItsColourAtExactlyTheVisitedPoints)
{
    Points ellipse;
    for (auto [x, y] : Points{{0, 5}, {1, 5}, {2, 5}, {3, 4}, {4, 3}, {4, 2}, {5, 1}, {5, 0}})
        ellipse.insert(ellipse.end(), {{400 + x, 300 + y}, {400 + x, 300 - y}, {400 - x, 300 - y}, {400 - x, 300 + y}});
    // Semi-axes of a billion and 1: up to 400 columns from the centre the rows stay at 1 above
    // and below it (2 x^2 < A^2), so every column of rows 299 and 301.
    Points twoRows;
    for (int x = 0; x < 800; ++x)
        twoRows.insert(twoRows.end(), {{x, 299}, {x, 301}});
    const Figure figures[] = {
        {"one point, element 2 * 800 + 3", Line, 3, 2, 3, 2, Points{{3, 2}}},
        {"line", Line, 0, 0, 5, 2, Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}},
        {"line backwards", Line, 4, 2, 0, 0, Points{{4, 2}, {3, 2}, {2, 1}, {1, 1}, {0, 0}}},
        {"radius 0: the centre", Circle, 10, 10, 0, 0, Points{{10, 10}}},
        {"radius 1: four neighbours, not the centre", Circle, 20, 20, 1, 0, Points{{20, 21}, {20, 19}, {21, 20}, {19, 20}}},
        {"ellipse 10 x 10", Ellipse, 400, 300, 10, 10, ellipse},
        // Off the screen in part or whole: only the points on it are stored.
        {"line across and beyond the screen", Line, -100, -30, 900, 650, std::nullopt},
        {"longest line there is: row 6 all along", Line, INT_MIN, 5, INT_MAX, 7, Row(6)},
        {"steep line from far below: column 20 all along", Line, 30, INT_MAX, 10, INT_MIN, Column(20)},
        {"circle round the top-left corner", Circle, -10, -10, 60, 0, std::nullopt},
        {"circle round the bottom-right corner", Circle, 805, 603, 30, 0, std::nullopt},
        {"radius a million", Circle, 400 - 1000000, 300, 1000000, 0, std::nullopt},
        {"largest radius: nothing within a billion pixels", Circle, 400, 300, INT_MAX, 0, Points{}},
        {"most negative radius: four axis points far away", Circle, 400, 300, INT_MIN, 0, Points{}},
        {"flat ellipse reaching past top and bottom", Ellipse, 400, 300, 400, 1, std::nullopt},
        {"ellipse round a negative centre", Ellipse, -20, 30, 100, -70, std::nullopt},
        {"largest ellipse: nothing within a billion pixels", Ellipse, 400, 300, INT_MIN, INT_MAX, Points{}},
        {"flat ellipse of the largest width", Ellipse, 400, 300, INT_MAX, 2, twoRows},
    };
    for (int bits : {16, 32}) {
        ASSERT_TRUE(BringUpDisplay(bits));
        const uint32_t colour = bits == 16 ? 0x1234 : 0x89ABCDEF;
        for (const Figure& f : figures) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << f.name);
            FillSurfaceBytes(pScreenSurface, 0xCD);
            Draw(f, bits, colour);
            Picture expected(800, 600, Sentinel(bits));
            for (const Point& p : Expected(f))
                expected.set(p.first, p.second, colour);
            EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), expected));
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
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    EXPECT_EQ((std::array<int, 4>{left, right, top, bottom}), (std::array<int, 4>{300, 500, 250, 350}));
}

TEST(DirectWrite, AFamilyWiderThanTheDisplayStaysInsideTheSurfaceMemory)
{
    // Four-byte elements address a 16-bit screen's memory as 300 rows of 800: stores land where
    // that puts them (a wrong picture), and none beyond the memory.
    ASSERT_TRUE(BringUpDisplay(16));
    FillSurfaceBytes(pScreenSurface, 0xCD);
    DrawLine32(0, 300, 799, 599, 0x11223344);
    DrawCircle32(400, 500, 90, 0x11223344);
    DrawLine32(798, 299, 799, 299, 0x11223344);  // the last two elements that fit
    Picture expected(800, 600, 0xCDCD);
    for (int x = 796; x < 800; ++x)
        expected.at(x, 599) = x % 2 ? 0x1122 : 0x3344;
    EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), expected));
    ReleaseDirectDraw();

    ASSERT_TRUE(BringUpDisplayAt(8));
    FillSurfaceBytes(pScreenSurface, 0xCD);
    DrawLine16(0, 599, 799, 599, 0x7777);
    DrawEllipse16(400, 550, 600, 80, 0x7777);
    EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), Picture(800, 600, 0xCD)));
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

    PutPixel16(1, 1, 0x0002);  // outside a figure there is nothing to store through
    PutPixel32(1, 1, 0x0002);
    EXPECT_EQ(ReadScreenPixel(1, 1), 0xCDCDu);

    layer_set_surface_lost(pScreenSurface);  // the lock restores it
    DrawLine16(0, 0, 9, 0, 0x0003);
    EXPECT_EQ(ReadScreenPixel(9, 0), 3u);
    EXPECT_EQ(RasterStride, 800);
}
