// game_testing_test.cpp -- the installed test library for games, as a game's test uses it: input
// reaches the window procedure as the platform's messages, the controller reaches InputState, and
// captured sound comes out as interleaved 16-bit stereo at the output's rate

#include <gtest/gtest.h>

#include <vector>

#include "dsound.h"
#include "input/input.h"
#include "input_support.h"
#include "sound_support.h"
#include "testing/game_testing.h"

namespace {

std::vector<MSG> seen;

LRESULT CALLBACK Recorder(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT && message != WM_TIMER && message != WM_ACTIVATE)
        seen.push_back(MSG{window, message, wParam, lParam, 0, {}});
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TEST(GameTesting, ScriptedInputArrivesAsTheMessagesOfThePlatform)
{
    EXPECT_FALSE(ScriptMouseMove(1, 1)) << "no window yet";
    const HWND window = MakeTestWindow("scripted", Recorder, 800, 600);
    ShowWindow(window, SW_SHOWNORMAL);
    TakeMessages();
    seen.clear();
    ASSERT_TRUE(ScriptMouseMove(200, 150));
    ASSERT_TRUE(ScriptClick(10, 20));
    ASSERT_TRUE(ScriptMouseWheel(-240, 30, 40));
    ASSERT_TRUE(ScriptKey(VK_ESCAPE, true));
    EXPECT_NE(GetAsyncKeyState(VK_ESCAPE) & 0x8000, 0);
    ASSERT_TRUE(ScriptKey(VK_ESCAPE, false));
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE) & 0x8000, 0);
    ASSERT_TRUE(ScriptText("h\xE9"));
    TakeMessages();
    struct Row {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const Row expect[] = {
        {WM_MOUSEMOVE, 0, 150 << 16 | 200},
        {WM_LBUTTONDOWN, MK_LBUTTON, 20 << 16 | 10},
        {WM_LBUTTONUP, 0, 20 << 16 | 10},
        {WM_MOUSEWHEEL, 0xFF100000, 40 << 16 | 30},  // two notches towards the user
        {WM_KEYDOWN, VK_ESCAPE, 1},
        {WM_CHAR, 27, 1},                      // made by TranslateMessage
        {WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001u)},
        {WM_CHAR, 'h', 1},
        {WM_CHAR, 0xE9, 1},
    };
    ASSERT_EQ(seen.size(), std::size(expect));
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].message, expect[i].message);
        EXPECT_EQ(seen[i].wParam, expect[i].wParam);
        EXPECT_EQ(seen[i].lParam, expect[i].lParam);
    }
    DestroyWindow(window);
}

TEST(GameTesting, TheControllerIsFoundAndPolledLikeAPluggedInOne)
{
    if (!NoRealControllers())
        GTEST_SKIP() << "a game controller is plugged in";
    OpenGameWindow();
    if (!AttachTestController(2, 12))
        GTEST_SKIP() << "SDL has no virtual joysticks: " << SDL_GetError();
    ASSERT_TRUE(InitDirectInput(hMainWindow));
    SetTestControllerAxis(0, 32767);
    SetTestControllerButton(3, true);
    PollJoystick();
    EXPECT_TRUE(InputState.JoyRight);
    EXPECT_FALSE(InputState.JoyLeft);
    EXPECT_TRUE(InputState.JoyButton3);
    EXPECT_FALSE(InputState.JoyButton2);
    ReleaseDirectInput();
    DetachTestController();
}

TEST(GameTesting, CapturedSoundIsInterleavedStereoAtTheOutputRateAndAdvancesOnlyWhenTaken)
{
    CaptureGameSound();
    const HWND window = MakeTestWindow("captured", DefWindowProcA, 8, 8);
    IDirectSound* sound = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
    ASSERT_EQ(sound->SetCooperativeLevel(window, DSSCL_NORMAL), DS_OK);
    ASSERT_EQ(CapturedSoundRate(), 44100);
    // Mono 16-bit at the output's rate, 100 frames of 1000: both sides hear 1000, then silence.
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwBufferBytes = 200;
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
    void* part = nullptr;
    DWORD bytes = 0;
    ASSERT_EQ(buffer->Lock(0, 200, &part, &bytes, nullptr, nullptr, 0), DS_OK);
    for (DWORD i = 0; i < bytes / 2; ++i)
        static_cast<int16_t*>(part)[i] = 1000;
    buffer->Unlock(part, bytes, nullptr, 0);
    EXPECT_EQ(TakeCapturedSound(10), std::vector<int16_t>(20, 0)) << "nothing plays yet";
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    const std::vector<int16_t> samples = TakeCapturedSound(150);
    ASSERT_EQ(samples.size(), 300u);
    for (size_t i = 0; i < samples.size(); ++i)
        ASSERT_EQ(samples[i], i < 200 ? 1000 : 0) << "sample " << i << " (frame " << i / 2 << ")";
    buffer->Release();
    sound->Release();
    EXPECT_TRUE(TakeCapturedSound(10).empty()) << "no output open";
    DestroyWindow(window);
}
