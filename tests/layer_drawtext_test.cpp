// layer_drawtext_test.cpp -- DrawTextA's formats for games: the rectangles DT_CALCRECT writes and
// the values returned, word breaks, alignment and its odd leftover, prefixes and their underline,
// the end ellipsis; GetTextExtentPoint32A and GetTextMetricsA
//
// Every figure is worked out by hand from the advances FreeType gives the Liberation faces at 14
// pixels per em (the size of a 16-pixel cell request, see CreateFontA's tests), hinted as the
// platform hints. Liberation Serif: a 6, c 7, e 6, h 7, m 11, n 7, o 7, s 6, t 4, w 11, H 9,
// '&' 11, ' ' 4, '.' 4; cell 15, ascent 12, average width 8. Liberation Sans Bold: a 8, t 5, H 10;
// cell 16. Where the platform's documentation is silent the rule is Wine's, and says so.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support.h"
#include "text_support.h"

namespace {

constexpr uint32_t Sentinel = 0x5A;
constexpr COLORREF Orange = RGB(251, 103, 4);
constexpr uint32_t Orange565 = 0xFB20;  // (251 & 0xF8) << 8 | (103 & 0xFC) << 3 | 4 >> 3
constexpr int Cell = 15;                 // Times New Roman Cyr at 16

bool SerifInstalled()
{
    LayerDevice display(16);
    IDirectDrawSurface7* surface = display.Offscreen(8, 8);
    HDC dc = nullptr;
    std::string family;
    if (surface->GetDC(&dc) == DD_OK) {
        HFONT font = MakeFont(16, FW_NORMAL, "Times New Roman Cyr");
        SelectObject(dc, font);
        layer_font_face(dc, &family, nullptr);
        surface->ReleaseDC(dc);
        DeleteObject(font);
    }
    surface->Release();
    return family == "Liberation Serif";
}

// A 16-bit surface filled with Sentinel, and its DC with the serif face at 16 in orange over a
// transparent background.
class Page {
public:
    Page(int width, int height, const char* face = "Times New Roman Cyr", int weight = FW_NORMAL)
        : display_(16, width, height)
    {
        surface_ = display_.Offscreen(width, height);
        FillPixels(surface_, Sentinel);
        EXPECT_EQ(surface_->GetDC(&dc), DD_OK);
        font_ = MakeFont(16, weight, face);
        SelectObject(dc, font_);
        SetTextColor(dc, Orange);
        SetBkMode(dc, TRANSPARENT);
    }
    ~Page()
    {
        if (dc)
            surface_->ReleaseDC(dc);
        DeleteObject(font_);
        surface_->Release();
    }
    // The pixels, with the DC given back and taken again around the read.
    Picture Read()
    {
        surface_->ReleaseDC(dc);
        Picture picture = ReadPicture(surface_);
        surface_->GetDC(&dc);
        return picture;
    }

    HDC dc = nullptr;

private:
    LayerDevice display_;
    IDirectDrawSurface7* surface_ = nullptr;
    HFONT font_ = nullptr;
};

struct Placed {
    std::string text;
    int x, y;
};

// What TextOutA draws of each piece at its place: the picture DrawTextA must match.
Picture Expected(int width, int height, const std::vector<Placed>& pieces)
{
    Page page(width, height);
    for (const Placed& piece : pieces)
        TextOutA(page.dc, piece.x, piece.y, piece.text.data(), static_cast<int>(piece.text.size()));
    return page.Read();
}

Picture DrawnBy(int width, int height, const std::string& text, RECT rect, UINT format)
{
    Page page(width, height);
    DrawTextA(page.dc, text.data(), static_cast<int>(text.size()), &rect, format);
    return page.Read();
}

}  // namespace

TEST(DrawTextFormats, CalcRectWritesTheLaidOutSizeAndReturnsTheHeight)
{
    if (!SerifInstalled())
        GTEST_SKIP() << "fonts-liberation is not installed";
    struct Row {
        const char* name;
        std::string text;
        RECT rect;
        UINT format;
        RECT expect;
        int answer;
    };
    const UINT Calc = DT_CALCRECT | DT_NOPREFIX;
    const Row rows[] = {
        // H 9 + a 6 + t 4.
        {"one line", "Hat", {10, 20, 10, 20}, Calc | DT_SINGLELINE, {10, 20, 29, 35}, Cell},
        {"two lines, the wider counts", "ca\r\ncat", {10, 20, 11, 21}, Calc, {10, 20, 27, 50}, 2 * Cell},
        // "Abc&d" without the prefix: A 9 + b 7 + c 7 + & 11 + d 7; with DT_NOPREFIX all seven.
        {"prefixes", "A&bc&&d", {0, 0, 0, 0}, DT_CALCRECT | DT_SINGLELINE, {0, 0, 41, Cell}, Cell},
        {"no prefixes", "A&bc&&d", {0, 0, 0, 0}, Calc | DT_SINGLELINE, {0, 0, 63, Cell}, Cell},
        // a 6, then the tab to the first stop at 8 x 8, then t 4.
        {"tab expanded", "a\tt", {5, 0, 5, 0}, Calc | DT_EXPANDTABS, {5, 0, 73, Cell}, Cell},
        // Words are not split: "line1 line2" in a 1-pixel rectangle is two lines (Wine's tests).
        {"one word a line", "hat cat", {0, 0, 1, 0}, Calc | DT_WORDBREAK, {0, 0, 17, 2 * Cell}, 2 * Cell},
        // A word wider than the line runs past it: w 11 h 7 a 6 t 4 n 7 o 7 t 4 = 46 > 30.
        {"word wider than the line", "at whatnot a", {0, 0, 30, 0}, Calc | DT_WORDBREAK, {0, 0, 46, 3 * Cell}, 3 * Cell},
        // Two spaces, the second passing 24: left-aligned keeps the first, centred drops it too.
        {"spaces kept on the left", "the  cat", {0, 0, 24, 0}, Calc | DT_WORDBREAK, {0, 0, 21, 2 * Cell}, 2 * Cell},
        {"one space fewer centred", "the  cat", {0, 0, 24, 0}, Calc | DT_WORDBREAK | DT_CENTER, {0, 0, 17, 2 * Cell}, 2 * Cell},
        // Three spaces: the one passing the edge is dropped, the third begins the next line.
        {"further spaces begin the line", "the   cat", {0, 0, 24, 0}, Calc | DT_WORDBREAK | DT_CENTER, {0, 0, 21, 2 * Cell}, 2 * Cell},
        // A 25-high rectangle: 25 / 2 - 15 / 2 = 12 - 7 = 5 (Wine), so the line ends at 20.
        {"centred vertically", "Hat", {0, 0, 100, 25}, Calc | DT_SINGLELINE | DT_VCENTER, {0, 0, 19, 20}, 20},
        {"at the bottom", "Hat", {0, 0, 100, 25}, Calc | DT_SINGLELINE | DT_BOTTOM, {0, 0, 19, 25}, 25},
        // The bottom line of a 0-high rectangle ends at its top: 1, not 0 (Wine's tests).
        {"offset zero answers 1", "Hat", {0, 0, 100, 0}, Calc | DT_SINGLELINE | DT_BOTTOM, {0, 0, 19, 0}, 1},
        // The text and "..." in 30: t h e (17) + 3 x 4 fits, with the blank (21) it would not.
        {"end ellipsis", "the cat sat", {0, 0, 30, 0}, Calc | DT_SINGLELINE | DT_END_ELLIPSIS, {0, 0, 29, Cell}, Cell},
        {"ellipsis only when cut", "the", {0, 0, 30, 0}, Calc | DT_SINGLELINE | DT_END_ELLIPSIS, {0, 0, 17, Cell}, Cell},
        // The empty text with -1 is one line high yet measures empty unless single-line.
        {"empty text", "", {3, 4, 50, 60}, Calc, {3, 4, 3, 4}, Cell},
        {"empty single line", "", {3, 4, 50, 60}, Calc | DT_SINGLELINE, {3, 4, 3, 4 + Cell}, Cell},
    };
    Page page(8, 8);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RECT rect = row.rect;
        const int count = row.text.empty() ? -1 : static_cast<int>(row.text.size());
        EXPECT_EQ(DrawTextA(page.dc, row.text.c_str(), count, &rect, row.format), row.answer);
        EXPECT_EQ(rect.left, row.expect.left);
        EXPECT_EQ(rect.top, row.expect.top);
        EXPECT_EQ(rect.right, row.expect.right);
        EXPECT_EQ(rect.bottom, row.expect.bottom);
    }
    EXPECT_EQ(page.Read().CountNot(Sentinel), 0u) << "measuring draws nothing";
}

TEST(DrawTextFormats, LinesLandWhereTheirAlignmentAndBreaksPutThem)
{
    if (!SerifInstalled())
        GTEST_SKIP() << "fonts-liberation is not installed";
    // "the cat sat on a mat" in 40 pixels from x 10: "the cat" 38 (the blank after it would pass),
    // "sat on" 34 (s 6 a 6 t 4 + 4 + o 7 n 7; "a" would pass), "a mat" 31. Centred at
    // (10 + 50 - w) / 2: 11, 13 and 14, the odd leftover of 29 going to the right.
    struct Row {
        const char* name;
        std::string text;
        RECT rect;
        UINT format;
        std::vector<Placed> expect;
    };
    const UINT Wrap = DT_NOPREFIX | DT_WORDBREAK;
    const Row rows[] = {
        {"wrapped", "the cat sat on a mat", {10, 5, 50, 100}, Wrap,
         {{"the cat", 10, 5}, {"sat on", 10, 20}, {"a mat", 10, 35}}},
        {"line end inside", "the cat\r\nsat on a mat", {10, 5, 50, 100}, Wrap,
         {{"the cat", 10, 5}, {"sat on", 10, 20}, {"a mat", 10, 35}}},
        {"wrapped and centred", "the cat sat on a mat", {10, 5, 50, 100}, Wrap | DT_CENTER,
         {{"the cat", 11, 5}, {"sat on", 13, 20}, {"a mat", 14, 35}}},
        {"right-aligned", "the cat sat on a mat", {10, 5, 50, 100}, Wrap | DT_RIGHT,
         {{"the cat", 12, 5}, {"sat on", 16, 20}, {"a mat", 19, 35}}},
        // (0 + 40 - 19) / 2 = 10; a 30-high rectangle: 15 - 7 = 8.
        {"centred both ways", "Hat", {0, 0, 40, 30}, DT_NOPREFIX | DT_SINGLELINE | DT_CENTER | DT_VCENTER,
         {{"Hat", 10, 8}}},
        {"bottom right", "Hat", {0, 0, 40, 30}, DT_NOPREFIX | DT_SINGLELINE | DT_RIGHT | DT_BOTTOM,
         {{"Hat", 21, 15}}},
        // Single lines draw line ends as characters (Wine; what Windows shows is unconfirmed).
        {"single line", "a\nb", {0, 0, 60, 30}, DT_NOPREFIX | DT_SINGLELINE, {{"a\nb", 0, 0}}},
        {"doubled prefix", "a&&b", {2, 3, 60, 30}, DT_SINGLELINE, {{"a&b", 2, 3}}},
        {"ellipsis drawn", "the cat sat", {0, 0, 30, 30}, DT_NOPREFIX | DT_SINGLELINE | DT_END_ELLIPSIS,
         {{"the...", 0, 0}}},
        // Unclipped, a line runs on past a rectangle too small for it.
        {"no clip", "the cat", {4, 4, 6, 6}, DT_NOPREFIX | DT_NOCLIP, {{"the cat", 4, 4}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ExpectSamePicture(DrawnBy(70, 60, row.text, row.rect, row.format), Expected(70, 60, row.expect),
                          "drawtext-placed");
    }
}

TEST(DrawTextFormats, APrefixUnderlinesItsCharacterOnePixelBelowTheBaseline)
{
    if (!SerifInstalled())
        GTEST_SKIP() << "fonts-liberation is not installed";
    // "&Hat" at (2, 1) draws "Hat" there and a line at 1 + 12 + 1 = 14 from x 2 up to the
    // H's advance less one, x 10 (Wine draws it so; Windows' exact span is unconfirmed).
    Picture expected = Expected(40, 20, {{"Hat", 2, 1}});
    for (int x = 2; x <= 9; ++x)
        expected.at(x, 14) = Orange565;
    ExpectSamePicture(DrawnBy(40, 20, "&Hat", RECT{2, 1, 40, 20}, 0), expected, "drawtext-underline");
    // Cut to the rectangle like the text.
    const Picture drawn = DrawnBy(40, 20, "&Hat", RECT{2, 1, 40, 14}, 0);
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(drawn.at(x, 14), Sentinel) << "x " << x;
}

TEST(DrawTextFormats, ExtentsAndMetricsFollowTheFaceTables)
{
    if (!SerifInstalled())
        GTEST_SKIP() << "fonts-liberation is not installed";
    struct Row {
        const char* face;
        int weight;
        const char* text;
        SIZE extent;
    };
    const Row rows[] = {
        {"Times New Roman Cyr", FW_NORMAL, "Hat", {19, 15}},
        {"Times New Roman Cyr", FW_NORMAL, "", {0, 15}},
        {"Arial Cyr", FW_BOLD, "Hat", {23, 16}},  // H 10 + a 8 + t 5
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.face);
        Page page(8, 8, row.face, row.weight);
        SIZE size{-1, -1};
        EXPECT_TRUE(GetTextExtentPoint32A(page.dc, row.text, static_cast<int>(strlen(row.text)), &size));
        EXPECT_EQ(size.cx, row.extent.cx);
        EXPECT_EQ(size.cy, row.extent.cy);
    }
    Page page(8, 8);
    // Liberation Serif, 14 per em of 2048: ascent 1825 -> 12, descent 443 -> 3, average 1124 -> 8,
    // internal leading (2268 - 2048) x 14 / 2048 = 1.5 -> 2.
    TEXTMETRICA metrics{};
    ASSERT_TRUE(GetTextMetricsA(page.dc, &metrics));
    EXPECT_EQ(metrics.tmHeight, 15);
    EXPECT_EQ(metrics.tmAscent, 12);
    EXPECT_EQ(metrics.tmDescent, 3);
    EXPECT_EQ(metrics.tmAveCharWidth, 8);
    EXPECT_EQ(metrics.tmInternalLeading, 2);
    EXPECT_EQ(metrics.tmWeight, FW_NORMAL);
    EXPECT_EQ(metrics.tmCharSet, RUSSIAN_CHARSET) << "a Cyr face is the Cyrillic character set";
    EXPECT_GE(metrics.tmMaxCharWidth, 13) << "at least the W's advance";

    SIZE size{};
    EXPECT_FALSE(GetTextExtentPoint32A(page.dc, "a", -1, &size));
    EXPECT_FALSE(GetTextExtentPoint32A(page.dc, nullptr, 2, &size));
    EXPECT_FALSE(GetTextMetricsA(page.dc, nullptr));
    int local = 0;
    EXPECT_FALSE(GetTextMetricsA(reinterpret_cast<HDC>(&local), &metrics));
}
