// app_keys_test.cpp -- keys, mouse buttons and the wheel as the frame's events, through real SDL
// events, the window procedure and BeginFrame; and the frame rate held on the layer's clock

#include <gtest/gtest.h>

#include <vector>

#include "input_support.h"

namespace {

struct KeyFrame {
    bool pressed, released, held;
};

KeyFrame Read(int virtualKey)
{
    return {KeyPressed(virtualKey), KeyReleased(virtualKey), KeyHeld(virtualKey)};
}

void ExpectFrame(const KeyFrame& got, const KeyFrame& expected)
{
    EXPECT_EQ(got.pressed, expected.pressed) << "pressed";
    EXPECT_EQ(got.released, expected.released) << "released";
    EXPECT_EQ(got.held, expected.held) << "held";
}

}  // namespace

TEST(KeyEvents, EachFrameSeesThePressesAndReleasesSinceTheLast)
{
    OpenGameWindow();
    BeginFrame();
    struct Row {
        const char* name;
        std::vector<std::pair<bool, bool>> strokes;  // (down, auto-repeat) pushed before the frame
        KeyFrame expected;
    };
    const Row rows[] = {
        {"a tap shorter than a frame", {{true, false}, {false, false}}, {true, true, false}},
        {"nothing since", {}, {false, false, false}},
        {"pressed and kept down", {{true, false}}, {true, false, true}},
        {"auto-repeats are no new presses", {{true, true}, {true, true}, {true, true}}, {false, false, true}},
        {"released", {{false, false}}, {false, true, false}},
        {"a release with nothing held before is no event", {{false, false}}, {false, false, false}},
        {"two taps in one frame read as one press", {{true, false}, {false, false}, {true, false}, {false, false}},
         {true, true, false}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const auto& stroke : row.strokes)
            PushKey(SDL_SCANCODE_A, stroke.first, KMOD_NONE, stroke.second);
        EXPECT_FALSE(BeginFrame());
        ExpectFrame(Read('A'), row.expected);
        EXPECT_FALSE(KeyPressed('B')) << "other keys untouched";
    }
    EXPECT_FALSE(KeyPressed(-1));
    EXPECT_FALSE(KeyHeld(256)) << "codes outside 0 to 255 are no keys";
}

TEST(KeyEvents, MouseButtonsHaveTheSameEdgesAndTheWheelAddsUp)
{
    OpenGameWindow();
    BeginFrame();
    PushMouseButton(SDL_BUTTON_LEFT, true, 10, 10);
    PushMouseButton(SDL_BUTTON_LEFT, false, 10, 10);
    PushMouseButton(SDL_BUTTON_RIGHT, true, 10, 10);
    PushWheel(1);
    PushWheel(1);
    PushWheel(-1);
    PushWheel(0, 0.25f);
    BeginFrame();
    ExpectFrame(Read(VK_LBUTTON), {true, true, false});
    ExpectFrame(Read(VK_RBUTTON), {true, false, true});
    ExpectFrame(Read(VK_MBUTTON), {false, false, false});
    EXPECT_EQ(MouseWheel(), 120 + 120 - 120 + 30) << "one notch is 120, a quarter notch 30";
    EXPECT_EQ(InputState.Wheel, MouseWheel());
    EXPECT_TRUE(InputState.RightButton) << "the classic fields are kept as before";

    // A quick second click is a double click message: still a press of the button.
    PushMouseButton(SDL_BUTTON_RIGHT, false, 10, 10);
    PushMouseButton(SDL_BUTTON_RIGHT, true, 10, 10);
    BeginFrame();
    ExpectFrame(Read(VK_RBUTTON), {true, true, true});
    EXPECT_TRUE(InputState.RightDoubleClick);
    EXPECT_EQ(MouseWheel(), 0) << "the wheel counts per frame";
}

TEST(KeyEvents, AFrameTakesEveryMessageButOneTypedCharacter)
{
    OpenGameWindow();
    BeginFrame();
    for (int i = 0; i < 50; ++i)
        layer_post_message(hMainWindow, WM_USER, 0, 0);
    PushMouseMotion(5, 5);
    PushKey(SDL_SCANCODE_A, true);
    PushText("a");
    PushKey(SDL_SCANCODE_B, true);
    PushText("b");
    PushMouseMotion(7, 7);
    BeginFrame();
    EXPECT_EQ(InputState.MouseX, 5);
    EXPECT_EQ(InputState.CharCode, static_cast<uint32_t>('a'));
    EXPECT_TRUE(KeyPressed('A'));
    EXPECT_FALSE(KeyPressed('B')) << "after the character, the rest waits for the next frame";
    InputState.CharReady = false;
    BeginFrame();
    EXPECT_EQ(InputState.CharCode, static_cast<uint32_t>('b'));
    EXPECT_TRUE(KeyPressed('B'));
    BeginFrame();
    EXPECT_EQ(InputState.MouseX, 7);
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, nullptr, WM_USER, WM_USER, PM_REMOVE)) << "all fifty posted messages taken";
}

TEST(KeyEvents, KeysHeldAreLetGoWhenTheWindowLosesTheFocus)
{
    OpenGameWindow();
    PushKey(SDL_SCANCODE_LEFT, true);
    BeginFrame();
    ASSERT_TRUE(KeyHeld(VK_LEFT));
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    BeginFrame();
    ExpectFrame(Read(VK_LEFT), {false, true, false});
}

TEST(FrameRate, SlotsAverageTheRateOnTheClockAndABacklogIsNotCaughtUp)
{
    layer_set_time(0xFFFFFF00u);  // the schedule runs across the clock's wrap
    ASSERT_TRUE(SetFrameRate(60));
    const DWORD start = timeGetTime();
    BeginFrame();
    EXPECT_EQ(timeGetTime(), start) << "the first frame starts the schedule at once";
    std::vector<uint32_t> lengths;
    for (int i = 0; i < 60; ++i) {
        BeginFrame();
        lengths.push_back(FrameMilliseconds());
    }
    EXPECT_EQ(timeGetTime() - start, 1000u) << "sixty slots are one second, not 960 or 1020 ms";
    for (uint32_t length : lengths)
        EXPECT_TRUE(length == 16 || length == 17) << length;

    // A frame that took 100 ms: the next begins at once, the one after a whole slot later.
    layer_advance_time(100);
    const DWORD late = timeGetTime();
    BeginFrame();
    EXPECT_EQ(timeGetTime(), late);
    BeginFrame();
    EXPECT_EQ(timeGetTime() - late, 16u);
    BeginFrame();
    EXPECT_EQ(timeGetTime() - late, 33u);

    // A frame a little late keeps the schedule: the next slot is where it was.
    layer_advance_time(20);  // 3 ms past the slot at 50
    BeginFrame();
    BeginFrame();
    EXPECT_EQ(timeGetTime() - late, 66u);

    ASSERT_TRUE(SetFrameRate(FrameRateUnlimited));
    const DWORD before = timeGetTime();
    BeginFrame();
    BeginFrame();
    EXPECT_EQ(timeGetTime(), before) << "unlimited never waits";
    EXPECT_EQ(FrameMilliseconds(), 0u);
}

TEST(FrameRate, RefusesRatesItCannotKeepAndFollowsTheMonitorWithADisplay)
{
    for (int rate : {-2, 1001}) {
        EXPECT_FALSE(SetFrameRate(rate)) << rate;
        EXPECT_NE(std::string(LastEngineError()).find("SetFrameRate"), std::string::npos);
    }
    EXPECT_EQ(FrameRate(), FrameRateUnlimited) << "a refused rate changes nothing";

    ASSERT_TRUE(BringUpDisplay(16));
    layer_set_time(1000);
    ASSERT_TRUE(SetFrameRate(FrameRateMonitor));
    BeginFrame();
    const DWORD first = timeGetTime();
    BeginFrame();
    const DWORD second = timeGetTime();
    EXPECT_GT(first, 1000u) << "each frame waits for the next vertical blank";
    EXPECT_TRUE(second - first == 16 || second - first == 17) << second - first;
}
