// sound_wavefile_test.cpp -- the WAV reader: fixed offsets, reads with silence past the end,
// rewinding, and the files it refuses

#include <gtest/gtest.h>

#include "sound/sound.h"
#include "sound_support.h"
#include "support.h"

namespace {

// An 8-bit mono 8000 Hz file with 3 data bytes, typed out as it lies on disk.
const std::vector<uint8_t> TinyFile = {
    'R', 'I', 'F', 'F', 39, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
    1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0,
    'd', 'a', 't', 'a', 3, 0, 0, 0, 0x11, 0x22, 0x33};

bool CanRewrite(const char* name)
{
    HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
    return file != INVALID_HANDLE_VALUE;
}

}  // namespace

TEST(WaveFile, ReadsFillWithSilencePastTheEndAndRewindStartsAgain)
{
    struct Row {
        const char* name;
        uint16_t bits;
        uint32_t secondRead;  // after 100 of 160 bytes
        uint8_t fill;         // the silence after the 60 bytes left, up to secondRead
    };
    const Row rows[] = {
        {"8-bit, past the end", 8, 100, 0x80},
        {"16-bit, past the end", 16, 100, 0x00},
        {"exactly the rest, no silence", 16, 60, 0},
    };
    ScratchDirectory dir;
    std::vector<uint8_t> data(160);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i + 1);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteBytes("sound.wav", WaveBytes(1, 22050, row.bits, data));
        WaveFile wave;
        ASSERT_TRUE(wave.Open("sound.wav"));
        std::vector<uint8_t> out(200, 0xCD);
        EXPECT_EQ(wave.Read(out.data(), 100), 100u);
        EXPECT_EQ(out[99], 100);
        std::fill(out.begin(), out.end(), 0xCD);
        EXPECT_EQ(wave.Read(out.data(), row.secondRead), 60u);
        // Data bytes 101 to 160, then silence up to the length asked for, and nothing past it.
        for (uint32_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], i < 60 ? 101 + i : i < row.secondRead ? row.fill : 0xCD) << "byte " << i;
        out[0] = 0xCD;
        EXPECT_EQ(wave.Read(out.data(), 10), 0u);
        EXPECT_EQ(out[0], 0xCD) << "a read at the end writes nothing";
        wave.Rewind();
        EXPECT_EQ(wave.Read(out.data(), 2), 2u);
        EXPECT_EQ(out[0], 1) << "rewinding goes back to file offset 44";
    }
}

TEST(WaveFile, RefusesFilesItCannotReadAndTakesTheRestAtFixedOffsets)
{
    ScratchDirectory dir;
    std::vector<uint8_t> pastEnd = TinyFile;
    pastEnd[40] = 4;  // four data bytes said, three there
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* refusedCall;  // made to fail while the second file opens
    };
    const Row rows[] = {
        {"empty", {}, nullptr},
        {"43 bytes", std::vector<uint8_t>(TinyFile.begin(), TinyFile.begin() + 43), nullptr},
        {"data past the end", pastEnd, nullptr},
        {"mapping refused", TinyFile, "CreateFileMappingA"},
        {"view refused", TinyFile, "MapViewOfFile"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteBytes("good.wav", TinyFile);
        WriteBytes("bad.wav", row.bytes);
        WaveFile wave;
        ASSERT_TRUE(wave.Open("good.wav"));
        EXPECT_FALSE(CanRewrite("good.wav")) << "an open reader keeps its file mapped";
        if (row.refusedCall)
            layer_fail_call(row.refusedCall, 0, E_OUTOFMEMORY);
        EXPECT_FALSE(wave.Open("bad.wav"));
        layer_clear_faults();
        EXPECT_TRUE(CanRewrite("good.wav")) << "opening another file let the first one go";
        EXPECT_TRUE(CanRewrite("bad.wav")) << "the refused file, and its mapping, were closed";
        EXPECT_EQ(wave.GetSize(), 0u);
        EXPECT_EQ(wave.GetFormat(), nullptr);
        uint8_t byte = 0xCD;
        EXPECT_EQ(wave.Read(&byte, 1), 0u);
        EXPECT_EQ(byte, 0xCD);
    }
    WaveFile wave;
    EXPECT_FALSE(wave.Open("absent.wav"));
    WriteBytes("tiny.wav", TinyFile);
    ASSERT_TRUE(wave.Open("TINY.WAV"));
    EXPECT_EQ(wave.GetSize(), 3u);
    EXPECT_EQ(wave.GetFormat()->nSamplesPerSec, 8000u);
    EXPECT_EQ(wave.GetFormat()->cbSize, 'd' | 'a' << 8) << "cbSize lies on the data tag";
    WriteBytes("silent.wav", WaveBytes(2, 44100, 16, {}));
    ASSERT_TRUE(wave.Open("silent.wav")) << "no data is still a file";
    uint8_t byte = 0xCD;
    EXPECT_EQ(wave.Read(&byte, 1), 0u);
    EXPECT_EQ(byte, 0xCD);
}
