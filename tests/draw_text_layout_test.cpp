// draw_text_layout_test.cpp -- measured and aligned text: sizes against the faces' advances and
// the drawn ink, where aligned lines and boxes land, both faces on any surface, and gating

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "draw/draw.h"
#include "support.h"
#include "text_support.h"

namespace {

constexpr COLORREF Orange = 0x000467FB;

bool LiberationFaces()
{
    HDC dc = nullptr;
    if (pScreenSurface->GetDC(&dc) != DD_OK)
        return false;
    std::string serif, sans;
    HFONT font = MakeFont(16, FW_NORMAL, "Times New Roman Cyr");
    HGDIOBJ previous = SelectObject(dc, font);
    layer_font_face(dc, &serif, nullptr);
    HFONT bold = MakeFont(16, FW_BOLD, "Arial Cyr");
    SelectObject(dc, bold);
    layer_font_face(dc, &sans, nullptr);
    SelectObject(dc, previous);
    pScreenSurface->ReleaseDC(dc);
    DeleteObject(font);
    DeleteObject(bold);
    return serif == "Liberation Serif" && sans == "Liberation Sans";
}

template <typename F>
Picture ScreenAfter(F draw)
{
    FillPixels(pScreenSurface, TransparentColor);
    draw();
    return ReadPicture(pScreenSurface);
}

// The columns [left, right) that hold ink, or 0, 0.
std::pair<int, int> InkColumns(const Picture& picture)
{
    int left = picture.width, right = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (picture.at(x, y) != TransparentColor) {
                left = std::min(left, x);
                right = std::max(right, x + 1);
            }
    return left < right ? std::make_pair(left, right) : std::make_pair(0, 0);
}

}  // namespace

TEST(MeasureText, SizesFollowTheAdvancesAndBoundTheInk)
{
    ASSERT_TRUE(BringUpDisplay(16));
    if (!LiberationFaces())
        GTEST_SKIP() << "the sizes below are those of the Liberation faces";
    // Liberation Sans Bold at 14 per em: H 10, a 8, t 5, cell 16. Liberation Serif: c 7, a 6,
    // t 4, h 7, e 6, s 6, o 7, n 7, m 11, blank 4, cell 15.
    struct Row {
        const char* name;
        TextSize size;
        int width, height;
    };
    const Row rows[] = {
        {"line", MeasureTextLine(16, "Hat"), 23, 16},
        {"box lines", MeasureTextBox(16, 0, "ca\r\ncat"), 17, 30},
        // "the cat" 38 | "sat on" 34 | "a mat" 31, wrapped to 40.
        {"wrapped box", MeasureTextBox(16, 40, "the cat sat on a mat"), 38, 45},
        {"unwrapped box", MeasureTextBox(16, 0, "the cat sat on a mat"), 111, 15},
        {"empty", MeasureTextBox(16, 0, ""), 0, 0},
        {"null", MeasureTextLine(16, nullptr), 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.size.width, row.width);
        EXPECT_EQ(row.size.height, row.height);
    }
    const TextSize twice = MeasureTextLine(16, "Hat\r\nHat");
    EXPECT_EQ(twice.height, 16) << "line ends are characters in a line";
    EXPECT_GE(twice.width, 46);
    // The ink of a drawn line lies within its measured width, give or take the side bearings.
    for (const char* text : {"Hat", "Wave", "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0!"}) {
        SCOPED_TRACE(text);
        const TextSize size = MeasureTextLine(20, text);
        const auto ink = InkColumns(ScreenAfter([&] { DrawTextLine(100, 50, 20, Orange, text); }));
        EXPECT_NEAR(ink.first, 100, 2);
        EXPECT_NEAR(ink.second, 100 + size.width, 2);
    }
}

TEST(MeasureText, AlignedLinesAndBoxesLandWhereDrawTextAWouldPutThem)
{
    ASSERT_TRUE(BringUpDisplay(16));
    if (!LiberationFaces())
        GTEST_SKIP() << "the positions below are those of the Liberation faces";
    // "Hat" in bold at 16 is 23 x 16. In the rectangle x 100, width 101, y 50, height 41:
    // centred (200 + 101 - 23) / 2 = 139, the odd pixel to the right; right 201 - 23 = 178;
    // middle 50 + 20 - 8 = 62.
    struct Row {
        const char* name;
        uint32_t alignment;
        int x, y;
    };
    const Row rows[] = {
        {"left", TextAlignLeft, 100, 50},
        {"centre", TextAlignCentre, 139, 50},
        {"right", TextAlignRight, 178, 50},
        {"centre middle", TextAlignCentre | TextAlignMiddle, 139, 62},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ExpectSamePicture(ScreenAfter([&] {
                              DrawTextLineAligned(100, 50, 101, 41, 16, Orange, row.alignment, pScreenSurface, "Hat");
                          }),
                          ScreenAfter([&] { DrawTextLine(row.x, row.y, 16, Orange, "Hat"); }), "aligned-line");
    }
    // The wrapped box of three lines (45 high) centred in 40 x 100 from (10, 5): down by
    // 50 - 22 = 28, each line at (10 + 50 - w) / 2: 11, 13, 14.
    ExpectSamePicture(ScreenAfter([] {
                          DrawTextBoxAligned(10, 5, 40, 100, 16, Orange,
                                             TextAlignCentre | TextAlignMiddle | TextWrapWords,
                                             pScreenSurface, "the cat sat on a mat");
                      }),
                      ScreenAfter([] {
                          DrawTextBox(11, 33, 39, 15, 16, Orange, pScreenSurface, "the cat");
                          DrawTextBox(13, 48, 37, 15, 16, Orange, pScreenSurface, "sat on");
                          DrawTextBox(14, 63, 36, 15, 16, Orange, pScreenSurface, "a mat");
                      }),
                      "aligned-box");
}

TEST(MeasureText, BothFacesDrawIntoAnySurfaceOnlyWhileActive)
{
    ASSERT_TRUE(BringUpDisplay(16));
    IDirectDrawSurface7* surface = CreateOffscreenSurface(ScreenWidth, ScreenHeight);
    ASSERT_NE(surface, nullptr);
    const char* text = "Bold \xC6\xE8\xF0\xED\xFB\xE9";  // "Жирный"
    FillPixels(surface, TransparentColor);
    DrawTextLineOnSurface(30, 40, 24, Orange, surface, text);
    DrawTextLineAligned(0, 100, 400, 50, 24, Orange, TextAlignRight | TextAlignMiddle, surface, text);
    const Picture onScreen = ScreenAfter([&] {
        DrawTextLine(30, 40, 24, Orange, text);
        DrawTextLineAligned(0, 100, 400, 50, 24, Orange, TextAlignRight | TextAlignMiddle, pScreenSurface, text);
    });
    EXPECT_GT(onScreen.CountNot(TransparentColor), 100u);
    ExpectSamePicture(ReadPicture(surface), onScreen, "line-on-surface");

    FillPixels(surface, TransparentColor);
    AppActive = false;
    DrawTextLineOnSurface(30, 40, 24, Orange, surface, text);
    DrawTextLineAligned(0, 0, 400, 50, 24, Orange, TextAlignCentre, surface, text);
    DrawTextBoxAligned(0, 0, 400, 50, 24, Orange, TextAlignCentre, surface, text);
    AppActive = true;
    DrawTextBoxAligned(0, 0, 400, 50, 24, Orange, TextAlignCentre, surface, nullptr);
    DrawTextLineAligned(0, 0, 400, 50, 24, Orange, TextAlignCentre, nullptr, text);
    EXPECT_EQ(ReadPicture(surface).CountNot(TransparentColor), 0u) << "inactive, no text or no surface";
    surface->Release();
}
