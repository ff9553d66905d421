// layer_gdi_text_test.cpp -- fonts and text on surface DCs: cells, faces, weights, code pages,
// DrawTextA's lines, tabs, ampersands and bottom line, background modes, colours, handles and
// bad input

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "support.h"
#include "text_support.h"

namespace {

constexpr uint32_t Sentinel = 0x5A;  // a valid pixel at every depth, never a text colour here
constexpr COLORREF Orange = RGB(251, 103, 4);
constexpr UINT Format = DT_NOPREFIX | DT_EXPANDTABS;

// A display device at one depth (with a palette at 8 bits) and surfaces on it.
class Canvas {
public:
    explicit Canvas(int bits) : display_(bits, 64, 64), device_(display_.dd)
    {
        if (bits != 8)
            return;
        // Entry i is (i, 255 - i, i / 2); entry 77 is the orange exactly.
        PALETTEENTRY entries[256];
        for (int i = 0; i < 256; ++i)
            entries[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
        entries[77] = PALETTEENTRY{251, 103, 4, 0};
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        EXPECT_EQ(device_->CreateSurface(&desc, &primary_, nullptr), DD_OK);
        EXPECT_EQ(device_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette_, nullptr), DD_OK);
        EXPECT_EQ(primary_->SetPalette(palette_), DD_OK);
    }

    ~Canvas()
    {
        for (IDirectDrawSurface7* surface : surfaces_)
            surface->Release();
        if (palette_)
            palette_->Release();
        if (primary_)
            primary_->Release();
    }

    // A system-memory surface filled with Sentinel; the canvas releases it.
    IDirectDrawSurface7* Surface(int width, int height)
    {
        IDirectDrawSurface7* surface = display_.Offscreen(width, height);
        surfaces_.push_back(surface);
        FillPixels(surface, Sentinel);
        return surface;
    }

private:
    LayerDevice display_;
    IDirectDraw7* device_;
    IDirectDrawSurface7* primary_ = nullptr;
    IDirectDrawPalette* palette_ = nullptr;
    std::vector<IDirectDrawSurface7*> surfaces_;
};

// How one piece of text is drawn: the font, the call, the place.
struct Draw {
    int height = 16;
    int weight = FW_NORMAL;
    const char* face = "Times New Roman Cyr";
    DWORD charSet = ANSI_CHARSET;
    std::string text;
    RECT rect{};           // DrawTextA's rectangle; empty means TextOutA at (rect.left, rect.top)
    bool useDrawText = false;
    int mode = TRANSPARENT;
    UINT format = Format;  // DrawTextA's
};

// Draws with a white text colour (or orange) and returns DrawTextA's or TextOutA's answer.
int DrawOn(IDirectDrawSurface7* surface, const Draw& draw, COLORREF color = Orange)
{
    HDC dc = nullptr;
    EXPECT_EQ(surface->GetDC(&dc), DD_OK);
    HFONT font = MakeFont(draw.height, draw.weight, draw.face, draw.charSet);
    EXPECT_NE(font, nullptr);
    SelectObject(dc, font);
    SetTextColor(dc, color);
    SetBkColor(dc, RGB(0, 0, 255));
    SetBkMode(dc, draw.mode);
    RECT rect = draw.rect;
    const int answer = draw.useDrawText
                           ? DrawTextA(dc, draw.text.data(), static_cast<int>(draw.text.size()), &rect, draw.format)
                           : TextOutA(dc, draw.rect.left, draw.rect.top, draw.text.data(), static_cast<int>(draw.text.size()));
    surface->ReleaseDC(dc);
    EXPECT_TRUE(DeleteObject(font));
    return answer;
}

Picture Drawn(Canvas& canvas, int width, int height, const std::vector<Draw>& draws)
{
    IDirectDrawSurface7* surface = canvas.Surface(width, height);
    for (const Draw& draw : draws)
        DrawOn(surface, draw);
    return ReadPicture(surface);
}

Draw Text(const std::string& text, int x, int y, int height = 16, int weight = FW_NORMAL,
          const char* face = "Times New Roman Cyr")
{
    Draw draw;
    draw.text = text;
    draw.rect = RECT{x, y, x, y};
    draw.height = height;
    draw.weight = weight;
    draw.face = face;
    return draw;
}

Draw Box(const std::string& text, RECT rect, int height = 16)
{
    Draw draw = Text(text, rect.left, rect.top, height);
    draw.rect = rect;
    draw.useDrawText = true;
    return draw;
}

// The face a font resolves to, "Family Style"; empty when none.
std::string FaceOf(HFONT font)
{
    Canvas canvas(16);
    HDC dc = nullptr;
    EXPECT_EQ(canvas.Surface(4, 4)->GetDC(&dc), DD_OK);
    if (font)
        SelectObject(dc, font);
    std::string family, style;
    const bool known = layer_font_face(dc, &family, &style);
    return known ? family + " " + style : "";
}

// Figures in the tests below are worked out from the Liberation faces' own tables, and their
// Cyrillic letters are drawn like the Latin ones they resemble; other faces differ.
bool LiberationInstalled()
{
    return FaceOf(nullptr).rfind("Liberation Sans", 0) == 0;
}

}  // namespace

TEST(CreateFontA, FacesResolveToTheInstalledStandIns)
{
    if (!LiberationInstalled())
        GTEST_SKIP() << "fonts-liberation is not installed";
    struct Row {
        const char* face;
        int weight;
        DWORD pitchAndFamily;
        const char* expect;
    };
    const Row rows[] = {
        {"Times New Roman Cyr", FW_NORMAL, VARIABLE_PITCH, "Liberation Serif Regular"},
        {"Arial Cyr", FW_BOLD, VARIABLE_PITCH, "Liberation Sans Bold"},
        {"times new roman", FW_SEMIBOLD, VARIABLE_PITCH, "Liberation Serif Bold"},
        {"Courier New Cyr", FW_DONTCARE, VARIABLE_PITCH, "Liberation Mono Regular"},
        {"No Such Face", FW_NORMAL, VARIABLE_PITCH, "Liberation Sans Regular"},  // unknown, any family: sans
        {"No Such Face Cyr", FW_BOLD, VARIABLE_PITCH | FF_ROMAN, "Liberation Serif Bold"},
        {"No Such Face", FW_NORMAL, FIXED_PITCH, "Liberation Mono Regular"},
        {"", FW_NORMAL, FF_MODERN, "Liberation Mono Regular"},
        {nullptr, FW_NORMAL, FF_SWISS, "Liberation Sans Regular"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.face ? row.face : "(null)");
        HFONT font = MakeFont(16, row.weight, row.face, ANSI_CHARSET, row.pitchAndFamily);
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(FaceOf(font), row.expect);
        EXPECT_TRUE(DeleteObject(font));
    }
    EXPECT_EQ(FaceOf(static_cast<HFONT>(GetStockObject(SYSTEM_FONT))), "Liberation Sans Bold");
}

TEST(CreateFontA, CellHeightLineHeightAndTabStopsFollowTheFaceTables)
{
    if (!LiberationInstalled())
        GTEST_SKIP() << "fonts-liberation is not installed";
    // Liberation Serif: 2048 units per em, win ascent 1825 + descent 443 = 2268, average width
    // 1124. Height 16: 16 * 2048 / 2268 = 14.4 -> 14 pixels per em, ascent 12.5 -> 12 (halves of
    // .475 round down), descent 3.03 -> 3, cell 15, average 7.7 -> 8, tab 64. Liberation Sans Bold:
    // 1854 + 434 = 2288, average 1248; height 16: 14 per em, 12.7 -> 13 + 2.97 -> 3 = 16, average
    // 8.5 -> 9, tab 72.
    struct Row {
        const char* face;
        int weight;
        int height;
        int cell;
        int tab;
    };
    const Row rows[] = {
        {"Times New Roman Cyr", FW_NORMAL, 12, 12, 48},
        {"Times New Roman Cyr", FW_NORMAL, 15, 15, 56},
        {"Times New Roman Cyr", FW_NORMAL, 16, 15, 64},
        {"Arial Cyr", FW_BOLD, 12, 12, 56},
        {"Arial Cyr", FW_BOLD, 16, 16, 72},
        {"Times New Roman Cyr", FW_NORMAL, -14, 15, 64},  // an em height of 14
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.face << " " << row.height);
        Canvas canvas(16);
        // The opaque cell of one blank, counted down its first column.
        Draw blank = Text(" ", 0, 0, row.height, row.weight, row.face);
        blank.mode = OPAQUE;
        const Picture cell = Drawn(canvas, 8, 40, {blank});
        int rows = 0;
        while (rows < cell.height && cell.at(0, rows) != Sentinel)
            ++rows;
        EXPECT_EQ(rows, row.cell);

        Draw lines = Box("A\r\nB", RECT{3, 2, 200, 100}, row.height);
        lines.weight = row.weight;
        lines.face = row.face;
        IDirectDrawSurface7* surface = canvas.Surface(200, 100);
        EXPECT_EQ(DrawOn(surface, lines), 2 * row.cell) << "the height drawn";

        Draw tabbed = Box("\tH", RECT{3, 2, 200, 40}, row.height);
        tabbed.weight = row.weight;
        tabbed.face = row.face;
        Draw alone = Text("H", 3 + row.tab, 2, row.height, row.weight, row.face);
        ExpectSamePicture(Drawn(canvas, 200, 40, {tabbed}), Drawn(canvas, 200, 40, {alone}), "tab-stop");
    }
}

TEST(CreateFontA, BoldIsHeavierThanNormal)
{
    for (const char* face : {"Times New Roman Cyr", "Arial Cyr"}) {
        for (int height : {12, 16}) {
            SCOPED_TRACE(testing::Message() << face << " " << height);
            Canvas canvas(16);
            const Picture normal = Drawn(canvas, 120, 30, {Text("Hamburg", 0, 0, height, FW_NORMAL, face)});
            const Picture bold = Drawn(canvas, 120, 30, {Text("Hamburg", 0, 0, height, FW_BOLD, face)});
            EXPECT_GT(normal.CountNot(Sentinel), 40u);
            EXPECT_GT(bold.CountNot(Sentinel), normal.CountNot(Sentinel) * 6 / 5)
                << "bold strokes carry clearly more ink";
        }
    }
}

TEST(CreateFontA, RefusesWhatItCannotDraw)
{
    EXPECT_EQ(CreateFontA(16, 5, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 2, "Arial"), nullptr) << "width";
    EXPECT_EQ(CreateFontA(16, 0, 900, 900, 400, 0, 0, 0, 0, 0, 0, 0, 2, "Arial"), nullptr) << "rotation";
    EXPECT_EQ(CreateFontA(16, 0, 0, 0, 400, 1, 0, 0, 0, 0, 0, 0, 2, "Arial"), nullptr) << "italic";
    EXPECT_EQ(CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 2, "Arial"), nullptr);
    EXPECT_EQ(CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, ANTIALIASED_QUALITY, 2, "Arial"), nullptr);
    EXPECT_EQ(CreateFontA(16, 0, 0, 0, 1001, 0, 0, 0, 0, 0, 0, 0, 2, "Arial"), nullptr);
    HFONT font = CreateFontA(0, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0, nullptr);
    EXPECT_NE(font, nullptr) << "every default";
    DeleteObject(font);
    layer_fail_call("CreateFontA");
    EXPECT_EQ(MakeFont(16, FW_NORMAL, "Arial"), nullptr);
}

TEST(TextOutA, CyrillicBytesDrawTheCyrillicLetters)
{
    if (!LiberationInstalled())
        GTEST_SKIP() << "fonts-liberation is not installed";
    // Cyrillic letters that share their shape with a Latin one draw exactly its pixels; with the
    // ANSI character set and no " Cyr" the same byte is a Latin-1 letter instead.
    const std::pair<const char*, const char*> lookalikes[] = {
        {"\xC0", "A"}, {"\xC2", "B"}, {"\xC5", "E"}, {"\xCC", "M"}, {"\xCD", "H"}, {"\xCE", "O"},
        {"\xD0", "P"}, {"\xD1", "C"}, {"\xD2", "T"}, {"\xD5", "X"}, {"\xE0", "a"}, {"\xE5", "e"},
        {"\xEE", "o"}, {"\xF0", "p"}, {"\xF1", "c"}, {"\xF3", "y"}, {"\xF5", "x"},
    };
    Canvas canvas(16);
    for (const char* face : {"Times New Roman Cyr", "Arial Cyr"}) {
        for (int weight : {FW_NORMAL, FW_BOLD}) {
            for (const auto& pair : lookalikes) {
                SCOPED_TRACE(testing::Message() << face << " " << weight << " " << pair.second);
                const Picture cyrillic = Drawn(canvas, 30, 24, {Text(pair.first, 4, 2, 16, weight, face)});
                EXPECT_GT(cyrillic.CountNot(Sentinel), 0u);
                ExpectSamePicture(cyrillic, Drawn(canvas, 30, 24, {Text(pair.second, 4, 2, 16, weight, face)}), "lookalike");
            }
        }
    }
    const Picture latin1 = Drawn(canvas, 30, 24, {Text("\xC0", 4, 2, 16, FW_NORMAL, "Times New Roman")});
    EXPECT_NE(latin1, Drawn(canvas, 30, 24, {Text("A", 4, 2, 16, FW_NORMAL, "Times New Roman")}))
        << "0xC0 is A with a grave accent in Windows-1252";
}

TEST(TextOutA, GlyphInkIsCutToTheCell)
{
    if (!LiberationInstalled())
        GTEST_SKIP() << "fonts-liberation is not installed";
    // 12-pixel bold Arial Cyr is Liberation Sans Bold at 11 pixels per em (see the tests above):
    // ascent 10, descent 2. Each glyph draws FreeType's bitmap of it, pen at x 8 and baseline at
    // y 18, less the rows above y 8 and from y 20 down.
    constexpr int Left = 8, Top = 8, Ascent = 10, Descent = 2;
    Canvas canvas(32);
    size_t cut = 0;
    for (char ch : std::string("pgjqy[]")) {
        SCOPED_TRACE(ch);
        const auto ink = FreeTypeInk("Liberation Sans", "Bold", 11, ch);
        ASSERT_FALSE(ink.empty());
        const Picture drawn = Drawn(canvas, 30, 30, {Text(std::string(1, ch), Left, Top, 12, FW_BOLD, "Arial Cyr")});
        Picture expected = drawn;
        std::fill(expected.pixels.begin(), expected.pixels.end(), Sentinel);
        for (const auto& [x, y] : ink) {
            if (y > -Descent && y <= Ascent)
                expected.at(Left + x, Top + Ascent - y) = 0x00FB6704;  // orange at 32 bits
            else
                ++cut;
        }
        ExpectSamePicture(drawn, expected, "glyph-in-cell");
    }
    EXPECT_GT(cut, 0u) << "the descenders reach below the cell, so some ink is cut";
}

TEST(TextOutA, TransparentTouchesOnlyGlyphsAndOpaqueFillsTheCellInTheConvertedColours)
{
    struct Row {
        int bits;
        uint32_t text;        // orange as GDI converts it
        uint32_t background;  // blue
    };
    const Row rows[] = {
        {32, 0x00FB6704, 0x000000FF},
        {16, 0xFB20, 0x001F},  // 5-6-5, truncated
        {8, 77, 170},          // the exact entry; (0, 0, 255) is nearest to entry 170 (170, 85, 85)
    };
    std::string everyByte;
    for (int byte = 255; byte >= 0; --byte)
        everyByte += static_cast<char>(byte);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.bits << " bits");
        Canvas canvas(row.bits);
        const Picture transparent = Drawn(canvas, 200, 30, {Text(everyByte, -5, 3)});
        size_t ink = 0;
        for (int y = 0; y < transparent.height; ++y)
            for (int x = 0; x < transparent.width; ++x) {
                const uint32_t pixel = transparent.at(x, y);
                ASSERT_TRUE(pixel == Sentinel || pixel == row.text) << "pixel (" << x << ", " << y << ")";
                ink += pixel == row.text;
            }
        EXPECT_GT(ink, 200u);

        Draw opaque = Text("\xC6\xE8\xF2\xFC", 5, 3);  // "Жить"
        opaque.mode = OPAQUE;
        const Picture box = Drawn(canvas, 200, 30, {opaque});
        int right = 5;
        while (box.at(right, 3) != Sentinel)
            ++right;
        int bottom = 3;
        while (box.at(5, bottom) != Sentinel)
            ++bottom;
        EXPECT_GT(right, 30);
        EXPECT_GE(bottom - 3, 14);
        for (int y = 0; y < box.height; ++y)
            for (int x = 0; x < box.width; ++x) {
                const bool inCell = x >= 5 && x < right && y >= 3 && y < bottom;
                const uint32_t pixel = box.at(x, y);
                if (inCell)
                    ASSERT_TRUE(pixel == row.background || pixel == row.text) << "pixel (" << x << ", " << y << ")";
                else
                    ASSERT_EQ(pixel, Sentinel) << "pixel (" << x << ", " << y << ")";
            }
    }
}

TEST(DrawTextA, BreaksLinesOnlyAtLineEnds)
{
    if (!LiberationInstalled())
        GTEST_SKIP() << "fonts-liberation is not installed";
    struct Row {
        const char* name;
        const char* text;
        int lineOfB;  // line of "B", counted from 0; -1 when "B" does not start a line
    };
    const Row rows[] = {
        {"CR LF", "A\r\nB", 1},     {"LF CR", "A\n\rB", 1},   {"lone CR", "A\rB", 1},
        {"lone LF", "A\nB", 1},     {"CR CR", "A\r\rB", 2},   {"LF LF", "A\n\nB", 2},
        {"two CR LF", "A\r\n\r\nB", 2}, {"LF CR LF", "A\n\r\nB", 2}, {"CR LF LF", "A\r\n\nB", 2},
        {"leading CR LF", "\r\nB", 1},
    };
    Canvas canvas(16);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const RECT rect{4, 3, 150, 100};
        const std::string first = row.text[0] == 'A' ? "A" : "";
        const int cell = 15;  // Times New Roman Cyr at 16
        ExpectSamePicture(Drawn(canvas, 150, 100, {Box(row.text, rect)}),
                          Drawn(canvas, 150, 100, {Text(first, 4, 3), Text("B", 4, 3 + cell * row.lineOfB)}),
                          "line-ends");
    }
}

TEST(DrawTextA, TabsStopAtMultiplesOfEightAverageWidthsFromTheLeftEdge)
{
    if (!LiberationInstalled())
        GTEST_SKIP() << "fonts-liberation is not installed";
    // Times New Roman Cyr at 16: average width 8, so stops every 64 pixels; a blank is 4 wide.
    struct Row {
        const char* name;
        std::string text;
        int xOfX;  // from the rectangle's left edge
    };
    const Row rows[] = {
        {"one tab", "\tX", 64},
        {"two tabs", "\t\tX", 128},
        {"text before the stop", "ab\tX", 64},
        {"text exactly at a stop", std::string(16, ' ') + "\tX", 128},
        {"ampersands", "&&\t&X", 64},
    };
    Canvas canvas(16);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string after = row.text.substr(row.text.rfind('\t') + 1);
        const std::string before = row.text.substr(0, row.text.find('\t'));
        ExpectSamePicture(Drawn(canvas, 220, 20, {Box(row.text, RECT{7, 1, 220, 20})}),
                          Drawn(canvas, 220, 20, {Text(before, 7, 1), Text(after, 7 + row.xOfX, 1)}),
                          "tabs");
    }
}

TEST(DrawTextA, StopsAfterTheLineCrossingTheBottomAndKeepsToTheSurface)
{
    if (!LiberationInstalled())
        GTEST_SKIP() << "fonts-liberation is not installed";
    Canvas canvas(32);
    IDirectDrawSurface7* surface = canvas.Surface(120, 90);
    const RECT cut{10, 5, 70, 5 + 37};  // two and a half lines of 15
    EXPECT_EQ(DrawOn(surface, Box("first\r\nsecond\r\nthird\r\nfourth\r\nfifth", cut)), 45)
        << "three lines processed";
    // A rectangle reaching past every edge of the surface is cut by the surface.
    ExpectSamePicture(Drawn(canvas, 60, 30, {Box("Wide\r\nlines", RECT{-9, -4, 5000, 5000})}),
                      Drawn(canvas, 60, 30, {Text("Wide", -9, -4), Text("lines", -9, 11)}), "past-the-edges");
}

TEST(DrawTextA, EmptyRectanglesAndEmptyTextsDrawNothing)
{
    Canvas canvas(16);
    IDirectDrawSurface7* surface = canvas.Surface(60, 40);
    const RECT rects[] = {{5, 5, 5, 30}, {5, 5, 50, 5}, {50, 30, 5, 5}, {70, 5, 90, 30}};
    for (const RECT& rect : rects) {
        SCOPED_TRACE(testing::Message() << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom);
        EXPECT_NE(DrawOn(surface, Box("Text\r\nmore", rect)), 0) << "the first line is still processed";
    }
    Draw empty = Box("", RECT{0, 0, 60, 40});
    EXPECT_EQ(DrawOn(surface, empty), 0);
    EXPECT_EQ(ReadPicture(surface).CountNot(Sentinel), 0u);

    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    RECT rect{0, 0, 60, 40};
    EXPECT_EQ(DrawTextA(dc, "ab", -1, &rect, Format), 16) << "-1: up to the zero, in the default font's cell";
    EXPECT_EQ(DrawTextA(dc, "ab", -2, &rect, Format), 0);
    EXPECT_EQ(DrawTextA(dc, "ab", 2, nullptr, Format), 0);
    EXPECT_EQ(DrawTextA(dc, "ab", 2, &rect, DT_NOPREFIX | DT_EDITCONTROL), 0) << "refused";
    EXPECT_EQ(DrawTextA(dc, "ab", 2, &rect, DT_EXPANDTABS | DT_TABSTOP), 0) << "refused";
    EXPECT_EQ(DrawTextA(dc, "", -1, &rect, Format), 16) << "the empty text is one line high";
    EXPECT_EQ(DrawTextA(dc, nullptr, -1, &rect, Format), 16) << "null with -1 is the empty text";
    EXPECT_EQ(DrawTextA(dc, nullptr, 1, &rect, Format), 0);
    surface->ReleaseDC(dc);
}

TEST(GdiHandles, StaleAndForeignHandlesFailWithoutHarm)
{
    Canvas canvas(16);
    IDirectDrawSurface7* surface = canvas.Surface(40, 20);
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    EXPECT_EQ(SetTextColor(dc, Orange), RGB(0, 0, 0)) << "a new DC draws black text";
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc, 3), 0);

    HFONT font = MakeFont(16, FW_NORMAL, "Arial Cyr");
    HGDIOBJ stock = GetStockObject(SYSTEM_FONT);
    EXPECT_EQ(SelectObject(dc, font), stock);
    EXPECT_FALSE(DeleteObject(font)) << "still selected";
    EXPECT_EQ(SelectObject(dc, stock), font);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font)) << "already deleted";
    HFONT next = MakeFont(12, FW_BOLD, "Arial Cyr");  // may take the deleted font's place
    EXPECT_EQ(SelectObject(dc, font), nullptr) << "a stale handle is not its successor";
    EXPECT_EQ(SelectObject(dc, next), stock);
    EXPECT_TRUE(DeleteObject(stock)) << "deleting a stock object is harmless";
    EXPECT_TRUE(TextOutA(dc, 0, 0, "ok", 2));

    int local = 0;
    HDC foreign = reinterpret_cast<HDC>(&local);
    EXPECT_FALSE(TextOutA(foreign, 0, 0, "x", 1));
    EXPECT_EQ(SetBkColor(foreign, 0), CLR_INVALID);
    EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(&local)), nullptr);
    EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(0x1234)), nullptr);
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(dc))) << "a DC is not deleted this way";

    ASSERT_EQ(surface->ReleaseDC(dc), DD_OK);
    EXPECT_TRUE(DeleteObject(next)) << "the released DC let go of its font";
    RECT rect{0, 0, 40, 20};
    EXPECT_FALSE(TextOutA(dc, 0, 0, "x", 1)) << "a released DC";
    EXPECT_EQ(DrawTextA(dc, "x", 1, &rect, Format), 0);
    EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
    EXPECT_EQ(SelectObject(dc, stock), nullptr);
}

TEST(GdiText, AnyBytesStayInsideTheRectangleAndTheSurface)
{
    std::mt19937 random(20240607);
    const int heights[] = {1, 12, 16, 0, -20, 90, 5000, -100000};
    const RECT rects[] = {{0, 0, 50, 30}, {-20, -20, 10, 10}, {40, 25, 90, 90}, {10, 10, 11, 11},
                          {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {INT32_MAX - 5, 0, INT32_MAX, 30}};
    for (int bits : {8, 16, 32}) {
        Canvas canvas(bits);
        for (int height : heights) {
            for (const RECT& rect : rects) {
                SCOPED_TRACE(testing::Message() << bits << " bits, height " << height << ", rect "
                                                << rect.left << "," << rect.top);
                std::string text(random() % 3000, '\0');
                for (char& c : text)
                    c = static_cast<char>(random() % 4 == 0 ? "\r\n\t&"[random() % 4] : random());
                IDirectDrawSurface7* surface = canvas.Surface(50, 30);
                Draw box = Box(text, rect, height);
                box.mode = random() % 2 ? OPAQUE : TRANSPARENT;
                // Any clipped layout: alignment, word breaks, single lines, prefixes, ellipses.
                box.format = random() & (DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_WORDBREAK |
                                         DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX | DT_END_ELLIPSIS);
                DrawOn(surface, box);
                const Picture picture = ReadPicture(surface);
                for (int y = 0; y < 30; ++y) {
                    for (int x = 0; x < 50; ++x) {
                        const bool outside = x < rect.left || x >= rect.right || y < rect.top || y >= rect.bottom;
                        ASSERT_TRUE(!outside || picture.at(x, y) == Sentinel) << "pixel (" << x << ", " << y << ")";
                    }
                }
                // TextOutA has no rectangle: what it draws stays on the line that starts at
                // (left, top), no taller than twice the font's height and no longer than that per
                // character, give or take the pixel by which a glyph may reach past its cell.
                const Picture before = ReadPicture(surface);
                Draw line = Text(text, rect.left, rect.top, height);
                line.mode = box.mode;
                EXPECT_TRUE(DrawOn(surface, line));
                const Picture after = ReadPicture(surface);
                const int64_t left = rect.left, top = rect.top;
                const int64_t reach = 2 * std::max(std::abs(int64_t{height}), int64_t{16});
                for (int y = 0; y < 30; ++y)
                    for (int x = 0; x < 50; ++x) {
                        const bool onLine = y >= top - 1 && y < top + reach && x >= left - 1 &&
                                            x < left + int64_t(text.size()) * reach;
                        ASSERT_TRUE(onLine || after.at(x, y) == before.at(x, y)) << "pixel (" << x << ", " << y << ")";
                    }
            }
        }
    }
}
