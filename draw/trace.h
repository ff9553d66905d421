// trace.h -- the point sequences of a line, a circle outline and an ellipse outline
//
// Each tracer calls visit(x, y) for every point of its figure, in the figure's order and as often
// as the figure passes the point; what a point costs is the visitor's affair (a colour fill, a
// store into locked memory). The tracers are templates so that the visitor is inlined into the
// stepping loop.
//
// Coordinates reach the visitor as 64-bit values: a figure of 32-bit arguments can reach beyond the
// 32-bit range (a centre near the end of it plus a large radius), and such points are passed on as
// they are, never wrapped round onto the surface.
//
// The decision values of the circle and the ellipse grow with the cube of the figure's size. They
// are kept in 64-bit unsigned arithmetic, which wraps where a signed type would overflow: every
// figure whose values fit in 64 bits (circles up to a radius of about a million, and far larger
// ellipses than any screen) is traced exactly; beyond that the shape is undefined but every step
// is defined and the loops still end.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

// The part of the plane a caller cares about: [0, width) x [0, height). A tracer given an area may
// leave out points outside it (never one inside it), and stops as soon as no later point of the
// figure can fall inside. The points it does visit come in the figure's own order.
struct TraceArea {
    int64_t width;
    int64_t height;
};

namespace trace_detail {

using Wide = uint64_t;

inline int64_t Signed(Wide value) { return static_cast<int64_t>(value); }

// Halves toward zero, as the signed value.
inline Wide Half(Wide value) { return static_cast<Wide>(Signed(value) / 2); }

// The last offset k in [1, count] for which base + k or base - k lies in [0, extent); 0 when none.
inline int64_t LastOffsetInside(int64_t base, int64_t extent, int64_t count)
{
    int64_t last = 0;
    // base + k inside: k in [-base, extent - 1 - base].
    const int64_t upFirst = std::max<int64_t>(1, -base);
    const int64_t upLast = std::min(count, extent - 1 - base);
    if (upFirst <= upLast)
        last = upLast;
    // base - k inside: k in [base - extent + 1, base].
    const int64_t downFirst = std::max<int64_t>(1, base - extent + 1);
    const int64_t downLast = std::min(count, base);
    if (downFirst <= downLast)
        last = std::max(last, downLast);
    return last;
}

// Steps along the major axis from major0 (exclusive) for the steps first..last of n, moving the
// minor axis from minor0 whenever the decision value is positive, and visits (major, minor).
// Step j's state comes from a closed form, so a long line that mostly lies outside the area costs
// only its steps inside: after j steps the minor axis has moved m = floor(dMinor * j / n) times,
// plus one when the remainder passes n / 2, and e = 2 * dMinor - n + 2 * (dMinor * j - n * m).
template <typename Visit>
void TraceSteps(int64_t major0, int64_t minor0, int64_t majorStep, int64_t minorStep, int64_t n,
                int64_t dMinor, int64_t first, int64_t last, Visit& visit)
{
    if (first > last)
        return;
    const uint64_t done = static_cast<uint64_t>(first - 1);
    const uint64_t product = static_cast<uint64_t>(dMinor) * done;  // both below 2^32
    const int64_t quotient = static_cast<int64_t>(product / static_cast<uint64_t>(n));
    const int64_t remainder = static_cast<int64_t>(product % static_cast<uint64_t>(n));
    const int64_t carry = 2 * remainder > n ? 1 : 0;
    int64_t e = 2 * dMinor - n + 2 * (remainder - carry * n);
    int64_t minor = minor0 + minorStep * (quotient + carry);
    int64_t major = major0 + majorStep * first;
    for (int64_t step = first; step <= last; ++step) {
        if (e > 0) {
            e += 2 * (dMinor - n);
            minor += minorStep;
        } else {
            e += 2 * dMinor;
        }
        visit(major, minor);
        major += majorStep;
    }
}

// The steps 1..n whose major coordinate major0 + majorStep * step lies in [0, extent).
inline void StepsInside(int64_t major0, int64_t majorStep, int64_t n, int64_t extent,
                        int64_t* first, int64_t* last)
{
    if (majorStep > 0) {
        *first = std::max<int64_t>(1, -major0);
        *last = std::min<int64_t>(n, extent - 1 - major0);
    } else {
        *first = std::max<int64_t>(1, major0 - extent + 1);
        *last = std::min<int64_t>(n, major0);
    }
}

}  // namespace trace_detail

// The points of the line from (x1, y1) to (x2, y2): the start, then one point per step along the
// longer axis (the x axis when both are equal), the shorter axis moving when the decision value is
// strictly positive. max(dx, dy) + 1 distinct points, ending on (x2, y2).
template <typename Visit>
void TraceLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Visit&& visit,
               const TraceArea* area = nullptr)
{
    using namespace trace_detail;
    const int64_t dx = std::abs(static_cast<int64_t>(x2) - x1);
    const int64_t dy = std::abs(static_cast<int64_t>(y2) - y1);
    const int64_t sx = x2 < x1 ? -1 : 1;
    const int64_t sy = y2 < y1 ? -1 : 1;
    visit(static_cast<int64_t>(x1), static_cast<int64_t>(y1));
    int64_t first = 1;
    if (dy > dx) {
        int64_t last = dy;
        if (area)
            StepsInside(y1, sy, dy, area->height, &first, &last);
        auto steep = [&visit](int64_t y, int64_t x) { visit(x, y); };
        TraceSteps(y1, x1, sy, sx, dy, dx, first, last, steep);
    } else {
        int64_t last = dx;
        if (area)
            StepsInside(x1, sx, dx, area->width, &first, &last);
        auto shallow = [&visit](int64_t x, int64_t y) { visit(x, y); };
        TraceSteps(x1, y1, sx, sy, dx, dy, first, last, shallow);
    }
}

// The points of the circle of the given radius around (cx, cy): the four axis points, then one
// group of eight mirrored points per step of x from 1 to radius / 1.414213562373. A radius of 0
// visits the centre four times; a negative radius visits only its four axis points.
template <typename Visit>
void TraceCircle(int32_t cx, int32_t cy, int32_t radius, Visit&& visit,
                 const TraceArea* area = nullptr)
{
    using namespace trace_detail;
    const int64_t centreX = cx;
    const int64_t centreY = cy;
    const int64_t r = radius;
    const Wide r2 = static_cast<Wide>(r * r);
    const Wide s = 4 * r2;
    Wide t = 0 - 4 * r2 * static_cast<Wide>(r);
    // d is -r^2 times the classic decision 3 - 2r, and moves by the classic steps scaled alike.
    Wide d = Half(0 - t) - 3 * r2;
    Wide acc = 0;
    // The step count divides by this decimal constant, not by the square root of two.
    int64_t count = static_cast<int64_t>(static_cast<double>(radius) / 1.414213562373);
    // Step x's group has every point outside the area when neither centreX +- x nor centreY +- x
    // falls inside it; after the last step that is not so, nothing more can be seen.
    if (area)
        count = std::max(LastOffsetInside(centreX, area->width, count),
                         LastOffsetInside(centreY, area->height, count));
    visit(centreX, centreY + r);
    visit(centreX, centreY - r);
    visit(centreX + r, centreY);
    visit(centreX - r, centreY);
    int64_t x = 0;
    int64_t y = r;
    for (int64_t step = 0; step < count; ++step) {
        ++x;
        if (Signed(d) >= 0) {
            d += acc - 6 * r2;
        } else {
            --y;
            d += acc - t - 10 * r2;
            t += s;
        }
        acc -= s;
        visit(centreX + x, centreY + y);
        visit(centreX + y, centreY + x);
        visit(centreX + y, centreY - x);
        visit(centreX + x, centreY - y);
        visit(centreX - x, centreY - y);
        visit(centreX - y, centreY - x);
        visit(centreX - y, centreY + x);
        visit(centreX - x, centreY + y);
    }
}

// The points of the ellipse around (centreX, centreY) with the full extents width and height
// (semi-axes |width / 2| and |height / 2|): groups of four mirrored points, starting at the
// bottom of the figure; region 1 steps x while the outline is flatter than a diagonal, region 2
// steps y down to the centre row. Very flat figures cross the centre row in region 1 and reach
// beyond their nominal box.
template <typename Visit>
void TraceEllipse(int32_t centreX, int32_t centreY, int32_t width, int32_t height, Visit&& visit,
                  const TraceArea* area = nullptr)
{
    using namespace trace_detail;
    const int64_t cx = centreX;
    const int64_t cy = centreY;
    const int64_t a = std::abs(static_cast<int64_t>(width / 2));
    const int64_t b = std::abs(static_cast<int64_t>(height / 2));
    const Wide a2 = static_cast<Wide>(a * a);
    const Wide b2 = static_cast<Wide>(b * b);
    const Wide sa = 4 * a2;
    const Wide sb = 4 * b2;
    const int64_t sum = a * a + b * b;
    const int64_t count1 = sum == 0 ? 0
                                    : static_cast<int64_t>(static_cast<double>(a * a) /
                                                           std::sqrt(static_cast<double>(sum)));
    Wide t = 0 - 4 * a2 * static_cast<Wide>(b);
    Wide d = Half(0 - t) - 2 * b2 - a2;
    Wide acc = 0;
    int64_t x = cx;
    int64_t y = cy + b;
    // x only moves right, at most count1 times in region 1 and at most b + count1 times in
    // region 2. Past the last offset at which x or its mirror 2 * cx - x can fall inside the area,
    // no later point can.
    const int64_t stopX =
        area ? cx + LastOffsetInside(cx, area->width, 2 * count1 + b) + 1 : std::numeric_limits<int64_t>::max();
    auto group = [&] {
        visit(x, y);
        visit(x, 2 * cy - y);
        visit(2 * cx - x, 2 * cy - y);
        visit(2 * cx - x, y);
    };
    group();
    for (int64_t step = 0; step < count1; ++step) {
        if (++x >= stopX)
            return;
        if (Signed(d) >= 0) {
            d += acc - 6 * b2;
        } else {
            --y;
            d += acc - t - 6 * b2 - 4 * a2;
            t += sa;
        }
        acc -= sb;
        group();
    }
    const int64_t count2 = std::abs(y - cy);
    d -= Half(acc) + Half(t) + b2 + a2;
    for (int64_t step = 0; step < count2; ++step) {
        --y;
        if (Signed(d) <= 0) {
            d += 0 - t - 6 * a2;
        } else {
            if (++x >= stopX)
                return;
            d += acc - t - 6 * a2 - 4 * b2;
            acc -= sb;
        }
        t += sa;
        group();
    }
}
