// sound_table_test.cpp -- the sound table: slots, loads and their fatal errors, and what playing
// a slot sends to the sound output

#include <gtest/gtest.h>

#include <new>
#include <utility>

#include "sound/sound.h"
#include "sound_support.h"
#include "support.h"

namespace {

bool refuseNextNothrowNew = false;

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

// Fails the one allocation a test asks to fail, as an exhausted heap would.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (std::exchange(refuseNextNothrowNew, false))
        return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

TEST(SoundTable, AddSoundFillsSlotsInOrderUntilAllAreUsed)
{
    ScratchDirectory dir;
    BringUpSound();
    WriteBytes("a.wav", Level(22050, 8, 1000));
    for (int32_t expected = 0; expected < SoundSlotCount; ++expected)
        ASSERT_EQ(AddSound("a.wav"), expected);
    EXPECT_EQ(AddSound("a.wav"), -1);
    EXPECT_EQ(AddSound("a.wav"), -1);
    EXPECT_EQ(NextSoundSlot, SoundSlotCount);
    for (int32_t slot : {-1, SoundSlotCount}) {
        EXPECT_FALSE(LoadSound(slot, "a.wav"));
        EXPECT_FALSE(IsSoundPlaying(slot));
        PlaySoundOnce(0, 0, slot);
    }
    for (int32_t slot = 0; slot < SoundSlotCount; ++slot)
        EXPECT_FALSE(IsSoundPlaying(slot)) << "slot " << slot << ": no slot plays for one that is not there";
    EXPECT_TRUE(layer_message_boxes().empty());
}

TEST(SoundTable, ReloadingASlotGivesBackItsOldBufferAndTheOldFile)
{
    ScratchDirectory dir;
    BringUpSound();
    WriteBytes("a.wav", Level(22050, 8, 1000));
    WriteBytes("b.wav", Level(22050, 16, 2000));
    int32_t slot = 5;
    ASSERT_TRUE(LoadSound(slot, "a.wav"));
    IDirectSoundBuffer* old = SoundBuffer[5];
    old->AddRef();
    ASSERT_TRUE(LoadSound(slot, "b.wav"));
    EXPECT_EQ(slot, 5);
    EXPECT_NE(SoundBuffer[5], old);
    EXPECT_EQ(old->Release(), 0u) << "the table gave its reference to the old buffer back";
    // Only a file that is still mapped cannot be rewritten.
    HANDLE a = CreateFileA("a.wav", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    HANDLE b = CreateFileA("b.wav", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(a, INVALID_HANDLE_VALUE);
    EXPECT_EQ(b, INVALID_HANDLE_VALUE);
    CloseHandle(a);
}

TEST(SoundTable, LoadFailuresEndTheProgramNamingTheStep)
{
    struct Row {
        const char* text;
        std::vector<uint8_t> file;  // written as a.wav, if any
        const char* failingCall;
    };
    const Row rows[] = {
        {"pWave", Level(22050, 8, 1), nullptr},
        {"pWave-Open sounds", {}, nullptr},
        {"pWave-Open sounds", {'R', 'I', 'F', 'F'}, nullptr},
        {"CreateSoundBuffer", Level(22050, 8, 1), "IDirectSound::CreateSoundBuffer"},
        {"CreateSoundBuffer", WaveBytes(1, 22050, 12, std::vector<uint8_t>(6)), nullptr},
        {"CreateSoundBuffer", WaveBytes(1, 22050, 16, {}), nullptr},
        {"SoundBuffer[n]->Lock", Level(22050, 8, 1), "IDirectSoundBuffer::Lock"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        ScratchDirectory dir;
        BringUpSound();
        if (!row.file.empty())
            WriteBytes("a.wav", row.file);
        if (row.failingCall)
            layer_fail_call(row.failingCall);
        refuseNextNothrowNew = std::string(row.text) == "pWave";
        const size_t boxes = layer_message_boxes().size();
        EXPECT_EQ(AddSound("a.wav"), -1);
        EXPECT_EQ(NextSoundSlot, 0);
        ASSERT_EQ(layer_message_boxes().size(), boxes + 1);
        EXPECT_EQ(layer_message_boxes().back().text, AbortText(row.text));
        EXPECT_EQ(pWave, nullptr);
        EXPECT_EQ(pDirectSound, nullptr);
        EXPECT_EQ(SoundBuffer[0], nullptr);
        LayerWindowInfo info;
        EXPECT_FALSE(layer_window_info(hMainWindow, &info)) << "the window is destroyed";
        layer_clear_faults();
    }
}

// Plays through the real mixer into SDL's disk driver and reads back what it wrote.
TEST(SoundTable, PlayingASlotSoundsAsTheFileAndTheArgumentsSay)
{
    DiskCapture capture;
    ScratchDirectory dir;
    BringUpSound();
    const int rate = OutputRate();
    std::vector<int16_t> ramp(1000);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(100 + i);
    WriteBytes("ramp.wav", WaveBytes(1, rate, 16, Samples16(ramp)));
    WriteBytes("level.wav", Level(rate / 2, 1000, 16000));  // half the output rate
    const int32_t rampSlot = AddSound("ramp.wav");
    const int32_t levelSlot = AddSound("level.wav");

    PlaySoundOnce(0, 0, rampSlot);
    EXPECT_TRUE(IsSoundPlaying(rampSlot));
    WaitForFrames(3000);
    EXPECT_FALSE(IsSoundPlaying(rampSlot)) << "a sound played once ends by itself";
    PlaySoundFlags(0, 0, DSBPLAY_LOOPING, rampSlot);
    WaitForFrames(4500);
    EXPECT_TRUE(IsSoundPlaying(rampSlot)) << "a looping sound goes on";
    StopSound(rampSlot);
    EXPECT_FALSE(IsSoundPlaying(rampSlot));
    WaitForFrames(1500);
    PlaySoundOnce(0, -600, levelSlot);
    WaitForFrames(3500);
    PlaySoundFlags(-10000, 0, 0, levelSlot);
    WaitForFrames(3500);
    SetSoundFrequency(levelSlot, rate);
    PlaySoundOnce(0, 0, levelSlot);
    WaitForFrames(2500);
    ReleaseSounds();

    const std::vector<StereoFrame> frames = capture.Frames();
    const auto runs = SoundRuns(frames);
    ASSERT_EQ(runs.size(), 5u);
    const auto at = [&](size_t run, size_t i) { return frames[runs[run].first + i]; };
    EXPECT_EQ(runs[0].second, 1000u) << "played once: the file frame for frame";
    for (size_t i = 0; i < runs[0].second; ++i)
        ASSERT_TRUE(at(0, i).left == ramp[i] && at(0, i).right == ramp[i]) << "frame " << i;
    EXPECT_GE(runs[1].second, 4000u) << "looped until stopped";
    for (size_t i = 0; i < runs[1].second; ++i)
        ASSERT_EQ(at(1, i).left, ramp[i % 1000]) << "looped frame " << i;
    // -6 dB is 10^(-600/2000) = 0.501 of 16000; at half the output rate, twice the frames.
    EXPECT_EQ(runs[2].second, 2000u);
    EXPECT_NEAR(at(2, 500).left, 8019, 80);
    EXPECT_NEAR(at(2, 500).right, 8019, 80);
    EXPECT_EQ(at(3, 500).left, 16000) << "panned hard left";
    EXPECT_EQ(at(3, 500).right, 0);
    EXPECT_EQ(runs[4].second, 1000u) << "twice the file's frequency: half as long";
}
