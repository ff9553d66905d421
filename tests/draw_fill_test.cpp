// draw_fill_test.cpp -- rectangles, clipped rectangles, frames, bevels, clipped frames, and lines,
// circles and ellipses made of colour fills, on the screen and on given surfaces

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "draw/draw.h"
#include "draw_support.h"

namespace {

// The screen surface brought up at a depth and filled with the sentinel, with the picture it is
// expected to show.
struct Screen {
    int depth;
    Picture expected;

    explicit Screen(int bits) : depth(bits)
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
    // Two colours that fill every bit of the depth's pixel.
    uint32_t Light() const { return depth == 8 ? 0x21 : depth == 16 ? 0x1234 : 0x00ABCDEF; }
    uint32_t Dark() const { return depth == 8 ? 0x43 : depth == 16 ? 0xF00F : 0x00102030; }
};

void ExpectFrame(Picture& picture, int x, int y, int width, int height, uint32_t colour)
{
    picture.fill(x, y, x + width, y + 1, colour);
    picture.fill(x, y + height - 1, x + width, y + height, colour);
    picture.fill(x, y, x + 1, y + height, colour);
    picture.fill(x + width - 1, y, x + width, y + height, colour);
}

}  // namespace

TEST(FillScreenRect, FillsExactlyTheRectangleAndNothingThatIsEmptyOrReachesOff)
{
    for (int depth : {8, 16, 32}) {
        SCOPED_TRACE(depth);
        Screen screen(depth);
        FillScreenRect(2, 3, 5, 4, screen.Light());
        screen.expected.fill(2, 3, 7, 7, screen.Light());
        FillScreenRect(799, 599, 1, 1, screen.Dark());
        screen.expected.set(799, 599, screen.Dark());
        EXPECT_TRUE(screen.Shows());

        struct Row {
            const char* name;
            int x, y, width, height;
        };
        const Row nothing[] = {
            {"zero width", 10, 10, 0, 5},       {"zero height", 10, 10, 5, 0},
            {"negative width", 10, 10, -3, 5},  {"past the right edge", 795, 0, 6, 1},
            {"above the top", 0, -1, 5, 5},     {"sizes that overflow", INT_MAX - 2, 0, 10, 1},
            {"past the bottom", 0, 599, 1, 2},  {"most negative", INT_MIN, INT_MIN, INT_MAX, INT_MAX},
        };
        for (const Row& row : nothing) {
            SCOPED_TRACE(row.name);
            FillScreenRect(row.x, row.y, row.width, row.height, screen.Dark());
            EXPECT_TRUE(screen.Shows());
        }
    }
}

TEST(FillSurfaceRect, FillsTheGivenSurfaceOnly)
{
    Screen screen(16);
    IDirectDrawSurface7* surface = CreateOffscreenSurface(13, 7);  // odd width: padded rows
    ASSERT_NE(surface, nullptr);
    FillSurfaceBytes(surface, 0xCD);
    FillSurfaceRect(1, 2, 12, 5, 0x0F0F, surface);
    Picture expected(13, 7, 0xCDCD);
    expected.fill(1, 2, 13, 7, 0x0F0F);
    EXPECT_TRUE(SamePicture(TakePicture(surface), expected));
    EXPECT_TRUE(screen.Shows());
    FillSurfaceRect(0, 0, 1, 1, 0, nullptr);  // no surface: nothing to do
    surface->Release();
}

TEST(FillScreenRectClipped, FillsTheIntersection)
{
    struct Row {
        const char* name;
        int x, y, width, height, clipX, clipY, clipWidth, clipHeight;
        int left, top, right, bottom;  // what is filled; empty when left == right
    };
    const Row rows[] = {
        {"clip inside the rectangle", 0, 0, 100, 100, 10, 20, 30, 40, 10, 20, 40, 60},
        {"rectangle inside the clip", 50, 60, 5, 6, 0, 0, 800, 600, 50, 60, 55, 66},
        {"cut on the left and top", 5, 5, 20, 20, 10, 12, 100, 100, 10, 12, 25, 25},
        {"cut on the right and bottom", 5, 5, 20, 20, 0, 0, 15, 17, 5, 5, 15, 17},
        {"wholly left of the clip", 0, 0, 10, 10, 10, 0, 50, 50, 0, 0, 0, 0},
        {"wholly below the clip", 0, 60, 10, 10, 0, 0, 50, 50, 0, 0, 0, 0},
        {"clip reaching off the screen", 790, 590, 20, 20, 700, 500, 200, 200, 0, 0, 0, 0},
    };
    for (int depth : {16, 32}) {
        Screen screen(depth);
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << depth << " bits, " << row.name);
            screen.Reset();
            FillScreenRectClipped(row.x, row.y, row.width, row.height, row.clipX, row.clipY,
                                  row.clipWidth, row.clipHeight, screen.Light());
            screen.expected.fill(row.left, row.top, row.right, row.bottom, screen.Light());
            EXPECT_TRUE(screen.Shows());
        }
    }
    // The given-surface form: the clip rectangle may reach past the surface as long as the
    // intersection does not.
    Screen screen(16);
    IDirectDrawSurface7* surface = CreateOffscreenSurface(8, 8);
    FillSurfaceBytes(surface, 0xCD);
    FillSurfaceRectClipped(-4, -4, 10, 10, 2, 3, 100, 100, 0x0101, surface);
    Picture expected(8, 8, 0xCDCD);
    expected.fill(2, 3, 6, 6, 0x0101);
    EXPECT_TRUE(SamePicture(TakePicture(surface), expected));
    surface->Release();
}

TEST(DrawScreenFrame, OutlinesTheRectangle)
{
    for (int depth : {16, 32}) {
        SCOPED_TRACE(depth);
        Screen screen(depth);
        DrawScreenFrame(10, 20, 5, 4, screen.Light());
        ExpectFrame(screen.expected, 10, 20, 5, 4, screen.Light());
        DrawScreenFrame(100, 100, 1, 1, screen.Light());
        screen.expected.set(100, 100, screen.Light());
        DrawScreenFrame(200, 50, 6, 1, screen.Light());
        screen.expected.fill(200, 50, 206, 51, screen.Light());
        // Width 0: the right-edge fill lands on column x - 1, the left-edge fill on column x.
        DrawScreenFrame(300, 40, 0, 3, screen.Light());
        screen.expected.fill(299, 40, 301, 43, screen.Light());
        // A frame reaching off the bottom: only its top edge lies wholly on the screen; the other
        // three are refused whole.
        DrawScreenFrame(790, 590, 10, 20, screen.Light());
        screen.expected.fill(790, 590, 800, 591, screen.Light());
        EXPECT_TRUE(screen.Shows());
    }
    Screen screen(16);
    IDirectDrawSurface7* surface = CreateOffscreenSurface(6, 5);
    FillSurfaceBytes(surface, 0xCD);
    DrawSurfaceFrame(1, 1, 4, 3, 0x0707, surface);
    Picture expected(6, 5, 0xCDCD);
    ExpectFrame(expected, 1, 1, 4, 3, 0x0707);
    EXPECT_TRUE(SamePicture(TakePicture(surface), expected));
    EXPECT_TRUE(screen.Shows());
    surface->Release();
}

TEST(DrawScreenBevel, TopAndLeftEdgesOwnThreeCorners)
{
    for (int depth : {16, 32}) {
        SCOPED_TRACE(depth);
        Screen screen(depth);
        const uint32_t light = screen.Light(), dark = screen.Dark();
        DrawScreenBevel(0, 0, 4, 3, light, dark);
        // Drawn on paper: L L L L / L . . D / L D D D
        const uint32_t s = Sentinel(depth);
        const uint32_t rows[3][4] = {{light, light, light, light}, {light, s, s, dark}, {light, dark, dark, dark}};
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                screen.expected.at(x, y) = rows[y][x];
        EXPECT_TRUE(screen.Shows());

        IDirectDrawSurface7* surface = CreateOffscreenSurface(4, 3);
        FillSurfaceBytes(surface, 0xCD);
        DrawSurfaceBevel(0, 0, 4, 3, light, dark, surface);
        Picture picture = TakePicture(surface);
        EXPECT_EQ(picture.at(3, 0), light);
        EXPECT_EQ(picture.at(0, 2), light);
        EXPECT_EQ(picture.at(3, 2), dark);
        surface->Release();
    }
}

TEST(DrawScreenFrameClipped, DrawsTheEdgesInsideTheClipCutToIt)
{
    struct Row {
        const char* name;
        int x, y, width, height, clipX, clipY, clipWidth, clipHeight;
        std::vector<std::vector<int>> fills;  // {left, top, right, bottom} of each expected span
    };
    const Row rows[] = {
        {"frame equal to the clip: bottom and right only", 10, 10, 20, 10, 10, 10, 20, 10,
         {{10, 19, 30, 20}, {29, 10, 30, 20}}},
        {"clip one larger on every side: all four", 10, 10, 20, 10, 9, 9, 22, 12,
         {{10, 10, 30, 11}, {10, 19, 30, 20}, {10, 10, 11, 20}, {29, 10, 30, 20}}},
        {"clip through the frame: top and right, cut", 10, 10, 20, 10, 15, 0, 100, 15,
         {{15, 10, 30, 11}, {29, 10, 30, 15}}},
        {"hanging off the top-left corner", -5, -5, 20, 10, 0, 0, 800, 600,
         {{0, 4, 15, 5}, {14, 0, 15, 5}}},
        {"clip reaching past the origin: cut at (0, 0) all the same", -5, -5, 20, 10, -10, -10, 100, 100,
         {{0, 0, 15, 1}, {0, 4, 15, 5}, {0, 0, 1, 5}, {14, 0, 15, 5}}},
        {"outside the clip", 100, 100, 10, 10, 0, 0, 50, 50, {}},
    };
    for (int depth : {16, 32}) {
        Screen screen(depth);
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << depth << " bits, " << row.name);
            screen.Reset();
            DrawScreenFrameClipped(row.x, row.y, row.width, row.height, row.clipX, row.clipY,
                                   row.clipWidth, row.clipHeight, screen.Light());
            for (const auto& f : row.fills)
                screen.expected.fill(f[0], f[1], f[2], f[3], screen.Light());
            EXPECT_TRUE(screen.Shows());
        }
    }
    Screen screen(16);
    IDirectDrawSurface7* surface = CreateOffscreenSurface(20, 20);
    FillSurfaceBytes(surface, 0xCD);
    DrawSurfaceFrameClipped(2, 2, 10, 10, 0, 0, 8, 8, 0x0505, surface);
    Picture expected(20, 20, 0xCDCD);
    expected.fill(2, 2, 8, 3, 0x0505);  // top, cut at the clip's right edge
    expected.fill(2, 2, 3, 8, 0x0505);  // left, cut at its bottom
    EXPECT_TRUE(SamePicture(TakePicture(surface), expected));
    EXPECT_TRUE(screen.Shows());
    surface->Release();
}

TEST(FiguresByFills, FillEveryPointOfTheirTracerOnTheScreen)
{
    for (int depth : {16, 32}) {
        SCOPED_TRACE(depth);
        Screen screen(depth);
        const uint32_t c = screen.Light();
        DrawLineByFills(0, 0, 5, 2, c);
        for (Point p : std::vector<Point>{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}})
            screen.expected.set(p.first, p.second, c);
        // Radius 5 around (100, 100): the octant (0, 5), (1, 5), (2, 5), (3, 4) mirrored eight ways.
        DrawCircleByFills(100, 100, 5, c);
        for (Point p : std::vector<Point>{{0, 5}, {1, 5}, {2, 5}, {3, 4}})
            for (int sx : {-1, 1})
                for (int sy : {-1, 1}) {
                    screen.expected.set(100 + sx * p.first, 100 + sy * p.second, c);
                    screen.expected.set(100 + sx * p.second, 100 + sy * p.first, c);
                }
        DrawEllipseByFills(300, 200, 10, 10, c);
        for (Point p : std::vector<Point>{{0, 5}, {1, 5}, {2, 5}, {3, 4}, {4, 3}, {4, 2}, {5, 1}, {5, 0}})
            for (int sx : {-1, 1})
                for (int sy : {-1, 1})
                    screen.expected.set(300 + sx * p.first, 200 + sy * p.second, c);
        // Partly off the screen: the points off it are refused one by one, the rest drawn.
        DrawLineByFills(-3, 500, 3, 500, c);
        screen.expected.fill(0, 500, 4, 501, c);
        DrawCircleByFills(0, 599, 1, c);
        screen.expected.set(0, 598, c);
        screen.expected.set(1, 599, c);
        EXPECT_TRUE(screen.Shows());

        // A radius of a million whose edge runs down column 600: drawn quickly, and exactly.
        screen.Reset();
        DrawCircleByFills(600 - 1000000, 300, 1000000, c);
        screen.expected.fill(600, 0, 601, 600, c);
        EXPECT_TRUE(screen.Shows());
    }
}

TEST(FillBasedDrawing, LeavesEveryTargetUntouchedWhileInactive)
{
    Screen screen(16);
    IDirectDrawSurface7* surface = CreateOffscreenSurface(32, 32);
    FillSurfaceBytes(surface, 0xCD);
    const Picture before = TakePicture(surface);
    AppActive = false;
    FillScreenRect(0, 0, 10, 10, 1);
    FillSurfaceRect(0, 0, 10, 10, 1, surface);
    FillScreenRectClipped(0, 0, 10, 10, 0, 0, 5, 5, 1);
    FillSurfaceRectClipped(0, 0, 10, 10, 0, 0, 5, 5, 1, surface);
    DrawScreenFrame(1, 1, 10, 10, 1);
    DrawSurfaceFrame(1, 1, 10, 10, 1, surface);
    DrawScreenBevel(1, 1, 10, 10, 1, 2);
    DrawSurfaceBevel(1, 1, 10, 10, 1, 2, surface);
    DrawScreenFrameClipped(1, 1, 10, 10, 0, 0, 20, 20, 1);
    DrawSurfaceFrameClipped(1, 1, 10, 10, 0, 0, 20, 20, 1, surface);
    DrawLineByFills(0, 0, 20, 20, 1);
    DrawCircleByFills(10, 10, 5, 1);
    DrawEllipseByFills(10, 10, 8, 6, 1);
    AppActive = true;
    EXPECT_TRUE(screen.Shows());
    EXPECT_TRUE(SamePicture(TakePicture(surface), before));
    surface->Release();
}

TEST(FillBasedDrawing, AFailedFillLeavesOnlyItsOwnPixelsOut)
{
    Screen screen(16);
    layer_fail_call("IDirectDrawSurface7::Blt", 1, DDERR_SURFACELOST);
    DrawScreenFrame(10, 10, 6, 4, 0x0F0F);
    // The bottom edge was the failed first fill; its corners come from the side edges.
    ExpectFrame(screen.expected, 10, 10, 6, 4, 0x0F0F);
    screen.expected.fill(11, 13, 15, 14, Sentinel(16));
    EXPECT_TRUE(screen.Shows());
}
