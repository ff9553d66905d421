// sound_music_test.cpp -- streamed music as the output hears it: sample-exact loop joins, stalls
// that play silence rather than music heard before, fades that end in silence, failures named

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "app/app.h"
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

// Stereo 16-bit frames that each say which frame of the file they are: frame n holds
// n % 30000 + 1 on the left and n / 30000 + 1 on the right, never silence.
std::vector<uint8_t> Numbered(uint32_t rate, uint32_t frames)
{
    std::vector<int16_t> samples;
    for (uint32_t n = 0; n < frames; ++n) {
        samples.push_back(static_cast<int16_t>(n % 30000 + 1));
        samples.push_back(static_cast<int16_t>(n / 30000 + 1));
    }
    return WaveBytes(2, rate, 16, Samples16(samples));
}

// The file frame a captured frame is; -1 for silence.
long FrameNumber(const StereoFrame& frame)
{
    if (frame.left == 0 && frame.right == 0)
        return -1;
    return (frame.right - 1) * 30000L + frame.left - 1;
}

void WaitMilliseconds(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace

TEST(Music, ALoopJoinsSampleExactlyAtItsLoopPoint)
{
    DiskCapture capture;
    ScratchDirectory dir;
    BringUpSound();
    const uint32_t rate = static_cast<uint32_t>(OutputRate());
    const uint32_t length = rate / 2;
    const uint32_t loopStart = 1234;
    WriteBytes("numbered.wav", Numbered(rate, length));
    ASSERT_TRUE(PlayMusic("numbered.wav", true));
    SetMusicLoop(true, loopStart);
    EXPECT_EQ(MusicLength(), length);
    EXPECT_EQ(MusicRate(), rate);
    WaitForFrames(rate * 3 / 2);
    EXPECT_TRUE(IsMusicPlaying());
    const uint64_t position = MusicPosition();
    EXPECT_GE(position, loopStart);
    EXPECT_LT(position, length);
    ReleaseSounds();
    EXPECT_FALSE(IsMusicPlaying());

    const std::vector<StereoFrame> frames = capture.Frames();
    const auto runs = SoundRuns(frames);
    ASSERT_EQ(runs.size(), 1u) << "music from start to stop, no gap";
    const auto [first, count] = runs[0];
    EXPECT_EQ(FrameNumber(frames[first]), 0);
    int joins = 0;
    for (size_t i = 1; i < count; ++i) {
        const long before = FrameNumber(frames[first + i - 1]);
        const long now = FrameNumber(frames[first + i]);
        const bool joined = before == static_cast<long>(length) - 1 && now == loopStart;
        ASSERT_TRUE(now == before + 1 || joined) << "frame " << i << ": " << now << " after " << before;
        joins += joined;
    }
    EXPECT_GE(joins, 2);
}

TEST(Music, StallsPlaySilenceOrMusicButNeverMusicHeardBefore)
{
    DiskCapture capture;
    ScratchDirectory dir;
    BringUpSound();
    const uint32_t rate = static_cast<uint32_t>(OutputRate());
    WriteBytes("numbered.wav", Numbered(rate, rate * 4));
    ASSERT_TRUE(PlayMusic("numbered.wav", true));
    WaitMilliseconds(300);  // the game's loop stalls: the music goes on
    WaitForFrames(rate / 10);
    // The feeding itself is held up for longer than the music written ahead lasts.
    layer_fail_call("IDirectSoundBuffer::GetCurrentPosition");
    WaitMilliseconds(1600);
    layer_clear_faults();
    WaitForFrames(rate / 2);
    EXPECT_TRUE(IsMusicPlaying());
    ReleaseSounds();

    const std::vector<StereoFrame> frames = capture.Frames();
    const auto runs = SoundRuns(frames);
    ASSERT_EQ(runs.size(), 2u) << "music, the silence of the held-up feeding, music again";
    EXPECT_GE(runs[0].second, rate * 4 / 10) << "the game's stall did not stop the music";
    EXPECT_GE(runs[1].first - (runs[0].first + runs[0].second), rate / 5) << "a stretch of silence";
    long last = -1;
    for (const auto& [first, count] : runs) {
        for (size_t i = 0; i < count; ++i) {
            const long now = FrameNumber(frames[first + i]);
            ASSERT_GT(now, last) << "frame " << first + i << " was heard before";
            if (i > 0) {
                ASSERT_EQ(now, last + 1) << "frame " << first + i << ": music runs without skips";
            }
            last = now;
        }
    }
}

TEST(Music, AFadeOutReachesSilenceAtItsEndOnTheGamesClock)
{
    DiskCapture capture;
    ScratchDirectory dir;
    BringUpSound();
    const uint32_t rate = static_cast<uint32_t>(OutputRate());
    std::vector<int16_t> level(rate * 2, 16000);  // a second of stereo at 16000
    WriteBytes("level.wav", WaveBytes(2, rate, 16, Samples16(level)));
    layer_set_time(5000);
    ASSERT_TRUE(PlayMusic("level.wav", true));
    WaitForFrames(rate / 10);
    FadeMusicOut(1000);
    layer_advance_time(500);
    FeedMusic();
    WaitForFrames(rate / 5);
    layer_advance_time(500);
    FeedMusic();
    EXPECT_FALSE(IsMusicPlaying()) << "a fade out ends the music";
    WaitForFrames(rate / 5);
    ReleaseSounds();

    const std::vector<StereoFrame> frames = capture.Frames();
    const auto runs = SoundRuns(frames);
    ASSERT_EQ(runs.size(), 1u);
    const auto [first, count] = runs[0];
    EXPECT_GE(frames.size() - (first + count), rate / 5) << "silence after the fade's end";
    EXPECT_EQ(frames[first + 10].left, 16000);
    // Half way the gain is one half: 20 log10(0.5) = -6.02 dB, 7998 of 16000.
    size_t half = 0;
    for (size_t i = 0; i < count; ++i)
        half += frames[first + i].left > 7900 && frames[first + i].left < 8100;
    EXPECT_GE(half, rate / 10) << "the middle of the fade at half the level";
}

TEST(Music, FailuresNameTheFileAndLeaveNoMusic)
{
    ScratchDirectory dir;
    EXPECT_FALSE(PlayMusic("song.ogg", true)) << "no device yet";
    EXPECT_NE(strstr(LastEngineError(), "song.ogg"), nullptr) << LastEngineError();
    BringUpSound();
    WriteBytes("short.wav", {'R', 'I', 'F', 'F', 0, 0});
    for (const char* name : {"missing.ogg", "short.wav"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(PlayMusic(name, false));
        EXPECT_NE(strstr(LastEngineError(), name), nullptr) << LastEngineError();
        EXPECT_FALSE(IsMusicPlaying());
        EXPECT_EQ(MusicLength(), 0u);
    }
    PauseMusic();
    ResumeMusic();
    FadeMusicOut(100);
    StopMusic();
    EXPECT_TRUE(layer_message_boxes().empty()) << "nothing ends the program";
}

TEST(Music, EndingTheProgramOnAFailureReleasesMusicAndVoicesWithTheDevice)
{
    ScratchDirectory dir;
    BringUpSound();
    const uint32_t rate = static_cast<uint32_t>(OutputRate());
    WriteBytes("numbered.wav", Numbered(rate, rate));
    const int32_t slot = AddSound("numbered.wav");
    const VoiceHandle voice = PlaySoundVoice(0, 0, 0, slot);
    SetVoiceLooping(voice, true);
    ASSERT_TRUE(PlayMusic("numbered.wav", true));
    AbortProgram(hMainWindow, "a step");
    EXPECT_EQ(OutputRate(), 0) << "nothing holds the sound device";
    EXPECT_FALSE(IsMusicPlaying());
    EXPECT_FALSE(IsVoicePlaying(voice));
    ReleaseSounds();
    EXPECT_FALSE(PlayMusic("numbered.wav", true)) << "no device after the teardown";
}
