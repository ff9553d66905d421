// draw_trace_test.cpp -- the point sequences of lines, circles and ellipses: the exact points in
// their order, the 32-bit results wherever those fit, figures traced within an area, and
// arguments at the ends of the 32-bit range

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include "draw/trace.h"
#include "draw_support.h"

namespace {

using Points = std::vector<Point>;

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

// The group of four mirrored points of an ellipse around (0, 0).
Points Mirrored(const Points& quarter)
{
    Points all;
    for (const Point& p : quarter) {
        all.emplace_back(p.first, p.second);
        all.emplace_back(p.first, -p.second);
        all.emplace_back(-p.first, -p.second);
        all.emplace_back(-p.first, p.second);
    }
    return all;
}

int64_t Wrap(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

// The circle and the ellipse stepped exactly as written, every value a wrapping 32-bit integer:
// what the tracers must match wherever those values do not wrap.
Points CircleIn32Bits(int cx, int cy, int r)
{
    const int64_t r2 = Wrap(int64_t(r) * r), s = Wrap(4 * r2);
    int64_t t = Wrap(-4 * r2 * r), d = Wrap(-t / 2 - 3 * r2), acc = 0, x = 0, y = r;
    Points points{{cx, cy + r}, {cx, cy - r}, {cx + r, cy}, {cx - r, cy}};
    const int count = static_cast<int>(r / 1.414213562373);
    for (int i = 0; i < count; ++i) {
        ++x;
        if (d >= 0) {
            d = Wrap(d + acc - 6 * r2);
        } else {
            --y;
            d = Wrap(d + acc - t - 10 * r2);
            t = Wrap(t + s);
        }
        acc = Wrap(acc - s);
        for (Point p : Points{{x, y}, {y, x}, {y, -x}, {x, -y}, {-x, -y}, {-y, -x}, {-y, x}, {-x, y}})
            points.emplace_back(cx + p.first, cy + p.second);
    }
    return points;
}

Points EllipseIn32Bits(int cx, int cy, int w, int h)
{
    const int64_t a = std::abs(w / 2), b = std::abs(h / 2);
    const int64_t a2 = Wrap(a * a), b2 = Wrap(b * b), sa = Wrap(4 * a2), sb = Wrap(4 * b2);
    const int64_t sum = Wrap(a2 + b2);
    const int64_t count1 = sum == 0 ? 0 : static_cast<int64_t>(double(a2) / std::sqrt(double(sum)));
    int64_t t = Wrap(-4 * a2 * b), d = Wrap(-t / 2 - 2 * b2 - a2), acc = 0, x = cx, y = cy + b;
    Points points;
    auto group = [&] {
        for (Point p : Points{{x, y}, {x, 2 * cy - y}, {2 * cx - x, 2 * cy - y}, {2 * cx - x, y}})
            points.push_back(p);
    };
    group();
    for (int64_t i = 0; i < count1; ++i) {
        ++x;
        if (d >= 0) {
            d = Wrap(d + acc - 6 * b2);
        } else {
            --y;
            d = Wrap(d + acc - t - 6 * b2 - 4 * a2);
            t = Wrap(t + sa);
        }
        acc = Wrap(acc - sb);
        group();
    }
    const int64_t count2 = std::abs(y - cy);
    d = Wrap(d - (acc / 2 + t / 2 + b2 + a2));
    for (int64_t i = 0; i < count2; ++i) {
        --y;
        if (d <= 0) {
            d = Wrap(d - t - 6 * a2);
        } else {
            ++x;
            d = Wrap(d + acc - t - 6 * a2 - 4 * b2);
            acc = Wrap(acc - sb);
        }
        t = Wrap(t + sa);
        group();
    }
    return points;
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
        {"shallow, a tie keeps the row", 0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
        {"the same line backwards", 4, 2, 0, 0, {{4, 2}, {3, 2}, {2, 1}, {1, 1}, {0, 0}}},
        {"diagonal steps along x", 0, 0, 4, 4, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}},
        {"steep", 0, 0, 2, 4, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}}},
        {"steep backwards", 2, 4, 0, 0, {{2, 4}, {2, 3}, {1, 2}, {1, 1}, {0, 0}}},
        {"steep, odd length", 0, 0, 2, 5, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}, {2, 5}}},
        {"leftwards", 3, 7, 0, 7, {{3, 7}, {2, 7}, {1, 7}, {0, 7}}},
        {"upwards", 5, 3, 5, 0, {{5, 3}, {5, 2}, {5, 1}, {5, 0}}},
        {"negative coordinates", -1, -1, -3, -2, {{-1, -1}, {-2, -1}, {-3, -2}}},
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
    const Points two = Circle(10, 20, 2);
    EXPECT_EQ(two, (Points{{10, 22}, {10, 18}, {12, 20}, {8, 20},
                           {11, 22}, {12, 21}, {12, 19}, {11, 18}, {9, 18}, {8, 19}, {8, 21}, {9, 22}}));
    EXPECT_EQ(std::set<Point>(two.begin(), two.end()).size(), 12u);

    // Radius 5 takes three steps; the first point of each group walks the octant from the top.
    const Points five = Circle(0, 0, 5);
    ASSERT_EQ(five.size(), 4u + 3 * 8);
    EXPECT_EQ((Points{five[4], five[12], five[20]}), (Points{{1, 5}, {2, 5}, {3, 4}}));
}

TEST(TraceCircle, MatchesThe32BitStepsUpToRadius812)
{
    for (int r = -3; r <= 812; ++r) {
        SCOPED_TRACE(r);
        ASSERT_EQ(Circle(400, 300, r), CircleIn32Bits(400, 300, r));
    }
}

TEST(TraceEllipse, GroupsOfFourFromTheBottomToTheCentreRow)
{
    // Semi-axes 5 and 5: region 1 takes three steps along x, region 2 four steps up to the centre.
    const Points quarter = {{0, 5}, {1, 5}, {2, 5}, {3, 4}, {4, 3}, {4, 2}, {5, 1}, {5, 0}};
    EXPECT_EQ(Ellipse(0, 0, 10, 10), Mirrored(quarter));
    EXPECT_EQ(Ellipse(0, 0, 11, 11), Mirrored(quarter)) << "odd extents halve toward zero";
    EXPECT_EQ(Ellipse(0, 0, -10, -11), Mirrored(quarter)) << "the semi-axes are absolute";
    EXPECT_EQ(Ellipse(5, 6, 1, -1), (Points{{5, 6}, {5, 6}, {5, 6}, {5, 6}})) << "a point";

    for (int width : {6, 7}) {
        SCOPED_TRACE(width);
        const Points points = Ellipse(0, 0, width, 9);
        const auto [left, right] = std::minmax_element(points.begin(), points.end());
        EXPECT_EQ(left->first, -3);
        EXPECT_EQ(right->first, 3) << "seven columns wide";
    }
}

TEST(TraceEllipse, FlatFiguresCrossTheCentreRowAndReachBeyondTheirBox)
{
    // Height 0, width 4: every step of region 1 moves a row, and region 2 walks on past the centre.
    EXPECT_EQ(Ellipse(0, 0, 4, 0), Mirrored({{0, 0}, {1, -1}, {2, -2}, {2, -3}, {2, -4}}));

    auto tallest = [](int width, int height) {
        int64_t most = 0;
        for (const Point& p : Ellipse(0, 0, width, height))
            most = std::max(most, std::abs(p.second));
        return most;
    };
    EXPECT_EQ(tallest(10, 1), 10) << "B = 0 reaches 2 A rows from the centre";
    EXPECT_EQ(tallest(12, 2), 1) << "B = 1 stays in its box up to A = 6";
    EXPECT_GT(tallest(14, 2), 1) << "and leaves it from A = 7";
    EXPECT_EQ(tallest(92, 4), 2) << "B = 2 stays in its box up to A = 46";
    EXPECT_GT(tallest(94, 4), 2) << "and leaves it from A = 47";
}

TEST(TraceEllipse, MatchesThe32BitStepsWhereTheyFit)
{
    for (int a = 0; a <= 400; a += 7)
        for (int b = 2; b <= 300; b += 11) {
            SCOPED_TRACE(testing::Message() << "A " << a << ", B " << b);
            ASSERT_EQ(Ellipse(400, 300, 2 * a, 2 * b + 1), EllipseIn32Bits(400, 300, 2 * a, 2 * b + 1));
        }
    for (int a = 0; a <= 60; ++a)
        for (int b : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "flat, A " << a << ", B " << b);
            ASSERT_EQ(Ellipse(-7, 9, 2 * a, 2 * b), EllipseIn32Bits(-7, 9, 2 * a, 2 * b));
        }
}

TEST(Trace, WithinAnAreaKeepsEveryPointInsideInOrder)
{
    const TraceArea area{80, 60};
    std::mt19937 random(12345);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int i = 0; i < 3000; ++i) {
        const int x1 = pick(-150, 230), y1 = pick(-150, 210), x2 = pick(-150, 230), y2 = pick(-150, 210);
        SCOPED_TRACE(testing::Message() << "line " << x1 << "," << y1 << " to " << x2 << "," << y2);
        ASSERT_EQ(Inside(Line(x1, y1, x2, y2, &area), area), Inside(Line(x1, y1, x2, y2), area));
    }
    for (int i = 0; i < 1000; ++i) {
        const int cx = pick(-200, 280), cy = pick(-200, 260), r = pick(-20, 300);
        SCOPED_TRACE(testing::Message() << "circle " << cx << "," << cy << " radius " << r);
        ASSERT_EQ(Inside(Circle(cx, cy, r, &area), area), Inside(Circle(cx, cy, r), area));
    }
    for (int i = 0; i < 1000; ++i) {
        const int cx = pick(-200, 280), cy = pick(-200, 260), w = pick(-500, 500), h = pick(-500, 500);
        SCOPED_TRACE(testing::Message() << "ellipse " << cx << "," << cy << " " << w << " x " << h);
        ASSERT_EQ(Inside(Ellipse(cx, cy, w, h, &area), area), Inside(Ellipse(cx, cy, w, h), area));
    }
}

TEST(Trace, ArgumentsAtTheEndsOfTheRangeStayDefinedAndEndSoonWithinAnArea)
{
    const TraceArea screen{800, 600};

    // The longest possible diagonal, both ways: only the steps over the area are taken.
    Points down;
    for (int i = 0; i < 600; ++i)
        down.emplace_back(i, i);
    Points up(down.rbegin(), down.rend());
    const Points forward = Line(INT_MIN, INT_MIN, INT_MAX, INT_MAX, &screen);
    EXPECT_LE(forward.size(), 802u);
    EXPECT_EQ(Inside(forward, screen), down);
    EXPECT_EQ(Inside(Line(INT_MAX, INT_MAX, INT_MIN, INT_MIN, &screen), screen), up);
    EXPECT_EQ(Line(INT_MAX, INT_MIN, INT_MAX, INT_MIN), (Points{{INT_MAX, INT_MIN}}));

    // A circle of radius a million whose right edge runs down column 400: its values pass 32 bits
    // but fit in 64, so the arc is exact. Column 400 is met once per row.
    const Points arc = Inside(Circle(400 - 1000000, 300, 1000000, &screen), screen);
    ASSERT_EQ(arc.size(), 600u);
    std::set<int64_t> rows;
    for (const Point& p : arc) {
        EXPECT_EQ(p.first, 400);
        rows.insert(p.second);
    }
    EXPECT_EQ(rows.size(), 600u);

    // Figures whose values leave 64 bits: any shape will do, but every step must be defined and
    // the points must stop coming soon after the area is left behind.
    struct Row {
        const char* name;
        int cx, cy, w, h;
    };
    const Row figures[] = {
        {"huge circle-like ellipse", 400, 300, INT_MAX, INT_MAX},
        {"most negative extents", 400, 300, INT_MIN, INT_MIN},
        {"flat, B = 0", 400, 300, INT_MAX, 1},
        {"flat, B = 1", 400, 300, INT_MIN, 3},
        {"centre at the range's end", INT_MAX, INT_MIN, 2000000, 2000000},
    };
    for (const Row& f : figures) {
        SCOPED_TRACE(f.name);
        EXPECT_LT(Ellipse(f.cx, f.cy, f.w, f.h, &screen).size(), 20000u);
    }
    for (int r : {INT_MAX, INT_MIN, 2000000000}) {
        SCOPED_TRACE(r);
        EXPECT_LT(Circle(400, 300, r, &screen).size(), 20000u);
        EXPECT_TRUE(Inside(Circle(400, 300, r, &screen), screen).empty()) << "the outline is far off";
    }
    EXPECT_EQ(Circle(INT_MAX, INT_MIN, INT_MAX, &screen).size(), 4u) << "nothing to step over";
}
