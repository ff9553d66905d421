// scene_test.cpp -- the demonstration scene: its motions, its status line, the first frame
// checked pixel by pixel where the font does not matter and by the places of the glyphs where it
// does, the text file in its bad forms, and the text surface brought back after a loss

#include <gtest/gtest.h>

#include <cstring>

#include "input_support.h"
#include "draw/draw.h"
#include "input/input.h"
#include "scene/scene.h"

namespace {

// 16-bit pixels of the scene's colours.
constexpr uint32_t Dark = 0x0861;    // 15, 15, 15
constexpr uint32_t White = 0xFFFF;
constexpr uint32_t Cyan = 0x07FF;    // the text in the frame
constexpr uint32_t Orange = 0xFB20;  // the scrolling text
constexpr uint32_t Yellow = 0xFFE5;  // the status line: 255, 255, 40

// Brings the display up at 16 bits in a scratch directory holding text as text.txt (none when
// text is null), and prepares the scene.
struct Scene {
    ScratchDirectory dir;
    explicit Scene(const std::vector<uint8_t>* text)
    {
        if (text)
            WriteBytes("text.txt", *text);
        EXPECT_TRUE(BringUpDisplay(16));
        InitScene();
    }
    ~Scene() { ReleaseScene(); }
};

std::vector<uint8_t> Text(const char* text) { return std::vector<uint8_t>(text, text + strlen(text)); }

const std::vector<uint8_t> SampleText =
    Text("First line of the text\r\nSecond line\r\n\xD2\xF0\xE5\xF2\xFC\xFF \xF1\xF2\xF0\xEE\xEA\xE0\r\n"
         "Tab:\there & ampersand\r\n");

struct Box {
    int left, top, right, bottom;  // right and bottom exclusive
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Reads the whole screen surface.
std::vector<uint16_t> Screen()
{
    std::vector<uint16_t> pixels(800 * 600);
    auto* memory = static_cast<uint16_t*>(LockSurfaceMemory(pScreenSurface));
    EXPECT_NE(memory, nullptr);
    memcpy(pixels.data(), memory, pixels.size() * 2);
    UnlockSurfaceMemory(pScreenSurface);
    return pixels;
}

// Expects the frame just drawn to show line as its status line: the same pixels as line drawn
// alone on the cleared screen.
void ExpectStatusLine(const char* line)
{
    const std::vector<uint16_t> drawn = Screen();
    FillScreenRect(0, 0, 800, 600, ColorDark);
    DrawTextLine(30, 15, 12, 0x0028FFFF, line);
    const std::vector<uint16_t> expected = Screen();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 300; ++x)
            ASSERT_EQ(drawn[y * 800 + x], expected[y * 800 + x]) << "pixel (" << x << ", " << y << ")";
}

}  // namespace

TEST(Scene, MotionsFollowTheFrameCount)
{
    Scene scene(&SampleText);
    struct Check {
        int frame;
        int32_t boxSize;
        bool growing;
        int32_t scrollY;
        bool down;
    };
    const Check checks[] = {
        {1, -1, true, -1, false},    {2, 0, true, -2, false},      {303, 301, false, -303, false},
        {605, -1, true, -605, false}, {801, 195, true, -801, true}, {907, 301, false, -695, true},
        {1703, 109, false, 101, false}, {1805, 7, false, -1, false},
    };
    int frame = 0;
    for (const Check& check : checks) {
        while (frame < check.frame) {
            DrawScene();
            ++frame;
        }
        SCOPED_TRACE(testing::Message() << "frame " << frame);
        EXPECT_EQ(BoxSize, check.boxSize);
        EXPECT_EQ(BoxGrowing, check.growing);
        EXPECT_EQ(ScrollY, check.scrollY);
        EXPECT_EQ(ScrollDown, check.down);
    }
}

TEST(Scene, FirstFrameLaysItsPartsOutWhereTheyBelong)
{
    Scene scene(&SampleText);
    DrawScene();
    const std::vector<uint16_t> screen = Screen();
    // The frame is 401 x 501 at (30, 30) in the first frame; the text surface's top is at row -1.
    const Box frame{30, 30, 431, 531};
    const Box scroll{300, 0, 750, 799};
    const Box status{30, 15, 800, 30};  // the cell and the descenders that hang below it
    int counts[5] = {};
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            const uint32_t pixel = screen[y * 800 + x];
            const bool onFrameEdge = frame.contains(x, y) && (x == 30 || x == 430 || y == 30 || y == 530);
            if (onFrameEdge && !scroll.contains(x, y)) {
                // The box's text starts on the frame's own first row and column.
                ASSERT_TRUE(pixel == White || pixel == Cyan) << "frame edge at (" << x << ", " << y << ")";
                continue;
            }
            if (pixel == Dark || (pixel == White && onFrameEdge))
                continue;
            if (pixel == Orange) {
                ++counts[0];
                ASSERT_TRUE(scroll.contains(x, y) && x >= 310) << "orange at (" << x << ", " << y << ")";
            } else if (pixel == Cyan) {
                ++counts[1];
                ASSERT_TRUE(frame.contains(x, y)) << "cyan at (" << x << ", " << y << ")";
            } else if (pixel == Yellow) {
                ++counts[2];
                ASSERT_TRUE(status.contains(x, y)) << "yellow at (" << x << ", " << y << ")";
            } else {
                FAIL() << "pixel (" << x << ", " << y << ") is 0x" << std::hex << pixel;
            }
        }
    }
    EXPECT_GT(counts[0], 100) << "the scrolling text is there";
    EXPECT_GT(counts[1], 100) << "the text in the frame is there";
    EXPECT_GT(counts[2], 50) << "the status line is there";
    LayerPicture picture;
    ASSERT_TRUE(layer_window_picture(&picture));
    EXPECT_EQ(picture.at(5, 5), 0x080C08u) << "the frame reached the window";
}

TEST(Scene, StatusLineReadsDepthAndRateAndTheJoystick)
{
    for (bool joystick : {false, true}) {
        SCOPED_TRACE(joystick ? "with a joystick" : "without a joystick");
        VirtualStick stick;
        if (joystick && (!NoRealControllers() || !stick.ready()))
            GTEST_SKIP() << "no virtual joystick here";
        Scene scene(&SampleText);
        if (joystick) {
            ASSERT_EQ(InitDirectInput(hMainWindow), 1);
            JoystickPresent = true;
        }
        DrawScene();
        ExpectStatusLine(joystick ? "16 Fps - 000 joystick" : "16 Fps - 000");
        ReleaseDirectInput();
        ReleaseScene();  // the text surface holds the display device too
        ReleaseDirectDraw();
        JoystickPresent = false;
        DestroyWindow(hMainWindow);
        hMainWindow = nullptr;
    }
}

TEST(Scene, StatusLineShowsTheMeasuredRateInThreeDigitsOrMore)
{
    Scene scene(nullptr);
    layer_set_time(0);
    struct Row {
        DWORD tenthFrameAt;  // the clock when the tenth frame since the last measurement is drawn
        const char* line;
    };
    // The first ten frames are measured from time 0: 10 frames in 167 ms are 59 a second; the
    // next ten take 1 ms: 10000.
    const Row rows[] = {{167, "16 Fps - 059"}, {168, "16 Fps - 10000"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        for (int frame = 1; frame < 10; ++frame)
            DrawScene();
        layer_set_time(row.tenthFrameAt);
        DrawScene();
        ExpectStatusLine(row.line);
    }
}

TEST(Scene, TextFilesOfEveryKindGiveAFrameWithoutFault)
{
    std::vector<uint8_t> binary(5000);
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<uint8_t>(i * 37 + 1 + (i >> 3));  // zeros inside, not at the start
    const std::vector<uint8_t> empty;
    struct Row {
        const char* name;
        const std::vector<uint8_t>* text;
        uint32_t length;
        bool hasText;
    };
    const Row rows[] = {
        {"missing", nullptr, 0, false},
        {"empty", &empty, 0, false},
        {"binary", &binary, 5000, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene(row.text);
        EXPECT_EQ(TextLength, row.length);
        EXPECT_EQ(TextBuffer != nullptr, row.text != nullptr);
        if (TextBuffer) {
            EXPECT_EQ(TextBuffer[TextLength], 0) << "the text ends in a zero";
        }
        DrawScene();
        const std::vector<uint16_t> screen = Screen();
        bool cyan = false;
        for (uint16_t pixel : screen)
            cyan = cyan || pixel == Cyan;
        EXPECT_EQ(cyan, row.hasText);
        ReleaseScene();  // the text surface holds the display device too
        ReleaseDirectDraw();
        DestroyWindow(hMainWindow);
        hMainWindow = nullptr;
    }
}

TEST(Scene, ALostTextSurfaceIsRestoredWithItsText)
{
    Scene scene(&SampleText);
    // The pixels of the text surface, without the bytes that pad its rows.
    auto read = [] {
        int32_t pitch = 0, rows = 0;
        EXPECT_TRUE(GetSurfaceLayout(pitch, rows, pTextSurface));
        std::vector<uint8_t> bytes(450 * 2 * static_cast<size_t>(rows));
        auto* memory = static_cast<const uint8_t*>(LockSurfaceMemory(pTextSurface));
        EXPECT_NE(memory, nullptr);
        for (int32_t y = 0; y < rows; ++y)
            memcpy(bytes.data() + y * 900, memory + static_cast<size_t>(y) * pitch, 900);
        UnlockSurfaceMemory(pTextSurface);
        return bytes;
    };
    const std::vector<uint8_t> before = read();
    layer_lose_surfaces();
    ASSERT_TRUE(RestoreLostSurfaces());
    DrawScene();
    EXPECT_EQ(pTextSurface->IsLost(), DD_OK);
    const std::vector<uint8_t> after = read();
    ASSERT_EQ(after.size(), before.size());
    size_t differ = 0, first = 0;
    for (size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i] && differ++ == 0)
            first = i;
    EXPECT_EQ(differ, 0u) << "the text was rendered again; first difference at byte " << first;
}
