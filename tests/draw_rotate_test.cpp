// draw_rotate_test.cpp -- turned, scaled and flipped keyed blits: the exact cases against plain
// copies, and every other case against a per-pixel reference written from the contract

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "draw/draw.h"
#include "draw_support.h"

namespace {

// A sheet whose every pixel tells where it came from, with the transparent colour sprinkled in.
Picture Sheet(int width, int height, int depth)
{
    const uint32_t mask = depth == 8 ? 0xFF : depth == 16 ? 0xFFFF : 0xFFFFFF;
    Picture picture(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t value = (uint32_t(x) * 7 + uint32_t(y) * 131 + (uint32_t(y) << 12)) & mask;
            if (value == TransparentColor || value == Sentinel(depth))
                value ^= 2;
            picture.at(x, y) = (x * 3 + y) % 11 == 0 ? TransparentColor : value;
        }
    return picture;
}

IDirectDrawSurface7* KeyedSurface(const Picture& picture)
{
    IDirectDrawSurface7* surface = CreateOffscreenSurface(picture.width, picture.height);
    EXPECT_NE(surface, nullptr);
    PutPicture(surface, picture);
    EXPECT_TRUE(SetTransparentColorKey(surface));
    return surface;
}

// The contract, pixel by pixel over the whole screen, in 128-bit arithmetic: each target centre
// mapped back with steps rounded to multiples of 2^-31, the source pixel it falls in drawn unless
// it is the key.
void ReferenceBlit(Picture& screen, const Picture& sheet, int64_t destX, int64_t destY, int srcX,
                   int srcY, int width, int height, double pivotX, double pivotY, double angle,
                   double scale, uint32_t flags)
{
    const double turn = std::fmod(std::fmod(angle, 360.0) + 360.0, 360.0);
    double sine = std::sin(turn * M_PI / 180);
    double cosine = std::cos(turn * M_PI / 180);
    if (turn == 90 || turn == 270) {
        cosine = 0;
        sine = turn == 90 ? 1 : -1;
    } else if (turn == 0 || turn == 180) {
        sine = 0;
        cosine = turn == 0 ? 1 : -1;
    }
    const __int128 one = __int128(1) << 32;
    const __int128 cosHalf = std::llround(cosine / scale * 2147483648.0);
    const __int128 sinHalf = std::llround(sine / scale * 2147483648.0);
    const __int128 pivotU = std::llround(pivotX * 4294967296.0);
    const __int128 pivotV = std::llround(pivotY * 4294967296.0);
    for (int j = 0; j < screen.height; ++j)
        for (int i = 0; i < screen.width; ++i) {
            const __int128 dx = 2 * (i - destX) + 1;
            const __int128 dy = 2 * (j - destY) + 1;
            const __int128 u = pivotU + dx * cosHalf + dy * sinHalf;
            const __int128 v = pivotV - dx * sinHalf + dy * cosHalf;
            if (u < 0 || v < 0 || u >= width * one || v >= height * one)
                continue;
            int column = int(u >> 32);
            int row = int(v >> 32);
            if (flags & BlitFlipHorizontal)
                column = width - 1 - column;
            if (flags & BlitFlipVertical)
                row = height - 1 - row;
            const uint32_t value = sheet.at(srcX + column, srcY + row);
            if (value != TransparentColor)
                screen.at(i, j) = value;
        }
}

}  // namespace

TEST(BlitRotatedToScreen, QuarterTurnsAndFlipsAreExactCopies)
{
    for (int depth : {8, 16, 32}) {
        SCOPED_TRACE(depth);
        ASSERT_TRUE(BringUpDisplayAt(depth));
        const Picture sheet = Sheet(100, 80, depth);
        IDirectDrawSurface7* source = KeyedSurface(sheet);
        // A 24 x 16 rectangle inside the sheet, centre placed on (400, 300).
        const int srcX = 30, srcY = 20, w = 24, h = 16;
        struct Case {
            const char* name;
            double angle;
            uint32_t flags;
        };
        const Case cases[] = {
            {"0 degrees", 0, 0},
            {"360 degrees", 360, 0},
            {"90 degrees", 90, 0},
            {"-270 degrees", -270, 0},
            {"180 degrees", 180, 0},
            {"270 degrees", 270, 0},
            {"flipped across", 0, BlitFlipHorizontal},
            {"flipped down", 0, BlitFlipVertical},
            {"flipped both ways", 0, BlitFlipHorizontal | BlitFlipVertical},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            FillSurfaceBytes(pScreenSurface, 0xCD);
            BlitRotatedToScreen(400, 300, srcX, srcY, w, h, c.angle, 1.0, c.flags, source);
            Picture expected(800, 600, Sentinel(depth));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint32_t value = sheet.at(srcX + x, srcY + y);
                    if (value == TransparentColor)
                        continue;
                    const int turn = int(std::fmod(c.angle + 360.0, 360.0));
                    int toX = 400 - w / 2 + x, toY = 300 - h / 2 + y;
                    if (c.flags & BlitFlipHorizontal)
                        toX = 400 - w / 2 + (w - 1 - x);
                    if (c.flags & BlitFlipVertical)
                        toY = 300 - h / 2 + (h - 1 - y);
                    if (turn == 90) {
                        toX = 400 + h / 2 - 1 - y;
                        toY = 300 - w / 2 + x;
                    } else if (turn == 180) {
                        toX = 400 + w / 2 - 1 - x;
                        toY = 300 + h / 2 - 1 - y;
                    } else if (turn == 270) {
                        toX = 400 - h / 2 + y;
                        toY = 300 + w / 2 - 1 - x;
                    }
                    expected.at(toX, toY) = value;
                }
            EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), expected));
        }
        // At 0 degrees and scale 1 an odd-sized rectangle lands where BlitKeyedToScreen puts it
        // (its centre falls on a pixel centre, so the half pixel goes left and up).
        FillSurfaceBytes(pScreenSurface, 0xCD);
        BlitKeyedToScreen(-3, 590, 5, 7, 15, 21, source);
        const Picture keyed = TakePicture(pScreenSurface);
        FillSurfaceBytes(pScreenSurface, 0xCD);
        BlitRotatedToScreen(5, 601, 5, 7, 15, 21, 0, 1.0, 0, source);
        EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), keyed));
        // Flipped, it covers the same pixels with its columns mirrored.
        FillSurfaceBytes(pScreenSurface, 0xCD);
        BlitRotatedToScreen(5, 601, 5, 7, 15, 21, 0, 1.0, BlitFlipHorizontal, source);
        Picture mirrored(800, 600, Sentinel(depth));
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 15; ++x)
                if (sheet.at(5 + 14 - x, 7 + y) != TransparentColor)
                    mirrored.set(-3 + x, 590 + y, sheet.at(5 + 14 - x, 7 + y));
        EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), mirrored));
        source->Release();
        ReleaseDirectDraw();
    }
}

TEST(BlitRotatedToScreen, AgreesWithThePerPixelReferenceAtAnyAngleScaleAndEdge)
{
    std::mt19937 random(20261207);
    for (int depth : {8, 16, 32}) {
        SCOPED_TRACE(depth);
        ASSERT_TRUE(BringUpDisplayAt(depth));
        const Picture sheet = Sheet(90, 70, depth);
        IDirectDrawSurface7* source = KeyedSurface(sheet);
        Picture expected(800, 600, Sentinel(depth));
        FillSurfaceBytes(pScreenSurface, 0xCD);
        for (int n = 0; n < 60; ++n) {
            const int w = 1 + int(random() % 40), h = 1 + int(random() % 40);
            const int srcX = int(random() % (90 - w + 1)), srcY = int(random() % (70 - h + 1));
            const double angle = std::uniform_real_distribution<double>(-720, 720)(random);
            const double scale = std::uniform_real_distribution<double>(0.3, 4.0)(random);
            const uint32_t flags = random() % 4;
            // Every fourth on an edge or a corner of the screen, the rest anywhere on it.
            int destX = int(random() % 800), destY = int(random() % 600);
            if (n % 4 == 0) {
                destX = (n / 4) % 2 ? 799 : 0;
                destY = (n / 8) % 2 ? 599 : int(random() % 600);
            }
            const bool pivoted = n % 3 == 0;
            const double pivotX = pivoted ? std::uniform_real_distribution<double>(-10, w + 10)(random) : w / 2.0;
            const double pivotY = pivoted ? std::uniform_real_distribution<double>(-10, h + 10)(random) : h / 2.0;
            if (pivoted)
                BlitRotatedPivotToScreen(destX, destY, srcX, srcY, w, h, pivotX, pivotY, angle, scale, flags, source);
            else
                BlitRotatedToScreen(destX, destY, srcX, srcY, w, h, angle, scale, flags, source);
            ReferenceBlit(expected, sheet, destX, destY, srcX, srcY, w, h, pivotX, pivotY, angle, scale, flags);
        }
        EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), expected));
        source->Release();
        ReleaseDirectDraw();
    }
}

TEST(BlitRotatedToSurface, CutsToTheTargetAndRefusesWhatItCannotDraw)
{
    ASSERT_TRUE(BringUpDisplayAt(16));
    const Picture sheet = Sheet(64, 64, 16);
    IDirectDrawSurface7* source = KeyedSurface(sheet);
    IDirectDrawSurface7* small = CreateOffscreenSurface(50, 40);
    ASSERT_NE(small, nullptr);
    FillSurfaceBytes(small, 0xCD);
    // Turned about a corner that lands near the small surface's bottom-right corner.
    BlitRotatedToSurface(45, 35, 0, 0, 64, 64, 0, 0, 30, 2.0, 0, source, small);
    Picture expected(50, 40, 0xCDCD);
    ReferenceBlit(expected, sheet, 45, 35, 0, 0, 64, 64, 0, 0, 30, 2.0, 0);
    EXPECT_TRUE(SamePicture(TakePicture(small), expected));

    FillSurfaceBytes(pScreenSurface, 0xCD);
    BlitRotatedToScreen(100, 100, 40, 0, 30, 10, 45, 1, 0, source);          // past the sheet
    BlitRotatedToScreen(100, 100, 0, 0, 10, 10, 45, 0, 0, source);           // no scale
    BlitRotatedToScreen(100, 100, 0, 0, 10, 10, 45, NAN, 0, source);
    BlitRotatedToScreen(100, 100, 0, 0, 10, 10, INFINITY, 1, 0, source);
    BlitRotatedToScreen(INT32_MAX, INT32_MIN, 0, 0, 64, 64, 45, 256, 0, source);  // far off
    EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), Picture(800, 600, 0xCDCD)));
    BlitRotatedToSurface(10, 10, 0, 0, 10, 10, 0, 0, 0, 1, 0, small, small);  // onto itself
    EXPECT_TRUE(SamePicture(TakePicture(small), expected));

    // A source without a colour key has every pixel drawn, the key's colour too.
    IDirectDrawSurface7* plain = CreateOffscreenSurface(64, 64);
    ASSERT_NE(plain, nullptr);
    PutPicture(plain, sheet);
    BlitRotatedToScreen(32, 32, 0, 0, 64, 64, 0, 1, 0, plain);
    Picture copied(800, 600, 0xCDCD);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            copied.at(x, y) = sheet.at(x, y);
    EXPECT_TRUE(SamePicture(TakePicture(pScreenSurface), copied));
    plain->Release();
    small->Release();
    source->Release();
}
