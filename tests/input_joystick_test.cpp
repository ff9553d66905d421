// input_joystick_test.cpp -- the game controller: set-up against SDL virtual joysticks, the texts
// of failed properties, the poll into InputState, lost input, release, and WinMain's joystick step

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/input.h"
#include "input_support.h"

namespace {

std::vector<bool> Buttons()
{
    const InputRecord& s = InputState;
    return {s.JoyButton0, s.JoyButton1, s.JoyButton2, s.JoyButton3, s.JoyButton4, s.JoyButton5,
            s.JoyButton6, s.JoyButton7, s.JoyButton8, s.JoyButton9, s.JoyButton10};
}

std::vector<bool> Directions()
{
    const InputRecord& s = InputState;
    return {s.JoyLeft, s.JoyRight, s.JoyUp, s.JoyDown};
}

// Gives both axes the range -32768 .. 32767 with no dead zone and full saturation, which
// reports SDL's axis position unchanged.
void ReportRawPositions()
{
    DIPROPRANGE range{};
    range.diph = {sizeof(range), sizeof(DIPROPHEADER), 0, DIPH_DEVICE};
    range.lMin = -32768;
    range.lMax = 32767;
    DIPROPDWORD deadZone{};
    deadZone.diph = {sizeof(deadZone), sizeof(DIPROPHEADER), 0, DIPH_DEVICE};
    DIPROPDWORD saturation = deadZone;
    saturation.dwData = 10000;
    pJoystick->Unacquire();
    ASSERT_EQ(pJoystick->SetProperty(DIPROP_RANGE, &range.diph), DI_OK);
    ASSERT_EQ(pJoystick->SetProperty(DIPROP_DEADZONE, &deadZone.diph), DI_OK);
    ASSERT_EQ(pJoystick->SetProperty(DIPROP_SATURATION, &saturation.diph), DI_OK);
    ASSERT_EQ(pJoystick->Acquire(), DI_OK);
}

// Sets up the controller as WinMain does (ranges from 1024 x 768), then plays at 800 x 600.
int InitAsWinMainDoes()
{
    OpenGameWindow();
    const int result = InitDirectInput(hMainWindow);
    ScreenWidth = 800;
    ScreenHeight = 600;
    return result;
}

HINSTANCE__ programInstance{};

}  // namespace

TEST(InitDirectInput, WithoutAControllerFailsQuietlyAndKeepsDirectInput)
{
    if (!NoRealControllers())
        GTEST_SKIP() << "a game controller is plugged in";
    OpenGameWindow();
    EXPECT_EQ(InitDirectInput(hMainWindow), 0);
    EXPECT_EQ(JoystickWindow, hMainWindow);
    EXPECT_EQ(JoystickFound, 0);
    EXPECT_STREQ(JoystickError, "");
    EXPECT_NE(pDirectInput, nullptr) << "kept for ReleaseDirectInput";
    EXPECT_EQ(pJoystick, nullptr);
    ReleaseDirectInput();
    EXPECT_EQ(pDirectInput, nullptr);
    ReleaseDirectInput();  // nothing left: nothing happens
}

TEST(SetJoystickProperties, WithoutAControllerAnswersZeroAndLeavesNoText)
{
    EXPECT_EQ(SetJoystickProperties(), 0);
    EXPECT_STREQ(JoystickError, "");
}

TEST(InitDirectInput, UsesTheFirstOfTwoControllersWithRangesOfItsTime)
{
    VirtualStick first, second;
    SKIP_WITHOUT_VIRTUAL_STICK(second);
    ASSERT_EQ(InitAsWinMainDoes(), 1);
    EXPECT_EQ(JoystickFound, 1);
    ASSERT_NE(pJoystick, nullptr);
    second.axis(0, 32767);
    PollJoystick();
    EXPECT_EQ(InputState.JoyX, 400) << "the second controller moves nothing";
    first.axis(0, 32767);
    first.axis(1, -32768);
    PollJoystick();
    EXPECT_EQ(InputState.JoyX, 912) << "400 + 512: the X range is half of 1024";
    EXPECT_EQ(InputState.JoyY, -84) << "300 - 384: the Y range is half of 768";
    ReleaseDirectInput();
    EXPECT_EQ(pJoystick, nullptr);
    EXPECT_EQ(pDirectInput, nullptr);
    ReleaseDirectInput();
}

TEST(InitDirectInput, EachFailedStepReturnsZeroAndOnlyPropertiesLeaveAText)
{
    VirtualStick stick;
    SKIP_WITHOUT_VIRTUAL_STICK(stick);
    OpenGameWindow();
    struct Row {
        const char* call;
        int nth;
        const char* text;
        int32_t joyX;  // what the stick, held inside the dead zone, then reads as: which rows took
    };
    // X at SDL 3000 is 3001 raw steps right of centre. Without a range that is raw 35768; with
    // the range and no dead zone 3001 * 512 / 32768 = 46.9, so 47; with the dead zone 0.
    const Row rows[] = {
        {"DirectInput8Create", 0, "", 0},
        {"IDirectInput8A::EnumDevices", 0, "", 0},
        {"IDirectInput8A::CreateDevice", 0, "", 0},
        {"IDirectInputDevice8A::SetCooperativeLevel", 0, "", 0},
        {"IDirectInputDevice8A::SetDataFormat", 0, "", 0},
        {"IDirectInputDevice8A::SetProperty", 1, "Calibrate X error", 512 + 35768},
        {"IDirectInputDevice8A::SetProperty", 2, "Calibrate Y error", 512 + 47},
        {"IDirectInputDevice8A::SetProperty", 3, "Dead zone X error", 512 + 47},
        {"IDirectInputDevice8A::SetProperty", 4, "Dead zone Y error", 512},
        {"IDirectInputDevice8A::SetProperty", 5, "Saturation Error", 512},
        {"IDirectInputDevice8A::SetProperty", 6, "Saturation Error", 512},
    };
    stick.axis(0, 3000);
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.call) + " #" + std::to_string(row.nth));
        layer_clear_faults();
        layer_fail_call(row.call, row.nth);
        JoystickError[0] = '\0';
        EXPECT_EQ(InitDirectInput(hMainWindow), 0);
        EXPECT_STREQ(JoystickError, row.text);
        if (row.joyX != 0) {
            // The device stays for release; acquired by hand it shows which properties were set.
            ASSERT_NE(pJoystick, nullptr);
            EXPECT_EQ(pJoystick->Acquire(), DI_OK);
            PollJoystick();
            EXPECT_EQ(InputState.JoyX, row.joyX);
        }
        ReleaseDirectInput();
    }
    layer_clear_faults();
    layer_fail_call("IDirectInputDevice8A::Acquire", 1, DIERR_OTHERAPPHASPRIO);
    EXPECT_EQ(InitDirectInput(hMainWindow), 1) << "a refused acquire does not fail the set-up";
}

TEST(PollJoystick, TurnsTheStickIntoACursorDirectionsAndButtons)
{
    VirtualStick stick;
    SKIP_WITHOUT_VIRTUAL_STICK(stick);
    ASSERT_EQ(InitAsWinMainDoes(), 1);
    struct Row {
        bool raw;  // the stick reports its position unchanged (see below)
        Sint16 sdlX, sdlY;
        int32_t joyX, joyY;
        std::vector<bool> directions;  // left, right, up, down
    };
    // First with the set-up's ranges, -512..512 and -384..384, 10 % dead zone, 90 % saturation.
    // Halfway out, X is (16385 - 3277) * 512 / 26214 = 256.02 and Y 192.01. Then with the
    // positions reported as they are, at the thresholds: left of 200, right of 600, above 100,
    // below 500, all a quarter of the width from the centre.
    const Row rows[] = {
        {false, 3000, -3000, 400, 300, {false, false, false, false}},  // inside the dead zone
        {false, 16384, 16384, 656, 492, {false, true, false, false}},
        {false, 30000, -30000, 912, -84, {false, true, true, false}},  // past the saturation
        {true, -200, 0, 200, 300, {false, false, false, false}},
        {true, -201, 0, 199, 300, {true, false, false, false}},
        {true, 200, 0, 600, 300, {false, false, false, false}},
        {true, 201, 0, 601, 300, {false, true, false, false}},
        {true, 0, -200, 400, 100, {false, false, false, false}},
        {true, 0, -201, 400, 99, {false, false, true, false}},
        {true, 0, 200, 400, 500, {false, false, false, false}},
        {true, 0, 201, 400, 501, {false, false, false, true}},
    };
    bool rawSet = false;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "SDL " << row.sdlX << ", " << row.sdlY);
        if (row.raw && !rawSet) {
            ReportRawPositions();
            rawSet = true;
        }
        stick.axis(0, row.sdlX);
        stick.axis(1, row.sdlY);
        PollJoystick();
        EXPECT_EQ(InputState.JoyX, row.joyX);
        EXPECT_EQ(InputState.JoyY, row.joyY);
        EXPECT_EQ(Directions(), row.directions);
    }
    // Pressed is 0x80 in the device's reading; button 11 and beyond have no flag.
    stick.button(3, true);
    stick.button(11, true);
    PollJoystick();
    EXPECT_EQ(Buttons(), (std::vector<bool>{false, false, false, true, false, false, false, false,
                                            false, false, false}));
}

TEST(PollJoystick, TakesTheStickBackWhenTheWindowReturnsToTheForeground)
{
    VirtualStick stick;
    SKIP_WITHOUT_VIRTUAL_STICK(stick);
    ASSERT_EQ(InitAsWinMainDoes(), 1);
    struct Row {
        const char* name;
        int away, back;
        bool pollWhileAway;  // the main loop draws no frames while minimized, but does without focus
        Sint16 position;
        int32_t joyX;
    };
    const Row rows[] = {
        {"minimized and restored", SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_RESTORED, false, 30000, 912},
        {"focus lost and regained", SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_FOCUS_GAINED, true, -30000, -112},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PushWindowEvent(row.away);
        TakeMessages();
        const int32_t before = InputState.JoyX;
        stick.axis(0, row.position);
        if (row.pollWhileAway) {
            // The first poll is told that input was lost, the second that the stick is not
            // acquired; each acquire is refused and nothing changes.
            PollJoystick();
            PollJoystick();
            EXPECT_EQ(InputState.JoyX, before);
            EXPECT_EQ(pJoystick->Poll(), DIERR_NOTACQUIRED) << "the loss was reported once";
        }
        PushWindowEvent(row.back);
        TakeMessages();
        PollJoystick();
        EXPECT_EQ(InputState.JoyX, row.joyX) << "back in the first poll";
    }
}

TEST(WinMain, SetsUpTheControllerBeforeTheDisplaySizeAndReleasesIt)
{
    VirtualStick stick;
    SKIP_WITHOUT_VIRTUAL_STICK(stick);
    layer_capture_message_boxes(true);
    stick.axis(0, 32767);
    bool present = false;
    layer_on_present([&] {
        present = JoystickPresent;
        PollJoystick();
        layer_set_key_state(VK_ESCAPE, true);
    });
    EXPECT_EQ(WinMain(&programInstance, nullptr, const_cast<char*>(""), SW_SHOWNORMAL), 0);
    EXPECT_TRUE(present);
    EXPECT_EQ(InputState.JoyX, 912) << "the X range came from the initial 1024 x 768";
    EXPECT_EQ(ScreenWidth, 800);
    EXPECT_EQ(pJoystick, nullptr) << "released at WM_DESTROY";
    EXPECT_EQ(pDirectInput, nullptr);
    EXPECT_TRUE(layer_message_boxes().empty());
}

TEST(JoyButtonEvents, EachFrameSeesTheButtonsThatWentDownOrUpSinceTheLast)
{
    VirtualStick stick;
    SKIP_WITHOUT_VIRTUAL_STICK(stick);
    ASSERT_EQ(InitAsWinMainDoes(), 1);
    JoystickPresent = true;
    BeginFrame();
    stick.button(3, true);
    BeginFrame();  // polls the controller
    EXPECT_TRUE(JoyButtonPressed(3));
    EXPECT_TRUE(JoyButtonHeld(3));
    EXPECT_FALSE(JoyButtonPressed(2));
    BeginFrame();
    EXPECT_FALSE(JoyButtonPressed(3)) << "held on is no new press";
    EXPECT_TRUE(JoyButtonHeld(3));
    stick.button(3, false);
    BeginFrame();
    EXPECT_TRUE(JoyButtonReleased(3));
    EXPECT_FALSE(JoyButtonHeld(3));
    EXPECT_FALSE(JoyButtonPressed(11)) << "the controller has buttons 0 to 10";
    EXPECT_FALSE(JoyButtonReleased(-1));
}
