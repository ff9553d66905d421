// sound_voices_test.cpp -- several voices of one sound: overlapping in the output, the oldest
// taken when all are busy, stale handles, reloads, and the master volume

#include <gtest/gtest.h>

#include <algorithm>

#include "sound/sound.h"
#include "sound_support.h"
#include "support.h"

namespace {

void BringUpSound()
{
    layer_capture_message_boxes(true);
    OpenGameWindow();
    ASSERT_TRUE(InitDirectSound(hMainWindow));
}

// A 16-bit mono file of count samples of one value.
std::vector<uint8_t> Level(uint32_t rate, size_t count, int16_t value)
{
    return WaveBytes(1, rate, 16, Samples16(std::vector<int16_t>(count, value)));
}

}  // namespace

// Plays through the real mixer into SDL's disk driver and reads back what it wrote.
TEST(SoundVoices, VoicesOfOneSoundOverlapAndTheMasterVolumeLowersOnlyThem)
{
    DiskCapture capture;
    ScratchDirectory dir;
    BringUpSound();
    const int rate = OutputRate();
    WriteBytes("level.wav", Level(rate, 4000, 4000));
    const int32_t slot = AddSound("level.wav");
    ASSERT_NE(PlaySoundVoice(0, 0, 0, slot), NoVoice);
    WaitForFrames(1000);
    ASSERT_NE(PlaySoundVoice(0, 0, 0, slot), NoVoice);
    WaitForFrames(10000);
    SetMasterVolume(-600);
    ASSERT_NE(PlaySoundVoice(0, 0, 0, slot), NoVoice);
    WaitForFrames(6000);
    PlaySoundOnce(0, 0, slot);
    WaitForFrames(6000);
    ReleaseSounds();
    ReleaseSounds();

    const std::vector<StereoFrame> frames = capture.Frames();
    const auto runs = SoundRuns(frames);
    ASSERT_EQ(runs.size(), 3u);
    // The first two voices: 4000 alone, 8000 together for as long as both sound, 4000 again.
    size_t both = 0;
    for (size_t i = 0; i < runs[0].second; ++i) {
        const int16_t value = frames[runs[0].first + i].left;
        ASSERT_TRUE(value == 4000 || value == 8000) << "frame " << i << ": " << value;
        both += value == 8000;
    }
    EXPECT_GT(runs[0].second, 4000u) << "the second voice did not cut the first one off";
    EXPECT_EQ(both + runs[0].second, 8000u) << "each voice played its 4000 frames";
    // -6 dB of master volume: 10^(-600/2000) of 4000; the slot's own play keeps its level.
    EXPECT_EQ(runs[1].second, 4000u);
    EXPECT_NEAR(frames[runs[1].first + 100].left, 2005, 20);
    EXPECT_EQ(frames[runs[2].first + 100].left, 4000);
}

TEST(SoundVoices, TheOldestIsTakenWhenAllAreBusyAndStaleHandlesDoNothing)
{
    ScratchDirectory dir;
    BringUpSound();
    WriteBytes("long.wav", Level(22050, 22050 * 4, 1000));
    WriteBytes("other.wav", Level(22050, 100, 1000));
    int32_t slot = AddSound("long.wav");
    EXPECT_EQ(PlaySoundVoice(0, 0, 0, -1), NoVoice);
    EXPECT_EQ(PlaySoundVoice(0, 0, 0, slot + 1), NoVoice) << "an empty slot";
    std::vector<VoiceHandle> voices;
    for (int i = 0; i < VoicesPerSound; ++i)
        voices.push_back(PlaySoundVoice(0, 0, 0, slot));
    for (VoiceHandle voice : voices)
        EXPECT_TRUE(IsVoicePlaying(voice));
    StopVoice(voices[3]);
    EXPECT_FALSE(IsVoicePlaying(voices[3]));
    const VoiceHandle refill = PlaySoundVoice(0, 0, 0, slot);  // takes the stopped voice
    EXPECT_TRUE(IsVoicePlaying(voices[0]));
    const VoiceHandle newest = PlaySoundVoice(0, 0, 0, slot);  // all busy: takes the oldest
    EXPECT_FALSE(IsVoicePlaying(voices[0])) << "the oldest voice was taken";
    EXPECT_TRUE(IsVoicePlaying(voices[1]));
    EXPECT_TRUE(IsVoicePlaying(refill));
    EXPECT_TRUE(IsVoicePlaying(newest));
    std::vector<VoiceHandle> all = voices;
    all.push_back(refill);
    all.push_back(newest);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::unique(all.begin(), all.end()), all.end()) << "every handle names one voice";
    StopVoice(voices[0]);  // stale: the voice is another's now
    StopVoice(voices[3]);
    SetVoiceLooping(voices[0], true);
    EXPECT_TRUE(IsVoicePlaying(newest));
    EXPECT_TRUE(IsVoicePlaying(refill));
    StopVoice(NoVoice);
    EXPECT_FALSE(IsVoicePlaying(NoVoice));

    ASSERT_TRUE(LoadSound(slot, "other.wav"));
    EXPECT_FALSE(IsVoicePlaying(newest)) << "a new sound in the slot ends the old one's voices";
    EXPECT_NE(PlaySoundVoice(0, 0, 0, slot), NoVoice);
    UnloadSound(slot);
    EXPECT_EQ(SoundBuffer[slot], nullptr);
    EXPECT_EQ(PlaySoundVoice(0, 0, 0, slot), NoVoice);
    ReleaseSounds();
    EXPECT_EQ(OutputRate(), 0) << "nothing holds the device";
}
