// draw_blit_test.cpp -- plain, scaled and keyed copies onto the screen and onto given surfaces:
// what is cut, what is refused, which pixels are left out

#include <gtest/gtest.h>

#include <vector>

#include "draw/draw.h"
#include "draw_support.h"

namespace {

// A picture whose every pixel tells where it came from, with the transparent colour at every
// fifth pixel along each diagonal.
Picture SourcePicture(int width, int height, int depth)
{
    Picture picture(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t value = depth == 16 ? (x * 7 + y * 131) & 0xFFFF : (uint32_t(y) << 12 | x);
            if (value == TransparentColor)
                value ^= 1;
            picture.at(x, y) = (x + y) % 5 == 0 ? TransparentColor : value;
        }
    return picture;
}

IDirectDrawSurface7* SurfaceWith(const Picture& picture, bool keyed)
{
    IDirectDrawSurface7* surface = CreateOffscreenSurface(picture.width, picture.height);
    EXPECT_NE(surface, nullptr);
    PutPicture(surface, picture);
    if (keyed) {
        EXPECT_TRUE(SetTransparentColorKey(surface));
    }
    return surface;
}

// What a copy of source's [srcX, srcX + width) x [srcY, srcY + height) to (destX, destY) leaves in
// the picture, the transparent pixels left out when keyed.
void ExpectCopy(Picture& picture, const Picture& source, int destX, int destY, int srcX, int srcY,
                int width, int height, bool keyed)
{
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t value = source.at(srcX + x, srcY + y);
            if (!keyed || value != TransparentColor)
                picture.set(destX + x, destY + y, value);
        }
}

}  // namespace

TEST(BlitKeyedToScreen, CutsAtEveryEdgeAndLeavesTheTransparentPixelsOut)
{
    struct Row {
        const char* name;
        int destX, destY, srcX, srcY, width, height;
        int toX, toY, fromX, fromY, copiedWidth, copiedHeight;  // what arrives; none when 0 wide
    };
    const Row rows[] = {
        {"hanging off the left", -10, 5, 0, 0, 450, 800, 0, 5, 10, 0, 440, 595},
        {"hanging off the bottom", 300, 100, 0, 0, 450, 800, 300, 100, 0, 0, 450, 500},
        {"hanging off the right", 500, 0, 0, 0, 450, 100, 500, 0, 0, 0, 300, 100},
        {"hanging off the top", 0, -50, 0, 0, 100, 200, 0, 0, 0, 50, 100, 150},
        {"over the bottom-right corner", 700, 550, 10, 20, 450, 300, 700, 550, 10, 20, 100, 50},
        {"over the top-left corner, source moved", -5, -6, 3, 4, 20, 30, 0, 0, 8, 10, 15, 24},
        {"larger than the screen", -10, -10, 0, 0, 450, 800, 0, 0, 10, 10, 440, 600},
        {"ending exactly at the top edge", 300, -800, 0, 0, 450, 800, 0, 0, 0, 0, 0, 0},
        {"ending above it", 300, -801, 0, 0, 450, 800, 0, 0, 0, 0, 0, 0},
        {"ending exactly at the left edge", -450, 0, 0, 0, 450, 10, 0, 0, 0, 0, 0, 0},
        {"starting at the right edge", 800, 0, 0, 0, 450, 10, 0, 0, 0, 0, 0, 0},
        {"starting at the bottom edge", 0, 600, 0, 0, 10, 10, 0, 0, 0, 0, 0, 0},
        {"source rectangle past the source", 0, 0, 400, 0, 100, 10, 0, 0, 0, 0, 0, 0},
    };
    for (int depth : {16, 32}) {
        ASSERT_TRUE(BringUpDisplay(depth));
        const Picture picture = SourcePicture(450, 800, depth);
        for (bool keyed : {true, false}) {
            IDirectDrawSurface7* source = SurfaceWith(picture, keyed);
            for (const Row& row : rows) {
                SCOPED_TRACE(testing::Message() << depth << " bits, " << (keyed ? "keyed source, " : "no key, ") << row.name);
                FillSurfaceBytes(pScreenSurface, 0xCD);
                BlitKeyedToScreen(row.destX, row.destY, row.srcX, row.srcY, row.width, row.height, source);
                Picture expected(800, 600, Sentinel(depth));
                ExpectCopy(expected, picture, row.toX, row.toY, row.fromX, row.fromY, row.copiedWidth,
                           row.copiedHeight, keyed);
                EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), expected));
            }
            source->Release();
        }
        ReleaseDirectDraw();
    }
}

TEST(BlitKeyedToSurface, CutsToTheScreenSizeOnlyWhateverTheDestination)
{
    ASSERT_TRUE(BringUpDisplay(16));
    const Picture picture = SourcePicture(60, 60, 16);
    IDirectDrawSurface7* source = SurfaceWith(picture, true);
    IDirectDrawSurface7* small = CreateOffscreenSurface(100, 80);
    IDirectDrawSurface7* large = CreateOffscreenSurface(1000, 700);
    ASSERT_TRUE(small && large);

    FillSurfaceBytes(small, 0xCD);
    BlitKeyedToSurface(-10, 0, 0, 0, 50, 50, source, small);  // cut at the left edge
    Picture expected(100, 80, 0xCDCD);
    ExpectCopy(expected, picture, 0, 0, 10, 0, 40, 50, true);
    EXPECT_TRUE(SamePicture(TakePicture(small), expected));
    BlitKeyedToSurface(90, 0, 0, 0, 50, 50, source, small);  // not cut to the small surface: refused
    BlitKeyedToSurface(0, 70, 0, 0, 50, 50, source, small);
    EXPECT_TRUE(SamePicture(TakePicture(small), expected));

    FillSurfaceBytes(large, 0xCD);
    BlitKeyedToSurface(780, 590, 0, 0, 50, 50, source, large);  // cut to 800 x 600, not 1000 x 700
    Picture expectedLarge(1000, 700, 0xCDCD);
    ExpectCopy(expectedLarge, picture, 780, 590, 0, 0, 20, 10, true);
    EXPECT_TRUE(SamePicture(TakePicture(large), expectedLarge));
    small->Release();
    large->Release();
    source->Release();
}

TEST(BlitToScreen, CopiesEveryPixelUncut)
{
    for (int depth : {16, 32}) {
        SCOPED_TRACE(depth);
        ASSERT_TRUE(BringUpDisplay(depth));
        const Picture picture = SourcePicture(40, 50, depth);
        IDirectDrawSurface7* source = SurfaceWith(picture, true);
        FillSurfaceBytes(pScreenSurface, 0xCD);
        BlitToScreen(10, 20, 5, 6, 30, 40, source);  // the key plays no part
        Picture expected(800, 600, Sentinel(depth));
        ExpectCopy(expected, picture, 10, 20, 5, 6, 30, 40, false);
        BlitToScreen(-1, 0, 0, 0, 10, 10, source);  // nothing is cut: these are refused whole
        BlitToScreen(0, -1, 0, 0, 10, 10, source);
        BlitToScreen(795, 0, 0, 0, 10, 10, source);
        BlitToScreen(0, 0, 35, 0, 10, 10, source);
        EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), expected));
        source->Release();
        ReleaseDirectDraw();
    }
}

TEST(StretchBlitToScreen, ScalesAndCutsTheSourceInProportion)
{
    ASSERT_TRUE(BringUpDisplay(32));
    const Picture picture = SourcePicture(100, 100, 32);
    IDirectDrawSurface7* source = SurfaceWith(picture, true);
    auto expectStretch = [&](Picture& expected, int toX, int toY, const std::vector<int>& columns,
                             const std::vector<int>& rows) {
        for (size_t j = 0; j < rows.size(); ++j)
            for (size_t i = 0; i < columns.size(); ++i)
                expected.set(toX + int(i), toY + int(j), picture.at(columns[i], rows[j]));
    };

    struct Row {
        const char* name;
        int destX, destY, srcX, srcY, srcWidth, srcHeight, destWidth, destHeight;
        int toX, toY;
        std::vector<int> columns, rows;  // the source column and row of each visible pixel
    };
    const Row rows[] = {
        {"on the screen: all of the source, the key ignored", 10, 20, 4, 5, 3, 2, 6, 4, 10, 20,
         {4, 4, 5, 5, 6, 6}, {5, 5, 6, 6}},
        // Halving, 10 of 20 columns off the left edge: the cut lands on whole pixels and the
        // visible part is what the whole copy would show there.
        {"halved, hanging off the left", -10, 0, 0, 0, 40, 10, 20, 5, 0, 0,
         {20, 22, 24, 26, 28, 30, 32, 34, 36, 38}, {0, 2, 4, 6, 8}},
        // Doubled into the bottom-right corner: 10 by 5 pixels show source columns 0 to 4 and
        // rows 0 to 2.5, rounded up to 3.
        {"doubled, hanging off the right and bottom", 790, 595, 0, 0, 10, 10, 20, 20, 790, 595,
         {0, 0, 1, 1, 2, 2, 3, 3, 4, 4}, {0, 0, 1, 1, 2}},
        // Doubled, one column off the left: the cut falls on half a source pixel, which rounds up
        // to column 1; the first visible column shows 1 where the whole copy would show 0.
        {"doubled, half a source pixel off the left", -1, 30, 0, 0, 10, 1, 20, 1, 0, 30,
         {1, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9}, {0}},
        {"wholly left of the screen", -20, 0, 0, 0, 10, 10, 20, 10, 0, 0, {}, {}},
        {"inverted destination", 790, 0, 0, 0, 10, 10, -20, 10, 0, 0, {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FillSurfaceBytes(pScreenSurface, 0xCD);
        StretchBlitToScreen(row.destX, row.destY, row.srcX, row.srcY, row.srcWidth, row.srcHeight,
                            row.destWidth, row.destHeight, source);
        Picture expected(800, 600, Sentinel(32));
        expectStretch(expected, row.toX, row.toY, row.columns, row.rows);
        EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), expected));
    }

    // Larger than the screen on every side: source [10, 90) x [13, 88) fills the whole screen;
    // column i shows 10 + i / 10 as the whole copy would, row j shows 13 + j / 8.
    FillSurfaceBytes(pScreenSurface, 0xCD);
    StretchBlitToScreen(-100, -100, 0, 0, 100, 100, 1000, 800, source);
    std::vector<int> columns, rowsShown;
    for (int i = 0; i < 800; ++i)
        columns.push_back(10 + i / 10);
    for (int j = 0; j < 600; ++j)
        rowsShown.push_back(13 + j / 8);
    Picture expected(800, 600, Sentinel(32));
    expectStretch(expected, 0, 0, columns, rowsShown);
    EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), expected));
    source->Release();
}

TEST(Blits, LeaveEveryTargetUntouchedWhileInactive)
{
    ASSERT_TRUE(BringUpDisplay(16));
    const Picture picture = SourcePicture(20, 20, 16);
    IDirectDrawSurface7* source = SurfaceWith(picture, true);
    IDirectDrawSurface7* target = CreateOffscreenSurface(30, 30);
    FillSurfaceBytes(pScreenSurface, 0xCD);
    FillSurfaceBytes(target, 0xCD);
    AppActive = false;
    BlitToScreen(0, 0, 0, 0, 20, 20, source);
    StretchBlitToScreen(0, 0, 0, 0, 20, 20, 40, 40, source);
    StretchBlitToScreen(-5, 0, 0, 0, 20, 20, 40, 40, source);
    BlitKeyedToScreen(0, 0, 0, 0, 20, 20, source);
    BlitKeyedToSurface(0, 0, 0, 0, 20, 20, source, target);
    AppActive = true;
    EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), Picture(800, 600, 0xCDCD)));
    EXPECT_TRUE(SamePicture(TakePicture(target), Picture(30, 30, 0xCDCD)));
    target->Release();
    source->Release();
}
