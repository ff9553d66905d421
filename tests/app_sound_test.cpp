// app_sound_test.cpp -- the program run whole: the sound step of start-up and of teardown

#include <gtest/gtest.h>

#include "sound/sound.h"
#include "support.h"

namespace {

HINSTANCE__ testInstance{};

int RunProgram() { return WinMain(&testInstance, nullptr, const_cast<char*>(""), SW_SHOWNORMAL); }

// Runs the program with one sound call failing; each run needs a process of its own, since the
// window class stays registered.
void ExpectOnlyTheSoundBox(const char* failingCall)
{
    layer_capture_message_boxes(true);
    layer_fail_call(failingCall);
    int frames = 0;
    layer_on_present([&] { ++frames; });
    EXPECT_EQ(RunProgram(), 0);
    ASSERT_EQ(layer_message_boxes().size(), 1u);
    EXPECT_EQ(layer_message_boxes()[0].text, AbortText("InitDirectSound"));
    EXPECT_EQ(ScreenWidth, 1024) << "the display geometry is never set";
    EXPECT_EQ(pDirectDraw, nullptr);
    EXPECT_EQ(frames, 0);
    EXPECT_EQ(pDirectSound, nullptr) << "a device made before the failure is released";
    LayerAudioOutput output;
    EXPECT_FALSE(layer_audio_output(&output));
}

}  // namespace

TEST(Startup, NoSoundDeviceEndsTheProgramBeforeTheDisplayIsSetUp)
{
    ExpectOnlyTheSoundBox("DirectSoundCreate");
}

TEST(Startup, RefusedCooperativeLevelEndsTheProgramTheSameWay)
{
    ExpectOnlyTheSoundBox("IDirectSound::SetCooperativeLevel");
}

TEST(Teardown, EndingTheProgramReleasesTheSoundDevice)
{
    layer_capture_message_boxes(true);
    LayerAudioOutput output;
    bool soundUpWhileRunning = false;
    layer_on_present([&] {
        soundUpWhileRunning = pDirectSound != nullptr && layer_audio_output(&output);
        layer_set_key_state(VK_ESCAPE, true);
    });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_TRUE(soundUpWhileRunning);
    EXPECT_TRUE(layer_message_boxes().empty());
    EXPECT_EQ(pDirectSound, nullptr);
    EXPECT_FALSE(layer_audio_output(&output));
}
