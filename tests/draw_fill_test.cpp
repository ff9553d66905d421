// draw_fill_test.cpp -- rectangles, clipped rectangles, frames, bevels, clipped frames, and
// figures made of colour fills, on the screen and on given surfaces

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <functional>
#include <vector>

#include "draw/draw.h"
#include "draw_support.h"

namespace {

// The screen brought up at a depth and filled with the sentinel, with the picture it should show.
struct Screen {
    int depth;
    uint32_t colour;  // fills every bit of the depth's pixel
    Picture expected;

    explicit Screen(int bits) : depth(bits), colour(bits == 8 ? 0x21 : bits == 16 ? 0x1234 : 0xABCDEF)
    {
        EXPECT_TRUE(BringUpDisplayAt(bits));
        Reset();
    }
    ~Screen() { ReleaseDirectDraw(); }
    void Reset()
    {
        FillSurfaceBytes(pScreenSurface, 0xCD);
        expected = Picture(800, 600, Sentinel(depth));
    }
    testing::AssertionResult Shows() const { return SamePicture(TakePicture(pScreenSurface), expected); }
};

// A table row: what to draw, and the spans {left, top, right, bottom} it should fill.
struct Case {
    const char* name;
    std::function<void(uint32_t colour)> draw;
    std::vector<std::array<int, 4>> spans;
};

void Check(const std::vector<Case>& cases, std::initializer_list<int> depths = {16, 32})
{
    for (int depth : depths) {
        Screen screen(depth);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << depth << " bits, " << c.name);
            screen.Reset();
            c.draw(screen.colour);
            for (const auto& s : c.spans)
                screen.expected.fill(s[0], s[1], s[2], s[3], screen.colour);
            EXPECT_TRUE(screen.Shows());
        }
    }
}

}  // namespace

TEST(FillScreenRect, FillsExactlyTheRectangleAndNothingEmptyOrReachingOff)
{
    Check({
        {"rectangle", [](uint32_t c) { FillScreenRect(2, 3, 5, 4, c); }, {{2, 3, 7, 7}}},
        {"last pixel", [](uint32_t c) { FillScreenRect(799, 599, 1, 1, c); }, {{799, 599, 800, 600}}},
        {"zero width", [](uint32_t c) { FillScreenRect(10, 10, 0, 5, c); }, {}},
        {"negative height", [](uint32_t c) { FillScreenRect(10, 10, 5, -3, c); }, {}},
        {"past the right edge", [](uint32_t c) { FillScreenRect(795, 0, 6, 1, c); }, {}},
        {"above the top", [](uint32_t c) { FillScreenRect(0, -1, 5, 5, c); }, {}},
        {"sums past the 32-bit range", [](uint32_t c) { FillScreenRect(INT_MAX - 2, INT_MIN, 10, INT_MIN, c); }, {}},
        {"clipped: clip inside", [](uint32_t c) { FillScreenRectClipped(0, 0, 100, 100, 10, 20, 30, 40, c); }, {{10, 20, 40, 60}}},
        {"clipped: cut left and top", [](uint32_t c) { FillScreenRectClipped(5, 5, 20, 20, 10, 12, 100, 100, c); }, {{10, 12, 25, 25}}},
        {"clipped: cut right and bottom", [](uint32_t c) { FillScreenRectClipped(5, 5, 20, 20, 0, 0, 15, 17, c); }, {{5, 5, 15, 17}}},
        {"clipped: wholly outside", [](uint32_t c) { FillScreenRectClipped(0, 60, 10, 10, 0, 0, 50, 50, c); }, {}},
        {"clipped: clip off the screen", [](uint32_t c) { FillScreenRectClipped(790, 0, 20, 5, 700, 0, 200, 200, c); }, {}},
    }, {8, 16, 32});

    // The given-surface forms draw on their surface only; a clip rectangle may reach past it.
    Screen screen(16);
    IDirectDrawSurface7* surface = CreateOffscreenSurface(13, 7);  // odd width: padded rows
    FillSurfaceBytes(surface, 0xCD);
    FillSurfaceRect(1, 2, 12, 3, 0x0F0F, surface);
    FillSurfaceRectClipped(-4, -4, 10, 10, 2, 5, 100, 100, 0x0101, surface);
    Picture expected(13, 7, 0xCDCD);
    expected.fill(1, 2, 13, 5, 0x0F0F);
    expected.fill(2, 5, 6, 6, 0x0101);
    EXPECT_TRUE(SamePicture(TakePicture(surface), expected));
    EXPECT_TRUE(screen.Shows());
    surface->Release();
}

TEST(DrawScreenFrame, OutlinesFramesAndBevels)
{
    Check({
        {"frame", [](uint32_t c) { DrawScreenFrame(10, 20, 5, 4, c); },
         {{10, 20, 15, 21}, {10, 23, 15, 24}, {10, 20, 11, 24}, {14, 20, 15, 24}}},
        {"one pixel", [](uint32_t c) { DrawScreenFrame(100, 100, 1, 1, c); }, {{100, 100, 101, 101}}},
        // Width 0: the right-edge fill lands on column x - 1, the left-edge fill on column x.
        {"zero width", [](uint32_t c) { DrawScreenFrame(300, 40, 0, 3, c); }, {{299, 40, 301, 43}}},
        {"reaching off the bottom: only the top edge fits", [](uint32_t c) { DrawScreenFrame(790, 590, 10, 20, c); },
         {{790, 590, 800, 591}}},
        {"surface frame leaves the screen alone", [](uint32_t c) { DrawSurfaceFrame(0, 0, 9, 9, c, pScratchSurface); }, {}},
    });
    for (int depth : {16, 32}) {
        Screen screen(depth);
        const uint32_t light = screen.colour, dark = 0x0F0F;
        DrawScreenBevel(0, 0, 4, 3, light, dark);
        DrawSurfaceBevel(0, 0, 4, 3, light, dark, pScratchSurface);
        // Drawn on paper: L L L L / L . . D / L D D D
        screen.expected.fill(0, 0, 4, 1, light);
        screen.expected.fill(0, 0, 1, 3, light);
        screen.expected.fill(1, 2, 4, 3, dark);
        screen.expected.set(3, 1, dark);
        EXPECT_TRUE(screen.Shows()) << depth;
        const Picture scratch = TakePicture(pScratchSurface);
        EXPECT_EQ(scratch.at(3, 0), light);
        EXPECT_EQ(scratch.at(0, 2), light);
        EXPECT_EQ(scratch.at(3, 2), dark);
    }
}

TEST(DrawScreenFrameClipped, DrawsTheEdgesInsideTheClipCutToIt)
{
    Check({
        {"frame equal to the clip: bottom and right", [](uint32_t c) { DrawScreenFrameClipped(10, 10, 20, 10, 10, 10, 20, 10, c); },
         {{10, 19, 30, 20}, {29, 10, 30, 20}}},
        {"clip one larger on every side: all four", [](uint32_t c) { DrawScreenFrameClipped(10, 10, 20, 10, 9, 9, 22, 12, c); },
         {{10, 10, 30, 11}, {10, 19, 30, 20}, {10, 10, 11, 20}, {29, 10, 30, 20}}},
        {"clip through the frame: top and right, cut", [](uint32_t c) { DrawScreenFrameClipped(10, 10, 20, 10, 15, 0, 100, 15, c); },
         {{15, 10, 30, 11}, {29, 10, 30, 15}}},
        {"hanging off the top-left corner", [](uint32_t c) { DrawScreenFrameClipped(-5, -5, 20, 10, 0, 0, 800, 600, c); },
         {{0, 4, 15, 5}, {14, 0, 15, 5}}},
        {"clip past the origin: cut at (0, 0) anyway", [](uint32_t c) { DrawScreenFrameClipped(-5, -5, 20, 10, -10, -10, 100, 100, c); },
         {{0, 0, 15, 1}, {0, 4, 15, 5}, {0, 0, 1, 5}, {14, 0, 15, 5}}},
        {"outside the clip", [](uint32_t c) { DrawScreenFrameClipped(100, 100, 10, 10, 0, 0, 50, 50, c); }, {}},
        {"given surface", [](uint32_t c) { DrawSurfaceFrameClipped(2, 2, 10, 10, 0, 0, 8, 8, c, pScreenSurface); },
         {{2, 2, 8, 3}, {2, 2, 3, 8}}},
    });
}

TEST(FiguresByFills, FillEveryPointOfTheirTracerOnTheScreen)
{
    // Radius 5: the octant (0, 5), (1, 5), (2, 5), (3, 4) eight ways; the 10 x 10 ellipse: its
    // quarter (0, 5) ... (5, 0) four ways.
    std::vector<std::array<int, 4>> circle, ellipse;
    for (int sx : {-1, 1})
        for (int sy : {-1, 1}) {
            for (auto [x, y] : {std::pair{0, 5}, {1, 5}, {2, 5}, {3, 4}}) {
                circle.push_back({100 + sx * x, 100 + sy * y, 101 + sx * x, 101 + sy * y});
                circle.push_back({100 + sx * y, 100 + sy * x, 101 + sx * y, 101 + sy * x});
            }
            for (auto [x, y] : {std::pair{0, 5}, {1, 5}, {2, 5}, {3, 4}, {4, 3}, {4, 2}, {5, 1}, {5, 0}})
                ellipse.push_back({300 + sx * x, 200 + sy * y, 301 + sx * x, 201 + sy * y});
        }
    Check({
        {"line", [](uint32_t c) { DrawLineByFills(0, 0, 5, 2, c); }, {{0, 0, 2, 1}, {2, 1, 4, 2}, {4, 2, 6, 3}}},
        {"line off the left: the points on the screen", [](uint32_t c) { DrawLineByFills(-3, 500, 3, 500, c); }, {{0, 500, 4, 501}}},
        {"circle", [](uint32_t c) { DrawCircleByFills(100, 100, 5, c); }, circle},
        {"circle in a corner", [](uint32_t c) { DrawCircleByFills(0, 599, 1, c); }, {{0, 598, 1, 599}, {1, 599, 2, 600}}},
        {"radius a million, edge down column 600", [](uint32_t c) { DrawCircleByFills(600 - 1000000, 300, 1000000, c); },
         {{600, 0, 601, 600}}},
        {"ellipse", [](uint32_t c) { DrawEllipseByFills(300, 200, 10, 10, c); }, ellipse},
        {"huge ellipse, far off", [](uint32_t c) { DrawEllipseByFills(400, 300, INT_MIN, INT_MAX, c); }, {}},
    });
}

TEST(FillBasedDrawing, InactiveLeavesEverythingAFailedFillOnlyItsOwnPixels)
{
    Screen screen(16);
    AppActive = false;
    FillScreenRect(0, 0, 10, 10, 1);
    FillSurfaceRect(0, 0, 10, 10, 1, pScreenSurface);
    FillScreenRectClipped(0, 0, 10, 10, 0, 0, 5, 5, 1);
    FillSurfaceRectClipped(0, 0, 10, 10, 0, 0, 5, 5, 1, pScreenSurface);
    DrawScreenFrame(1, 1, 10, 10, 1);
    DrawSurfaceFrame(1, 1, 10, 10, 1, pScreenSurface);
    DrawScreenBevel(1, 1, 10, 10, 1, 2);
    DrawSurfaceBevel(1, 1, 10, 10, 1, 2, pScreenSurface);
    DrawScreenFrameClipped(1, 1, 10, 10, 0, 0, 20, 20, 1);
    DrawSurfaceFrameClipped(1, 1, 10, 10, 0, 0, 20, 20, 1, pScreenSurface);
    DrawLineByFills(0, 0, 20, 20, 1);
    DrawCircleByFills(10, 10, 5, 1);
    DrawEllipseByFills(10, 10, 8, 6, 1);
    AppActive = true;
    EXPECT_TRUE(screen.Shows());

    // The bottom edge is the failed first fill; its corners come from the side edges.
    layer_fail_call("IDirectDrawSurface7::Blt", 1, DDERR_SURFACELOST);
    DrawScreenFrame(10, 10, 6, 4, 0x0F0F);
    screen.expected.fill(10, 10, 16, 11, 0x0F0F);
    screen.expected.fill(10, 10, 11, 14, 0x0F0F);
    screen.expected.fill(15, 10, 16, 14, 0x0F0F);
    EXPECT_TRUE(screen.Shows());
}
