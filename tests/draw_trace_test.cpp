// draw_trace_test.cpp -- the point sequences of lines, circles and ellipses: the exact points in
// their order, figures traced within an area, and arguments at the ends of the 32-bit range

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <set>

#include "draw/trace.h"
#include "draw_support.h"

namespace {

const TraceArea Screen{800, 600};

Points Line(int x1, int y1, int x2, int y2, const TraceArea* area = nullptr)
{
    Points points;
    TraceLine(x1, y1, x2, y2, [&](int64_t x, int64_t y) { points.emplace_back(x, y); }, area);
    return points;
}

Points Circle(int cx, int cy, int r, const TraceArea* area = nullptr)
{
    Points points;
    TraceCircle(cx, cy, r, [&](int64_t x, int64_t y) { points.emplace_back(x, y); }, area);
    return points;
}

Points Ellipse(int cx, int cy, int w, int h, const TraceArea* area = nullptr)
{
    Points points;
    TraceEllipse(cx, cy, w, h, [&](int64_t x, int64_t y) { points.emplace_back(x, y); }, area);
    return points;
}

Points Inside(const Points& points, const TraceArea& area)
{
    Points inside;
    for (const Point& p : points)
        if (p.first >= 0 && p.second >= 0 && p.first < area.width && p.second < area.height)
            inside.push_back(p);
    return inside;
}

// Each point of a quarter of an ellipse around (0, 0) with its three mirror images, in group order.
Points Mirrored(const Points& quarter)
{
    Points all;
    for (const auto& [x, y] : quarter)
        all.insert(all.end(), {{x, y}, {x, -y}, {-x, -y}, {-x, y}});
    return all;
}

}  // namespace

TEST(TraceLine, VisitsEveryPixelOnceInOrder)
{
    struct Row {
        const char* name;
        int x1, y1, x2, y2;
        Points expect;
    };
    const Row rows[] = {
        {"one point", 3, 2, 3, 2, {{3, 2}}},
        {"shallow", 0, 0, 5, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}},
        {"a tie keeps the row", 0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
        {"the same line backwards", 4, 2, 0, 0, {{4, 2}, {3, 2}, {2, 1}, {1, 1}, {0, 0}}},
        {"diagonal steps along x", 0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {"steep", 0, 0, 2, 4, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}}},
        {"steep backwards", 2, 4, 0, 0, {{2, 4}, {2, 3}, {1, 2}, {1, 1}, {0, 0}}},
        {"leftwards at negative coordinates", -1, -1, -3, -2, {{-1, -1}, {-2, -1}, {-3, -2}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(Line(r.x1, r.y1, r.x2, r.y2), r.expect);
    }
}

TEST(TraceCircle, AxisPointsThenGroupsOfEight)
{
    EXPECT_EQ(Circle(3, 4, 0), (Points{{3, 4}, {3, 4}, {3, 4}, {3, 4}})) << "radius 0: the centre four times";
    EXPECT_EQ(Circle(0, 0, 1), (Points{{0, 1}, {0, -1}, {1, 0}, {-1, 0}})) << "radius 1: no step";
    EXPECT_EQ(Circle(0, 0, -3), (Points{{0, -3}, {0, 3}, {-3, 0}, {3, 0}})) << "negative: axis points only";
    EXPECT_EQ(Circle(10, 20, 2), (Points{{10, 22}, {10, 18}, {12, 20}, {8, 20}, {11, 22}, {12, 21},
                                         {12, 19}, {11, 18}, {9, 18}, {8, 19}, {8, 21}, {9, 22}}));
    // Radius 5 takes three steps; the first point of each group walks the octant from the top.
    const Points five = Circle(0, 0, 5);
    ASSERT_EQ(five.size(), 4u + 3 * 8);
    EXPECT_EQ((Points{five[4], five[12], five[20]}), (Points{{1, 5}, {2, 5}, {3, 4}}));
}

TEST(TraceEllipse, GroupsOfFourFromTheBottomToTheCentreRow)
{
    // Semi-axes 5 and 5: three steps along x, then four up to the centre row.
    const Points five = Mirrored({{0, 5}, {1, 5}, {2, 5}, {3, 4}, {4, 3}, {4, 2}, {5, 1}, {5, 0}});
    EXPECT_EQ(Ellipse(0, 0, 10, 10), five);
    EXPECT_EQ(Ellipse(0, 0, -11, 11), five) << "extents halve toward zero, then lose their sign";
    EXPECT_EQ(Ellipse(5, 6, 1, -1), (Points{{5, 6}, {5, 6}, {5, 6}, {5, 6}})) << "a point";
    for (int width : {6, 7}) {
        const Points points = Ellipse(0, 0, width, 9);
        const auto [left, right] = std::minmax_element(points.begin(), points.end());
        EXPECT_EQ(right->first - left->first + 1, 7) << "width " << width << " gives seven columns";
    }
    // Height 0, width 4: every step of region 1 moves a row, and region 2 walks past the centre.
    EXPECT_EQ(Ellipse(0, 0, 4, 0), Mirrored({{0, 0}, {1, -1}, {2, -2}, {2, -3}, {2, -4}}));
    auto tallest = [](int width, int height) {
        int64_t most = 0;
        for (const Point& p : Ellipse(0, 0, width, height))
            most = std::max(most, std::abs(p.second));
        return most;
    };
    EXPECT_EQ(tallest(10, 1), 10) << "B = 0 reaches 2 A rows from the centre";
    EXPECT_EQ(tallest(12, 2), 1) << "B = 1 stays in its box up to A = 6";
    // and leaves it from A = 7: the centre row is crossed in region 1, region 2 goes on down.
    EXPECT_EQ(Ellipse(0, 0, 14, 2), Mirrored({{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 0}, {6, -1}, {6, -2}}));
    EXPECT_EQ(tallest(92, 4), 2) << "B = 2 stays in its box up to A = 46";
    EXPECT_GT(tallest(94, 4), 2) << "and leaves it from A = 47";
}

TEST(Trace, WithinAnAreaKeepsEveryPointInsideInOrder)
{
    const TraceArea area{80, 60};
    std::mt19937 random(12345);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int i = 0; i < 2000; ++i) {
        const int a = pick(-150, 230), b = pick(-150, 210), c = pick(-150, 230), d = pick(-500, 500);
        SCOPED_TRACE(testing::Message() << a << ", " << b << ", " << c << ", " << d);
        ASSERT_EQ(Inside(Line(a, b, c, d % 210, &area), area), ExpectedLine(a, b, c, d % 210, 80, 60));
        ASSERT_EQ(Inside(Circle(a, b, c, &area), area), ExpectedCircle(a, b, c, 80, 60));
        ASSERT_EQ(Inside(Ellipse(a, b, c, d, &area), area), ExpectedEllipse(a, b, c, d, 80, 60));
    }
}

TEST(Trace, ArgumentsAtTheEndsOfTheRangeStayDefinedAndEndSoonWithinAnArea)
{
    // The longest diagonal there is: only the steps over the area are taken.
    Points diagonal;
    for (int i = 0; i < 600; ++i)
        diagonal.emplace_back(i, i);
    const Points forward = Line(INT_MIN, INT_MIN, INT_MAX, INT_MAX, &Screen);
    EXPECT_LE(forward.size(), 802u);
    EXPECT_EQ(Inside(forward, Screen), diagonal);
    EXPECT_EQ(Inside(Line(INT_MAX, INT_MAX, INT_MIN, INT_MIN, &Screen), Screen), Points(diagonal.rbegin(), diagonal.rend()));

    // Radius a million, the right edge on column 400: past 32 bits but within 64, so exact; the
    // column is met once per row.
    const Points arc = Inside(Circle(400 - 1000000, 300, 1000000, &Screen), Screen);
    std::set<Point> column;
    for (int y = 0; y < 600; ++y)
        column.emplace(400, y);
    EXPECT_EQ(std::set<Point>(arc.begin(), arc.end()), column);
    EXPECT_EQ(arc.size(), 600u);

    // Values beyond 64 bits: any shape will do, but every step is defined and the points stop
    // coming soon after the area is left behind.
    for (int r : {INT_MAX, INT_MIN, 2000000000})
        EXPECT_LT(Circle(400, 300, r, &Screen).size(), 5000u) << r;
    EXPECT_EQ(Circle(INT_MAX, INT_MIN, INT_MAX, &Screen).size(), 4u) << "nothing to step over";
    const int figures[][4] = {{400, 300, INT_MAX, INT_MAX}, {400, 300, INT_MIN, INT_MIN}, {400, 300, INT_MAX, 1},
                              {400, 300, INT_MIN, 3}, {INT_MAX, INT_MIN, 2000000, 2000000}};
    for (const auto& f : figures)
        EXPECT_LT(Ellipse(f[0], f[1], f[2], f[3], &Screen).size(), 5000u) << f[0] << ", " << f[1] << ", " << f[2] << ", " << f[3];
}
