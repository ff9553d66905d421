// sound_soundfile_test.cpp -- the sound file reader: WAV layouts walked by their chunks, Ogg
// Vorbis against its source, streams against whole reads, refusals, and AddSoundFile

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

#include "sound/sound.h"
#include "sound/soundfile.h"
#include "sound_support.h"
#include "support.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Le32(uint32_t value)
{
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A chunk: its tag, its size as given (the true size unless told), its bytes, a pad byte when odd.
Bytes Chunk(const char* tag, const Bytes& body, int64_t size = -1)
{
    Bytes out(tag, tag + 4);
    out = out + Le32(size < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(size)) +
          body;
    if (body.size() % 2)
        out.push_back(0);
    return out;
}

Bytes Riff(const Bytes& chunks)
{
    return Bytes{'R', 'I', 'F', 'F'} + Le32(static_cast<uint32_t>(chunks.size() + 4)) +
           Bytes{'W', 'A', 'V', 'E'} + chunks;
}

// 16-bit stereo 8000 Hz, as a 16-byte PCM record typed out: tag 1, 2 channels, 8000 Hz,
// 32000 bytes a second, 4-byte frames, 16 bits.
const Bytes StereoFormat = {1, 0, 2, 0, 0x40, 0x1F, 0, 0, 0x00, 0x7D, 0, 0, 4, 0, 16, 0};
// The same as an extensible record: cbSize 22, 16 valid bits, front left and right, the PCM GUID.
const Bytes ExtensibleFormat = {0xFE, 0xFF, 2, 0, 0x40, 0x1F, 0, 0, 0x00, 0x7D, 0, 0, 4, 0, 16, 0,
                                22, 0, 16, 0, 3, 0, 0, 0,
                                1, 0, 0, 0, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA,
                                0x00, 0x38, 0x9B, 0x71};
// Three frames of two 16-bit samples.
const Bytes ThreeFrames = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

std::string TestData(const char* name) { return std::string(SOUND_TEST_DATA) + "/" + name; }

SoundData ReadOrFail(const std::string& name)
{
    SoundData sound;
    EXPECT_TRUE(ReadSoundFile(name.c_str(), sound)) << LastEngineError();
    return sound;
}

std::vector<int16_t> AsSamples(const Bytes& bytes)
{
    std::vector<int16_t> out(bytes.size() / 2);
    memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

// Writes an Ogg page's checksum for its present bytes: CRC-32, polynomial 0x04C11DB7, most
// significant bit first, over the page with its checksum field as zeros.
void FixOggChecksum(Bytes& file, size_t page)
{
    size_t length = 27 + file[page + 26];
    for (size_t i = 0; i < file[page + 26]; ++i)
        length += file[page + 27 + i];
    std::fill(file.begin() + static_cast<long>(page + 22), file.begin() + static_cast<long>(page + 26), 0);
    uint32_t crc = 0;
    for (size_t i = page; i < page + length; ++i) {
        crc ^= static_cast<uint32_t>(file[i]) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x80000000u ? crc << 1 ^ 0x04C11DB7u : crc << 1;
    }
    const Bytes sum = Le32(crc);
    std::copy(sum.begin(), sum.end(), file.begin() + static_cast<long>(page + 22));
}

}  // namespace

TEST(SoundFile, WaveLayoutsGiveTheSameSamples)
{
    const Bytes list = Chunk("LIST", {'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 3, 0, 0, 0, 'a', 'b', 0});
    const Bytes fact = Chunk("fact", {3, 0, 0, 0});
    const Bytes data = Chunk("data", ThreeFrames);
    struct Row { const char* name; Bytes file; };
    const Row rows[] = {
        {"canonical", Riff(Chunk("fmt ", StereoFormat) + data)},
        {"LIST and fact before the data", Riff(list + Chunk("fmt ", StereoFormat) + fact + data)},
        {"LIST, cue and unknown chunks after the data",
         Riff(Chunk("fmt ", StereoFormat) + data + Chunk("cue ", {0, 0, 0, 0}) + list +
              Chunk("odd!", {7}))},
        {"fmt after the data", Riff(data + list + Chunk("fmt ", StereoFormat))},
        {"18-byte fmt with cbSize", Riff(Chunk("fmt ", StereoFormat + Bytes{0, 0}) + data)},
        {"extensible", Riff(Chunk("fmt ", ExtensibleFormat) + fact + data)},
        {"half a frame after the data", Riff(Chunk("fmt ", StereoFormat) +
                                             Chunk("data", ThreeFrames + Bytes{13, 14}))},
        {"odd last chunk without its pad byte",
         [&] { Bytes f = Riff(Chunk("fmt ", StereoFormat) + data + Chunk("odd!", {7})); f.pop_back(); return f; }()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SoundData sound;
        ASSERT_TRUE(ReadSoundMemory(row.file.data(), row.file.size(), "t.wav", sound))
            << LastEngineError();
        EXPECT_EQ(sound.Samples, ThreeFrames);
        const WAVEFORMATEX& f = sound.Format.Format;
        EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(f.nChannels, 2);
        EXPECT_EQ(f.nSamplesPerSec, 8000u);
        EXPECT_EQ(f.nAvgBytesPerSec, 32000u);
        EXPECT_EQ(f.nBlockAlign, 4);
        EXPECT_EQ(f.wBitsPerSample, 16);
    }
}

TEST(SoundFile, WideAndManyChannelFormatsComeAsExtensibleRecords)
{
    // 24-bit mono 48000 Hz (tag 1, 1 channel, 0xBB80 Hz, 144000 bytes a second, 3-byte frames),
    // and 32-bit float 6 channels (tag 3, 0x5622 Hz = 22050, 529200 bytes a second, 24-byte frames).
    const Bytes wide = {1, 0, 1, 0, 0x80, 0xBB, 0, 0, 0x80, 0x32, 0x02, 0, 3, 0, 24, 0};
    const Bytes surround = {3, 0, 6, 0, 0x22, 0x56, 0, 0, 0x30, 0x13, 0x08, 0, 24, 0, 32, 0};
    struct Row { const char* name; Bytes format; size_t frameBytes; uint8_t subFormat;
                 uint32_t mask; uint16_t bits; };
    const Row rows[] = {
        {"24-bit PCM", wide, 3, 1, 0x4, 24},
        {"float 5.1", surround, 24, 3, 0x3F, 32},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes samples(row.frameBytes * 2);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<uint8_t>(0x40 + i);
        const Bytes file = Riff(Chunk("fmt ", row.format) + Chunk("data", samples));
        SoundData sound;
        ASSERT_TRUE(ReadSoundMemory(file.data(), file.size(), "t.wav", sound)) << LastEngineError();
        EXPECT_EQ(sound.Samples, samples);
        EXPECT_EQ(sound.Format.Format.wFormatTag, 0xFFFE);
        EXPECT_EQ(sound.Format.Format.cbSize, 22);
        EXPECT_EQ(sound.Format.Format.nBlockAlign, row.frameBytes);
        EXPECT_EQ(sound.Format.ValidBitsPerSample, row.bits);
        EXPECT_EQ(sound.Format.ChannelMask, row.mask);
        EXPECT_EQ(sound.Format.SubFormat[0], row.subFormat);
        EXPECT_EQ(sound.Format.SubFormat[15], 0x71);
    }
}

TEST(SoundFile, RefusesBadFilesWithTheirReason)
{
    const Bytes data = Chunk("data", ThreeFrames);
    auto format = [](size_t offset, std::initializer_list<uint8_t> bytes) {
        Bytes f = StereoFormat;
        std::copy(bytes.begin(), bytes.end(), f.begin() + static_cast<long>(offset));
        return Chunk("fmt ", f);
    };
    Bytes longRiff = Riff(Chunk("fmt ", StereoFormat) + data);
    longRiff[4] += 2;
    Bytes ogg = ReadBytes(TestData("music.ogg"));
    // The last page starts at the last "OggS".
    size_t lastPage = ogg.size() - 4;
    while (lastPage > 0 && memcmp(ogg.data() + lastPage, "OggS", 4) != 0)
        --lastPage;
    // The first page holds the identification header alone, its channel count at byte 39; the
    // second starts at byte 58 with the comment header, whose vendor text's length comes 7 bytes in.
    ASSERT_EQ(ogg[39], 2);
    Bytes noChannels = ogg;
    noChannels[39] = 0;
    FixOggChecksum(noChannels, 0);
    Bytes longVendor = ogg;
    const size_t comment = 58 + 27 + longVendor[58 + 26];
    ASSERT_EQ(longVendor[comment], 3);
    longVendor[comment + 10] = 0x10;
    FixOggChecksum(longVendor, 58);
    Bytes corruptOgg = ogg;
    for (size_t i = 6000; i < 6400; ++i)
        corruptOgg[i] ^= 0x5A;
    struct Row { const char* name; Bytes file; const char* reason; };
    const Row rows[] = {
        {"empty", {}, "an empty file"},
        {"text", {'h', 'e', 'l', 'l', 'o'}, "neither a WAV nor an Ogg Vorbis file"},
        {"big-endian", {'R', 'I', 'F', 'X', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, "big-endian RIFX"},
        {"not WAVE", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}, "not a WAVE file"},
        {"RIFF size past the end", longRiff, "the RIFF chunk says 58 bytes but the file holds 56"},
        {"no data chunk", Riff(Chunk("fmt ", StereoFormat)), "no data chunk"},
        {"no fmt chunk", Riff(data), "no fmt chunk"},
        {"data size past the end", Riff(Chunk("fmt ", StereoFormat) + Chunk("data", ThreeFrames, 14)),
         "the 'data' chunk at byte 36 says 14 bytes, past the end of the file"},
        {"cut-off chunk header", Riff(Chunk("fmt ", StereoFormat) + Bytes{'d', 'a', 't'}),
         "a chunk header cut short at byte 36"},
        {"short fmt", Riff(Chunk("fmt ", Bytes(StereoFormat.begin(), StereoFormat.begin() + 14)) + data),
         "the fmt chunk is 14 bytes"},
        {"zero channels", Riff(format(2, {0}) + data), "0 channels; 1 to 8 are read"},
        {"nine channels", Riff(format(2, {9}) + data), "9 channels; 1 to 8 are read"},
        {"999 Hz", Riff(format(4, {0xE7, 0x03}) + data), "999 frames a second"},
        {"384001 Hz", Riff(format(4, {0x01, 0xDC, 0x05}) + data), "384001 frames a second"},
        {"block align", Riff(format(12, {6}) + data), "a frame of 6 bytes for 2 channels of 16 bits"},
        {"12-bit", Riff(format(14, {12}) + data), "12-bit PCM samples are not read"},
        {"ADPCM", Riff(format(0, {2}) + data), "format tag 2 is compressed or unknown"},
        {"16-bit float", Riff(format(0, {3}) + data), "16-bit float samples are not read"},
        {"extensible cut short", Riff(Chunk("fmt ", Bytes(ExtensibleFormat.begin(), ExtensibleFormat.end() - 1)) + data),
         "the extensible fmt chunk is cut short"},
        {"empty data", Riff(Chunk("fmt ", StereoFormat) + Chunk("data", {1, 2})), "no whole frame"},
        {"Ogg of its last page only", Bytes(ogg.begin() + static_cast<long>(lastPage), ogg.end()),
         "the Vorbis comment header is missing"},
        {"Vorbis with no channels", noChannels, "not a Vorbis stream the decoder reads"},
        {"Vorbis vendor text past the header", longVendor, "the Vorbis comment header is damaged"},
        {"Ogg cut short", Bytes(ogg.begin(), ogg.begin() + 9000), "is cut short"},
        {"Ogg without its last page", Bytes(ogg.begin(), ogg.begin() + lastPage), "no last page"},
        {"Ogg corrupted in the middle", corruptOgg, "damaged (its checksum does not match)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClearEngineError();
        SoundData sound;
        EXPECT_FALSE(ReadSoundMemory(row.file.data(), row.file.size(), "bad.wav", sound));
        const std::string error = LastEngineError();
        EXPECT_EQ(error.rfind("bad.wav: ", 0), 0u) << error;
        EXPECT_NE(error.find(row.reason), std::string::npos) << error;
    }
}

TEST(SoundFile, OggDecodesToItsSourceAboveTwentyDecibels)
{
    // music.ogg is music.wav through oggenc at quality 4 (tools/make_oggs.py).
    const SoundData source = ReadOrFail(TestData("music.wav"));
    const SoundData decoded = ReadOrFail(TestData("music.ogg"));
    const WAVEFORMATEX& f = decoded.Format.Format;
    EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nSamplesPerSec, 44100u);
    EXPECT_EQ(f.wBitsPerSample, 16);
    ASSERT_EQ(decoded.Samples.size(), source.Samples.size()) << "one second, frame for frame";
    const std::vector<int16_t> want = AsSamples(source.Samples);
    const std::vector<int16_t> got = AsSamples(decoded.Samples);
    double signal = 0;
    double noise = 0;
    for (size_t i = 0; i < want.size(); ++i) {
        signal += double(want[i]) * want[i];
        noise += double(got[i] - want[i]) * (got[i] - want[i]);
    }
    const double snr = 10 * std::log10(signal / noise);
    EXPECT_GT(snr, 20.0);
}

TEST(SoundFile, StreamsReadAndSeekAsTheWholeFileReads)
{
    for (const char* name : {"music.wav", "music.ogg"}) {
        SCOPED_TRACE(name);
        const SoundData whole = ReadOrFail(TestData(name));
        SoundStream* stream = OpenSoundStream(TestData(name).c_str());
        ASSERT_NE(stream, nullptr) << LastEngineError();
        const size_t frameBytes = whole.Format.Format.nBlockAlign;
        const uint64_t frames = whole.Samples.size() / frameBytes;
        EXPECT_EQ(SoundStreamFrames(stream), frames);
        EXPECT_EQ(memcmp(SoundStreamFormat(stream), &whole.Format.Format, sizeof(WAVEFORMATEX)), 0);

        // Read through in uneven pieces.
        Bytes all;
        const size_t pieces[] = {1, 700, 4096, 4097, 333};
        for (size_t i = 0;; ++i) {
            Bytes piece(pieces[i % 5] * frameBytes, 0xCD);
            const size_t got = ReadSoundStream(stream, piece.data(), pieces[i % 5]);
            if (got == 0)
                break;
            all.insert(all.end(), piece.begin(), piece.begin() + static_cast<long>(got * frameBytes));
        }
        EXPECT_TRUE(all == whole.Samples) << "read through in pieces";

        // Seeks, forwards and back, land on the frame asked for.
        for (uint64_t at : {uint64_t{20000}, uint64_t{0}, uint64_t{1}, uint64_t{4095}, uint64_t{33333},
                            frames - 5, uint64_t{9}, frames}) {
            SCOPED_TRACE(at);
            ASSERT_TRUE(SeekSoundStream(stream, at));
            Bytes piece(1001 * frameBytes, 0xCD);
            const size_t got = ReadSoundStream(stream, piece.data(), 1000);
            ASSERT_EQ(got, std::min<uint64_t>(1000, frames - at));
            EXPECT_EQ(memcmp(piece.data(), whole.Samples.data() + at * frameBytes, got * frameBytes), 0);
            EXPECT_EQ(piece[got * frameBytes], 0xCD) << "nothing written past the frames given";
        }
        EXPECT_FALSE(SeekSoundStream(stream, frames + 1));
        EXPECT_EQ(SoundStreamPosition(stream), frames);
        CloseSoundStream(stream);
    }
    EXPECT_EQ(OpenSoundStream("missing.ogg"), nullptr);
    EXPECT_STREQ(LastEngineError(), "missing.ogg: no such file");
}

TEST(SoundFile, AddSoundFileLoadsIntoTheNextSlotOrGivesAReason)
{
    ScratchDirectory dir;
    layer_capture_message_boxes(true);
    OpenGameWindow();
    EXPECT_EQ(AddSoundFile("early.wav"), -1);
    EXPECT_STREQ(LastEngineError(), "early.wav: the sound device is not set up (InitDirectSound)");
    ASSERT_TRUE(InitDirectSound(hMainWindow));

    WriteBytes("canonical.wav", Riff(Chunk("fmt ", StereoFormat) + Chunk("data", ThreeFrames)));
    WriteBytes("tagged.wav", Riff(Chunk("LIST", {'I', 'N', 'F', 'O'}) + Chunk("fmt ", StereoFormat) +
                                  Chunk("data", ThreeFrames)));
    EXPECT_EQ(AddSoundFile("sounds/missing.wav"), -1);
    EXPECT_STREQ(LastEngineError(), "sounds/missing.wav: no such file");
    EXPECT_EQ(AddSound("canonical.wav"), 0) << "the classic routine shares the slots";
    EXPECT_EQ(AddSoundFile("tagged.wav"), 1);
    ASSERT_EQ(NextSoundSlot, 2);
    EXPECT_EQ(layer_message_boxes().size(), 0u) << "no failure ended the program";

    // The slot's buffer holds the samples, not the chunks before them.
    void* region = nullptr;
    DWORD length = 0;
    void* region2 = nullptr;
    DWORD length2 = 0;
    ASSERT_EQ(SoundBuffer[1]->Lock(0, 12, &region, &length, &region2, &length2, 0),
              DS_OK);
    ASSERT_EQ(length, ThreeFrames.size());
    EXPECT_EQ(Bytes(static_cast<uint8_t*>(region), static_cast<uint8_t*>(region) + length), ThreeFrames);
    SoundBuffer[1]->Unlock(region, length, region2, length2);

    // A failed load leaves the slot's sound as it was.
    IDirectSoundBuffer* before = SoundBuffer[1];
    WriteBytes("bad.wav", Riff(Chunk("fmt ", StereoFormat)));
    EXPECT_FALSE(LoadSoundFile(1, "bad.wav"));
    EXPECT_STREQ(LastEngineError(), "bad.wav: no data chunk");
    EXPECT_EQ(SoundBuffer[1], before);
    ASSERT_TRUE(LoadSoundFile(1, TestData("music.ogg").c_str())) << LastEngineError();
    EXPECT_NE(SoundBuffer[1], nullptr);

    NextSoundSlot = SoundSlotCount;
    EXPECT_EQ(AddSoundFile("tagged.wav"), -1);
    EXPECT_STREQ(LastEngineError(), "tagged.wav: all 400 sound slots are taken");
    ReleaseSounds();
    ReleaseSounds();
}

TEST(SoundFile, StreamsOnThreadsOfTheirOwnShareNothing)
{
    // Streams opened here are read and sought on threads of their own while those threads also
    // decode whole copies from memory (the decoder's set-up included); every thread must see the
    // whole-file decode. ThreadSanitizer builds check that nothing is shared.
    const Bytes file = ReadBytes(TestData("music.ogg"));
    const SoundData whole = ReadOrFail(TestData("music.ogg"));
    SoundStream* streams[3] = {};
    for (SoundStream*& stream : streams)
        ASSERT_NE(stream = OpenSoundStream(TestData("music.ogg").c_str()), nullptr);
    bool same[3] = {};
    auto work = [&](int index) {
        bool ok = true;
        Bytes piece(512 * 4);
        for (int round = 0; round < 3; ++round) {
            SoundData copy;
            ok = ok && ReadSoundMemory(file.data(), file.size(), "music.ogg", copy) &&
                 copy.Samples == whole.Samples;
            for (uint64_t at : {uint64_t{7000} * index + round, uint64_t{100}}) {
                ok = ok && SeekSoundStream(streams[index], at) &&
                     ReadSoundStream(streams[index], piece.data(), 512) == 512 &&
                     memcmp(piece.data(), whole.Samples.data() + at * 4, piece.size()) == 0;
            }
        }
        same[index] = ok;
    };
    std::thread first(work, 0);
    std::thread second(work, 1);
    work(2);
    first.join();
    second.join();
    for (SoundStream* stream : streams)
        CloseSoundStream(stream);
    EXPECT_TRUE(same[0] && same[1] && same[2]);
}

TEST(SoundFile, OggChannelsComeInTheWaveOrder)
{
    // surround.ogg: 5.1 made from a WAV whose channel n is a tone of 500 * (n + 1) Hz; oggenc
    // stores them in the Vorbis order, and the reader must give them back in the WAV order.
    const SoundData sound = ReadOrFail(TestData("surround.ogg"));
    ASSERT_EQ(sound.Format.Format.nChannels, 6);
    EXPECT_EQ(sound.Format.ChannelMask, 0x3Fu);
    const std::vector<int16_t> samples = AsSamples(sound.Samples);
    const size_t frames = samples.size() / 6;
    for (int channel = 0; channel < 6; ++channel) {
        SCOPED_TRACE(channel);
        // The power at each of the six tones (Goertzel), the strongest being the channel's own.
        int strongest = -1;
        double best = 0;
        for (int tone = 0; tone < 6; ++tone) {
            const double coefficient = 2 * std::cos(2 * M_PI * 500.0 * (tone + 1) / 16000);
            double s1 = 0, s2 = 0;
            for (size_t i = 0; i < frames; ++i) {
                const double s0 = samples[i * 6 + channel] + coefficient * s1 - s2;
                s2 = s1;
                s1 = s0;
            }
            const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
            if (power > best) {
                best = power;
                strongest = tone;
            }
        }
        EXPECT_EQ(strongest, channel);
    }
}
