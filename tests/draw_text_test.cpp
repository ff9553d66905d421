// draw_text_test.cpp -- the text box and the status line: gating, lines, cutting, the transparent
// background, Cyrillic text, the fonts used, and the context and font given back

#include <gtest/gtest.h>

#include <string>

#include "draw/draw.h"
#include "support.h"
#include "text_support.h"

namespace {

constexpr COLORREF Orange = 0x000467FB;
constexpr COLORREF Yellow = 0x0028FFFF;
const char* const Serif = "Times New Roman Cyr";
const char* const Sans = "Arial Cyr";

// The family of the installed face that a font of this height, weight and face name draws with.
std::string FamilyOf(int height, int weight, const char* face)
{
    HDC dc = nullptr;
    EXPECT_EQ(pScreenSurface->GetDC(&dc), DD_OK);
    HFONT font = MakeFont(height, weight, face);
    SelectObject(dc, font);
    std::string family, style;
    layer_font_face(dc, &family, &style);
    pScreenSurface->ReleaseDC(dc);
    DeleteObject(font);
    return family;
}

// The screen after clearing it to the transparent colour and running draw.
template <typename F>
Picture ScreenAfter(F draw)
{
    FillPixels(pScreenSurface, TransparentColor);
    draw();
    return ReadPicture(pScreenSurface);
}

// The lowest row and the rightmost column with ink, or -1.
void InkExtent(const Picture& picture, int* lowest, int* rightmost)
{
    *lowest = *rightmost = -1;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (picture.at(x, y) != TransparentColor) {
                *lowest = std::max(*lowest, y);
                *rightmost = std::max(*rightmost, x);
            }
}

}  // namespace

TEST(DrawTextBox, NothingIsDrawnWhileInactiveIntoAnEmptyRectangleOrWithoutAContext)
{
    ASSERT_TRUE(BringUpDisplay(16));
    const Picture untouched = ScreenAfter([] {
        AppActive = false;
        DrawTextBox(10, 10, 300, 100, 16, Orange, pScreenSurface, "Text");
        DrawTextLine(10, 10, 12, Yellow, "Text");
        AppActive = true;
        DrawTextBox(10, 10, 0, 100, 16, Orange, pScreenSurface, "Text");
        DrawTextBox(10, 10, 300, 0, 16, Orange, pScreenSurface, "Text");
        DrawTextBox(10, 10, -50, 100, 16, Orange, pScreenSurface, "Text");
        DrawTextBox(10, 10, 300, -20, 16, Orange, pScreenSurface, "Text");
        DrawTextBox(10, 10, 300, 100, 16, Orange, pScreenSurface, "");
        DrawTextBox(10, 10, 300, 100, 16, Orange, nullptr, "Text");
        DrawTextBox(10, 10, 300, 100, 16, Orange, pScreenSurface, nullptr);
        DrawTextLine(10, 10, 12, Yellow, nullptr);
    });
    EXPECT_EQ(untouched.CountNot(TransparentColor), 0u);
    const Picture drawn = ScreenAfter([] { DrawTextBox(10, 10, 300, 100, 16, Orange, pScreenSurface, "Text"); });
    EXPECT_GT(drawn.CountNot(TransparentColor), 0u) << "the same box while active";

    layer_fail_call("IDirectDrawSurface7::GetDC", 0, DDERR_CANTCREATEDC);
    const Picture noContext = ScreenAfter([] {
        DrawTextBox(10, 10, 300, 100, 16, Orange, pScreenSurface, "Text");
        DrawTextLine(10, 10, 12, Yellow, "Text");
    });
    EXPECT_EQ(noContext.CountNot(TransparentColor), 0u) << "no device context";
}

TEST(DrawTextBox, LineEndsStartLinesInTheBoxButNotInTheStatusLine)
{
    ASSERT_TRUE(BringUpDisplay(16));
    if (FamilyOf(16, FW_NORMAL, Serif) != "Liberation Serif" || FamilyOf(12, FW_BOLD, Sans) != "Liberation Sans")
        GTEST_SKIP() << "the line heights below are those of the Liberation faces";
    // Liberation Serif at height 16 has an ascent of 12 and a descent of 3 pixels: the second line
    // starts 15 rows below the first.
    const int cell = 15;
    ExpectSamePicture(ScreenAfter([] { DrawTextBox(20, 30, 300, 200, 16, Orange, pScreenSurface, "AB\r\nCD"); }),
                      ScreenAfter([&] {
                          DrawTextBox(20, 30, 300, 200, 16, Orange, pScreenSurface, "AB");
                          DrawTextBox(20, 30 + cell, 300, 200, 16, Orange, pScreenSurface, "CD");
                      }),
                      "box-lines");
    const int boldCell = 12;  // Liberation Sans Bold at height 12: a 12-row cell
    int lowest, right, rightAlone;
    InkExtent(ScreenAfter([] { DrawTextLine(20, 30, 12, Yellow, "AB\r\nCD"); }), &lowest, &right);
    EXPECT_LT(lowest, 30 + boldCell) << "one line";
    int unused;
    InkExtent(ScreenAfter([] { DrawTextLine(20, 30, 12, Yellow, "AB"); }), &unused, &rightAlone);
    EXPECT_GT(right, rightAlone + 10) << "CD follows on the same line";
}

TEST(DrawTextBox, CutsAtTheRightAndBottomEdgesOfItsRectangle)
{
    ASSERT_TRUE(BringUpDisplay(16));
    std::string text;
    for (int line = 0; line < 12; ++line)
        text += "A line wider than the box, \xF1 \xEA\xE8\xF0\xE8\xEB\xEB\xE8\xF6\xE5\xE9\r\n";
    const Picture whole = ScreenAfter([&] { DrawTextBox(40, 50, 700, 500, 16, Orange, pScreenSurface, text.c_str()); });
    const Picture cut = ScreenAfter([&] { DrawTextBox(40, 50, 100, 40, 16, Orange, pScreenSurface, text.c_str()); });
    for (int y = 0; y < cut.height; ++y)
        for (int x = 0; x < cut.width; ++x) {
            const bool inside = x >= 40 && x < 140 && y >= 50 && y < 90;
            ASSERT_EQ(cut.at(x, y), inside ? whole.at(x, y) : TransparentColor) << "pixel (" << x << ", " << y << ")";
        }
    EXPECT_GT(cut.CountNot(TransparentColor), 100u);

    // The scene lays its text into a rectangle that reaches past its surface.
    IDirectDrawSurface7* surface = CreateOffscreenSurface(450, 800);
    FillPixels(surface, TransparentColor);
    DrawTextBox(10, 10, 450, 800, 15, Orange, surface, text.c_str());
    DrawTextBox(440, 790, INT32_MAX, INT32_MAX, 15, Orange, surface, text.c_str());
    EXPECT_GT(ReadPicture(surface).CountNot(TransparentColor), 1000u);
    surface->Release();
}

TEST(DrawTextBox, LeavesTheTransparentColourBetweenTheGlyphs)
{
    const std::string text = "\xD2\xE5\xEA\xF1\xF2 & text\r\n\t\xC2\xF2\xEE\xF0\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0";
    ASSERT_TRUE(BringUpDisplay(16));
    IDirectDrawSurface7* surface = CreateOffscreenSurface(450, 100);
    FillPixels(surface, TransparentColor);
    DrawTextBox(10, 10, 450, 800, 15, Orange, surface, text.c_str());
    const Picture box = ReadPicture(surface);
    surface->Release();
    const Picture line = ScreenAfter([&] { DrawTextLine(30, 15, 12, Yellow, text.c_str()); });
    const std::pair<const Picture*, NativePixel> drawn[] = {{&box, RgbToNativePixel(251, 103, 4)},
                                                           {&line, RgbToNativePixel(255, 255, 40)}};
    for (const auto& [picture, ink] : drawn) {
        size_t count = 0;
        for (int y = 0; y < picture->height; ++y)
            for (int x = 0; x < picture->width; ++x) {
                const uint32_t pixel = picture->at(x, y);
                ASSERT_TRUE(pixel == TransparentColor || pixel == ink) << "pixel (" << x << ", " << y << ")";
                count += pixel == ink;
            }
        EXPECT_GT(count, 100u);
    }
}

TEST(DrawTextBox, CyrillicTextDrawsTheCyrillicLetters)
{
    // "РОСА роса ХОР": letters shaped as the Latin "POCA poca XOP" and drawn with their pixels.
    const char* const cyrillic = "\xD0\xCE\xD1\xC0 \xF0\xEE\xF1\xE0 \xD5\xCE\xD0";
    const char* const latin = "POCA poca XOP";
    ASSERT_TRUE(BringUpDisplay(16));
    ExpectSamePicture(ScreenAfter([&] { DrawTextBox(5, 5, 300, 40, 16, Orange, pScreenSurface, cyrillic); }),
                      ScreenAfter([&] { DrawTextBox(5, 5, 300, 40, 16, Orange, pScreenSurface, latin); }), "box");
    ExpectSamePicture(ScreenAfter([&] { DrawTextLine(5, 5, 12, Yellow, cyrillic); }),
                      ScreenAfter([&] { DrawTextLine(5, 5, 12, Yellow, latin); }), "line");
}

TEST(DrawTextBox, DrawsWithTheNormalSerifAndTheStatusLineWithTheBoldSans)
{
    ASSERT_TRUE(BringUpDisplay(32));
    if (FamilyOf(16, FW_NORMAL, Serif) != "Liberation Serif" || FamilyOf(16, FW_BOLD, Sans) != "Liberation Sans")
        GTEST_SKIP() << "fonts-liberation is not installed";
    // At height 16 both faces are set at 14 pixels per em; the serif's ascent is 12 pixels, the
    // bold sans's 13 (the face tables' figures, worked out in the layer's font tests). The box
    // and the line start at (10, 20): the pen at x 10, the baseline 12 or 13 rows lower. The
    // expected glyphs are FreeType's own bitmaps of the faces.
    struct Row { const char* name; const char* family; const char* style; int baseline; bool box; };
    const Row rows[] = {
        {"the box in the normal serif", "Liberation Serif", "Regular", 32, true},
        {"the status line in the bold sans", "Liberation Sans", "Bold", 33, false},
    };
    const Picture empty = ScreenAfter([] {});
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const auto ink = FreeTypeInk(r.family, r.style, 14, 'R');
        ASSERT_FALSE(ink.empty());
        Picture expected = empty;
        for (const auto& [x, y] : ink)
            expected.at(10 + x, r.baseline - y) = 0x00FB6704;  // the orange at 32 bits
        const Picture drawn = ScreenAfter([&] {
            if (r.box)
                DrawTextBox(10, 20, 200, 40, 16, Orange, pScreenSurface, "R");
            else
                DrawTextLine(10, 20, 16, Orange, "R");
        });
        ExpectSamePicture(drawn, expected, r.box ? "box-glyph" : "line-glyph");
    }
}

TEST(DrawTextBox, GivesTheContextAndItsFontBackOnEveryCall)
{
    ASSERT_TRUE(BringUpDisplay(16));
    auto both = [] {
        DrawTextBox(0, 0, 200, 40, 16, Orange, pScreenSurface, "Box");
        DrawTextLine(0, 20, 12, Yellow, "Line");
    };
    const Picture first = ScreenAfter(both);
    // More calls than the platform lets a program hold GDI objects: a font left behind by each
    // call would leave the last calls without their fonts.
    for (int i = 0; i < 10001; ++i)
        both();
    ExpectSamePicture(ScreenAfter(both), first, "after-many-calls");
    EXPECT_NE(LockSurfaceMemory(pScreenSurface), nullptr) << "no device context is left out";
    UnlockSurfaceMemory(pScreenSurface);
}
