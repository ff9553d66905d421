// layer_dsound_test.cpp -- DirectSound as the platform behaves: buffer creation, locks, play
// state, reference counts, the output without a sound card, and what the mixer makes of buffers

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "sound_support.h"
#include "support.h"

namespace {

constexpr DWORD EngineCaps = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;

constexpr WORD Float = 3;            // WAVE_FORMAT_IEEE_FLOAT
constexpr WORD Extensible = 0xFFFE;  // WAVE_FORMAT_EXTENSIBLE

WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits)
{
    const WORD align = static_cast<WORD>(channels * bits / 8);
    return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// A format record typed field by field, exactly 18 + cbSize bytes long. An extensible record
// carries the valid bits, the channel mask and the sample format's GUID, whose first four bytes
// hold the sample format's tag.
std::vector<uint8_t> Record(WORD tag, WORD channels, DWORD rate, WORD bits, DWORD mask = 0,
                            WORD subFormat = WAVE_FORMAT_PCM, WORD extra = 22)
{
    std::vector<uint8_t> bytes;
    const auto put = [&](uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    const uint32_t align = channels * bits / 8u;
    put(tag, 2); put(channels, 2); put(rate, 4); put(rate * align, 4); put(align, 2); put(bits, 2);
    put(tag == Extensible ? extra : 0, 2);
    if (tag == Extensible && extra >= 22) {
        put(bits, 2); put(mask, 4);
        put(subFormat, 4); put(0x00100000, 4); put(0xAA000080, 4); put(0x719B3800, 4);
    }
    bytes.shrink_to_fit();
    return bytes;
}

struct Sound {
    IDirectSound* device = nullptr;
    Sound()
    {
        EXPECT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
        EXPECT_EQ(device->SetCooperativeLevel(OpenGameWindow(), DSSCL_PRIORITY), DS_OK);
    }
    ~Sound()
    {
        if (device)
            device->Release();
    }
    HRESULT Create(WAVEFORMATEX* format, DWORD bytes, IDirectSoundBuffer** buffer,
                   DWORD caps = EngineCaps, DWORD descSize = sizeof(DSBUFFERDESC))
    {
        DSBUFFERDESC desc{descSize, caps, bytes, 0, format, {}};
        return device->CreateSoundBuffer(&desc, buffer, nullptr);
    }
    // A buffer holding these bytes.
    IDirectSoundBuffer* Load(WAVEFORMATEX format, const std::vector<uint8_t>& bytes)
    {
        return Load(reinterpret_cast<WAVEFORMATEX*>(&format), bytes);
    }
    IDirectSoundBuffer* Load(WAVEFORMATEX* format, const std::vector<uint8_t>& bytes)
    {
        IDirectSoundBuffer* buffer = nullptr;
        EXPECT_EQ(Create(format, static_cast<DWORD>(bytes.size()), &buffer), DS_OK);
        void* region = nullptr;
        DWORD length = 0;
        buffer->Lock(0, 0, &region, &length, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
        memcpy(region, bytes.data(), bytes.size());
        buffer->Unlock(region, length, nullptr, 0);
        return buffer;
    }
};

// Plays each buffer in turn to its end, releases them and the device, and gives back what the
// output heard: the stretches of sound, in order.
std::vector<std::vector<StereoFrame>> HeardInTurn(DiskCapture& capture, Sound& sound,
                                                  const std::vector<IDirectSoundBuffer*>& buffers)
{
    for (IDirectSoundBuffer* buffer : buffers) {
        EXPECT_EQ(buffer->Play(0, 0, 0), DS_OK);
        for (DWORD status = DSBSTATUS_PLAYING; status & DSBSTATUS_PLAYING; buffer->GetStatus(&status))
            WaitForFrames(100);
        WaitForFrames(1000);
    }
    for (IDirectSoundBuffer* buffer : buffers)
        buffer->Release();
    sound.device->Release();
    sound.device = nullptr;
    const std::vector<StereoFrame> frames = capture.Frames();
    std::vector<std::vector<StereoFrame>> heard;
    for (const auto& [first, length] : SoundRuns(frames))
        heard.emplace_back(frames.begin() + first, frames.begin() + first + length);
    return heard;
}

}  // namespace

TEST(CreateSoundBuffer, RefusesWhatThePlatformRefuses)
{
    Sound sound;
    struct Row {
        const char* name;
        std::vector<uint8_t> format;
        DWORD bytes, caps, descSize;
        HRESULT expected;
    };
    std::vector<uint8_t> badAlign = Record(WAVE_FORMAT_PCM, 2, 22050, 16);
    badAlign[12] = 3;
    const DWORD desc = sizeof(DSBUFFERDESC);
    const Row rows[] = {
        {"description size", Record(WAVE_FORMAT_PCM, 1, 22050, 16), 400, EngineCaps, 32, DSERR_INVALIDPARAM},
        {"3 bytes", Record(WAVE_FORMAT_PCM, 1, 22050, 16), 3, EngineCaps, desc, DSERR_INVALIDPARAM},
        {"12 bits", Record(WAVE_FORMAT_PCM, 1, 22050, 12), 400, EngineCaps, desc, DSERR_INVALIDPARAM},
        {"no channels", Record(WAVE_FORMAT_PCM, 0, 22050, 16), 400, EngineCaps, desc, DSERR_INVALIDPARAM},
        {"block of 3", badAlign, 400, EngineCaps, desc, DSERR_INVALIDPARAM},
        {"ADPCM", Record(2, 1, 22050, 4), 512, EngineCaps, desc, DSERR_BADFORMAT},
        {"16-bit float", Record(Float, 1, 22050, 16), 400, EngineCaps, desc, DSERR_BADFORMAT},
        {"extensible, short", Record(Extensible, 2, 22050, 16, 3, 1, 0), 400, EngineCaps, desc, DSERR_INVALIDPARAM},
        {"extensible ADPCM", Record(Extensible, 2, 22050, 16, 3, 2), 400, EngineCaps, desc, DSERR_BADFORMAT},
        {"primary with a format", Record(WAVE_FORMAT_PCM, 1, 22050, 16), 400, DSBCAPS_PRIMARYBUFFER, desc, DSERR_INVALIDPARAM},
    };
    for (Row row : rows) {
        SCOPED_TRACE(row.name);
        IDirectSoundBuffer* buffer = reinterpret_cast<IDirectSoundBuffer*>(&row);
        EXPECT_EQ(sound.Create(reinterpret_cast<WAVEFORMATEX*>(row.format.data()), row.bytes,
                               &buffer, row.caps, row.descSize),
                  row.expected);
        EXPECT_EQ(buffer, nullptr);
    }
}

TEST(CreateSoundBuffer, NewBuffersAreSilentWholeFramesReadingOnlyThePcmRecord)
{
    Sound sound;
    struct Row {
        WORD channels, bits;
        DWORD bytes, expectedLength;
        uint8_t silence;
    };
    for (const Row& row : {Row{1, 8, 5, 5, 0x80}, Row{2, 16, 6, 8, 0x00}}) {
        SCOPED_TRACE(row.bits);
        // Only 16 bytes exist: reading cbSize would reach past them (AddressSanitizer).
        auto* record = static_cast<WAVEFORMATEX*>(malloc(sizeof(PCMWAVEFORMAT)));
        const WAVEFORMATEX pcm = Pcm(row.channels, 11025, row.bits);
        memcpy(record, &pcm, sizeof(PCMWAVEFORMAT));
        IDirectSoundBuffer* buffer = nullptr;
        ASSERT_EQ(sound.Create(record, row.bytes, &buffer, EngineCaps, sizeof(DSBUFFERDESC1)), DS_OK);
        free(record);
        uint8_t* region = nullptr;
        DWORD length = 0;
        buffer->Lock(0, 0, reinterpret_cast<void**>(&region), &length, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
        EXPECT_EQ(length, row.expectedLength);
        for (DWORD i = 0; i < length; ++i)
            EXPECT_EQ(region[i], row.silence) << "byte " << i;
        EXPECT_EQ(buffer->Release(), 0u);
    }
}

TEST(IDirectSoundBuffer, LocksRegionsOfTheCircularBuffer)
{
    Sound sound;
    IDirectSoundBuffer* buffer = sound.Load(Pcm(1, 8000, 8), std::vector<uint8_t>(8));
    uint8_t* region1 = nullptr;
    uint8_t* region2 = nullptr;
    DWORD length1 = 0;
    DWORD length2 = 0;
    const auto lock = [&](DWORD offset, DWORD bytes, bool second) {
        return buffer->Lock(offset, bytes, reinterpret_cast<void**>(&region1), &length1,
                            second ? reinterpret_cast<void**>(&region2) : nullptr,
                            second ? &length2 : nullptr, 0);
    };
    ASSERT_EQ(lock(6, 4, true), DS_OK);  // two bytes at the end, two from the start
    EXPECT_EQ(length1, 2u);
    EXPECT_EQ(length2, 2u);
    EXPECT_EQ(region1 - region2, 6);
    EXPECT_EQ(buffer->Unlock(region1, length1, region2, length2), DS_OK);
    EXPECT_EQ(buffer->Unlock(region1, 3, region2, length2), DSERR_INVALIDPARAM) << "past the end";
    ASSERT_EQ(lock(6, 4, false), DS_OK);
    EXPECT_EQ(length1, 2u) << "without a second region the lock stops at the end";
    ASSERT_EQ(lock(0, 8, true), DS_OK);
    EXPECT_EQ(length1, 8u);
    EXPECT_EQ(region2, nullptr);
    EXPECT_EQ(length2, 0u);
    EXPECT_EQ(lock(0, 9, true), DSERR_INVALIDPARAM);
    EXPECT_EQ(lock(8, 1, true), DSERR_INVALIDPARAM);
}

TEST(IDirectSound, BuffersHoldTheDeviceAndPlayOnlyOnceALevelIsSet)
{
    IDirectSound* device = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
    WAVEFORMATEX format = Pcm(1, 22050, 8);
    DSBUFFERDESC desc{sizeof(desc), 0, 100, 0, &format, {}};
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(device->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
    EXPECT_EQ(buffer->Play(0, 0, 0), DSERR_PRIOLEVELNEEDED);
    EXPECT_EQ(device->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DSERR_INVALIDPARAM);
    ASSERT_EQ(device->SetCooperativeLevel(OpenGameWindow(), DSSCL_PRIORITY), DS_OK);
    DWORD status = 0;
    EXPECT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, static_cast<DWORD>(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
    EXPECT_EQ(buffer->Stop(), DS_OK);
    EXPECT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(buffer->SetVolume(0), DSERR_CONTROLUNAVAIL) << "made without volume control";
    EXPECT_EQ(buffer->SetCurrentPosition(100), DSERR_INVALIDPARAM);
    EXPECT_EQ(device->Release(), 1u) << "the buffer holds the device";
    EXPECT_NE(OutputRate(), 0);
    EXPECT_EQ(buffer->Release(), 0u);
    EXPECT_EQ(OutputRate(), 0) << "the output closes with the last device";

    layer_fail_call("DirectSoundCreate", 0, DSERR_NODRIVER);
    EXPECT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(device, nullptr);
}

// Plays through the mixer into SDL's disk driver and reads back what it wrote.
TEST(Mixer, ConvertsSaturatesResumesAndPans)
{
    DiskCapture capture;
    Sound sound;
    const DWORD rate = static_cast<DWORD>(OutputRate());
    IDirectSoundBuffer* eight = sound.Load(Pcm(2, rate, 8), {0x00, 0xFF, 0x81, 0x7F});
    IDirectSoundBuffer* loud1 = sound.Load(Pcm(1, rate, 16), Samples16({30000, -30000}));
    IDirectSoundBuffer* loud2 = sound.Load(Pcm(1, rate, 16), Samples16({30000, -30000}));
    std::vector<int16_t> ramp(20000);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(1 + i);
    IDirectSoundBuffer* counting = sound.Load(Pcm(1, rate, 16), Samples16(ramp));
    IDirectSoundBuffer* panned = sound.Load(Pcm(1, rate, 16), Samples16({5000, 5000}));
    panned->SetPan(10000);

    eight->Play(0, 0, 0);
    WaitForFrames(1500);
    loud1->Play(0, 0, 0);
    loud2->Play(0, 0, 0);
    WaitForFrames(1500);
    for (int part = 0; part < 2; ++part) {
        counting->Play(0, 0, 0);
        WaitForFrames(2000);
        counting->Stop();
        WaitForFrames(1500);
    }
    panned->Play(0, 0, 0);
    WaitForFrames(1500);
    for (IDirectSoundBuffer* buffer : {eight, loud1, loud2, counting, panned})
        buffer->Release();
    sound.device->Release();
    sound.device = nullptr;

    const std::vector<StereoFrame> frames = capture.Frames();
    const auto runs = SoundRuns(frames);
    ASSERT_EQ(runs.size(), 5u);
    const auto at = [&](size_t run, size_t i) { return frames[runs[run].first + i]; };
    // 8-bit samples are unsigned around 128: 0 is the lowest value, 0xFF just under the highest.
    ASSERT_EQ(runs[0].second, 2u);
    EXPECT_EQ(at(0, 0).left, -32768);
    EXPECT_EQ(at(0, 0).right, 32512);
    EXPECT_EQ(at(0, 1).left, 256);
    EXPECT_EQ(at(0, 1).right, -256);
    // Two loud sounds together: the sum is held at the limits, not wrapped.
    ASSERT_EQ(runs[1].second, 2u);
    EXPECT_EQ(at(1, 0).left, 32767);
    EXPECT_EQ(at(1, 1).right, -32768);
    // Stopped and played again, a sound goes on from where it stopped.
    const size_t before = runs[2].second;
    for (size_t i = 0; i < runs[3].second; ++i)
        ASSERT_EQ(at(3, i).left, static_cast<int16_t>(1 + before + i)) << "resumed frame " << i;
    // Panned hard right: the left side is silent.
    EXPECT_EQ(at(4, 0).left, 0);
    EXPECT_EQ(at(4, 0).right, 5000);
}

// Quiet and hard-panned sounds keep their level below zero as above it: the far side of a hard
// pan (-100 dB) is exact silence on negative half-waves too, and at -6 dB a negative level keeps
// its value (-1000 x 0.50119 = -501.19).
TEST(Mixer, RoundsToTheNearestValueOnBothSidesOfZero)
{
    DiskCapture capture;
    Sound sound;
    std::vector<int16_t> tone(2000);  // 20 periods, no sample on zero, each half the other negated
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<int16_t>(std::lround(20000 * std::sin((i + 0.5) * M_PI / 50)));
    const std::vector<int16_t> level(500, -1000), quiet(500, -501), none(500, 0), silence(2000, 0);
    struct Row {
        std::vector<int16_t> samples;
        LONG volume, pan;
        std::vector<int16_t> left, right;
    };
    const Row rows[] = {
        {tone, -10000, 0, {}, {}},  // not heard at all
        {tone, 0, -10000, tone, silence},
        {tone, 0, 10000, silence, tone},
        {level, -600, -10000, quiet, none},
        {level, -600, 10000, none, quiet},
    };
    std::vector<IDirectSoundBuffer*> buffers;
    for (const Row& row : rows) {
        buffers.push_back(sound.Load(Pcm(1, static_cast<DWORD>(OutputRate()), 16), Samples16(row.samples)));
        EXPECT_EQ(buffers.back()->SetVolume(row.volume), DS_OK);
        EXPECT_EQ(buffers.back()->SetPan(row.pan), DS_OK);
    }
    const auto heard = HeardInTurn(capture, sound, buffers);
    ASSERT_EQ(heard.size(), 4u) << "the tone at -100 dB is not heard at all";
    for (size_t i = 0; i < heard.size(); ++i) {
        SCOPED_TRACE(i + 1);
        const Row& row = rows[i + 1];
        std::vector<int16_t> left, right;
        for (const StereoFrame& frame : heard[i]) {
            left.push_back(frame.left);
            right.push_back(frame.right);
        }
        EXPECT_EQ(left, row.left);
        EXPECT_EQ(right, row.right);
    }
}

// Every format the platform plays, each sound two frames long (the last one played at half the
// output rate), folded down to stereo as a stereo speaker set-up hears it: the centre at -3 dB
// (x 0.70711) on both sides, side and back channels at -3 dB on their own side, the
// low-frequency channel left out.
TEST(Mixer, PlaysEveryFormatFoldedDownToStereo)
{
    DiskCapture capture;
    Sound sound;
    const DWORD rate = static_cast<DWORD>(OutputRate());
    const WORD pcm = WAVE_FORMAT_PCM;
    struct Row {
        const char* name;
        std::vector<uint8_t> format, data;
        std::vector<std::pair<int, int>> expected;
    };
    const Row rows[] = {
        {"24-bit stereo", Record(pcm, 2, rate, 24),
         {0x00, 0x00, 0x40, 0x00, 0x00, 0xC0, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80},
         {{16384, -16384}, {32767, -32768}}},
        {"32-bit mono", Record(pcm, 1, rate, 32), {0, 0, 0, 0x40, 0, 0, 0, 0xE0},
         {{16384, 16384}, {-8192, -8192}}},
        {"float stereo", Record(Float, 2, rate, 32),  // 0.5, -0.25; 2.0, -1.0
         {0, 0, 0, 0x3F, 0, 0, 0x80, 0xBE, 0, 0, 0, 0x40, 0, 0, 0x80, 0xBF},
         {{16384, -8192}, {32767, -32768}}},
        {"double mono", Record(Float, 1, rate, 64),  // 0.25, -0.5
         {0, 0, 0, 0, 0, 0, 0xD0, 0x3F, 0, 0, 0, 0, 0, 0, 0xE0, 0xBF},
         {{8192, 8192}, {-16384, -16384}}},
        {"3 channels: left, right, centre", Record(pcm, 3, rate, 16),
         Samples16({1000, 2000, 10000, 10000, 0, 0}), {{8071, 9071}, {10000, 0}}},
        {"5.1, low frequency left out", Record(pcm, 6, rate, 16),
         Samples16({1000, 2000, 0, 20000, 10000, 20000, 0, 0, 20000, 30000, 0, 0}),
         {{8071, 16142}, {14142, 14142}}},
        {"extensible 7.1, sides", Record(Extensible, 8, rate, 16, 0x63F),
         Samples16({0, 0, 0, 0, 0, 0, 10000, 20000, 0, 0, 0, 0, 10000, 0, 0, 0}),
         {{7071, 14142}, {7071, 0}}},
        {"extensible, centre and back left, third channel unplaced", Record(Extensible, 3, rate, 16, 0x14),
         Samples16({10000, 20000, 30000, 20000, 0, 30000}), {{21213, 7071}, {14142, 14142}}},
        {"extensible float mono, front left", Record(Extensible, 1, rate, 32, 0x1, Float),
         {0, 0, 0, 0x3F, 0, 0, 0, 0xBF}, {{16384, 0}, {-16384, 0}}},
        {"extensible, no positions", Record(Extensible, 3, rate, 16, 0),
         Samples16({1000, 2000, 3000, -1000, -2000, -3000}), {{1000, 2000}, {-1000, -2000}}},
        {"24-bit mono at half the rate", Record(pcm, 1, rate / 2, 24),
         {0x00, 0x00, 0x20, 0x00, 0x00, 0x40},
         {{8192, 8192}, {12288, 12288}, {16384, 16384}, {8192, 8192}}},
    };
    std::vector<IDirectSoundBuffer*> buffers;
    for (const Row& row : rows) {
        std::vector<uint8_t> format = row.format;
        buffers.push_back(sound.Load(reinterpret_cast<WAVEFORMATEX*>(format.data()), row.data));
    }
    const auto heard = HeardInTurn(capture, sound, buffers);
    ASSERT_EQ(heard.size(), std::size(rows));
    for (size_t i = 0; i < heard.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        ASSERT_EQ(heard[i].size(), rows[i].expected.size());
        for (size_t j = 0; j < heard[i].size(); ++j)
            EXPECT_EQ(std::make_pair(int{heard[i][j].left}, int{heard[i][j].right}), rows[i].expected[j])
                << "frame " << j;
    }
}

TEST(DirectSoundCreate, WithoutAudioOutputMixesIntoTheVoidInRealTime)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStderr();
    Sound sound;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("no audio output"), std::string::npos) << said;
    LayerAudioOutput output;
    ASSERT_TRUE(layer_audio_output(&output));
    EXPECT_TRUE(output.null);
    // 13230 frames are 300 ms at 44.1 kHz: the sound ends in about that time, not at once.
    IDirectSoundBuffer* buffer = sound.Load(Pcm(1, 44100, 16), std::vector<uint8_t>(26460));
    const Uint32 start = SDL_GetTicks();
    buffer->Play(0, 0, 0);
    for (DWORD status = DSBSTATUS_PLAYING; status & DSBSTATUS_PLAYING; buffer->GetStatus(&status)) {
        ASSERT_LT(SDL_GetTicks() - start, 5000u);
        SDL_Delay(1);
    }
    EXPECT_GE(SDL_GetTicks() - start, 200u);
}

TEST(IDirectSoundBuffer, LocksTheWholeBufferOrFromTheWriteCursor)
{
    Sound sound;
    IDirectSoundBuffer* buffer = sound.Load(Pcm(1, 8000, 16), std::vector<uint8_t>(8));
    uint8_t* region1 = nullptr;
    uint8_t* region2 = nullptr;
    DWORD length1 = 0;
    DWORD length2 = 0;
    const auto lock = [&](DWORD offset, DWORD bytes, DWORD flags) {
        return buffer->Lock(offset, bytes, reinterpret_cast<void**>(&region1), &length1,
                            reinterpret_cast<void**>(&region2), &length2, flags);
    };
    ASSERT_EQ(lock(0, 3, DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(length1, 8u) << "the byte count is ignored";
    EXPECT_EQ(length2, 0u);
    EXPECT_EQ(lock(8, 0, DSBLOCK_ENTIREBUFFER), DSERR_INVALIDPARAM) << "the offset still counts";
    const uint8_t* start = region1;
    // A stopped buffer's write cursor is its play cursor: 5 is rounded down to the frame at 4.
    ASSERT_EQ(buffer->SetCurrentPosition(5), DS_OK);
    ASSERT_EQ(lock(0, 6, DSBLOCK_FROMWRITECURSOR), DS_OK);
    EXPECT_EQ(region1, start + 4);
    EXPECT_EQ(length1, 4u);
    EXPECT_EQ(region2, start);
    EXPECT_EQ(length2, 2u);
    EXPECT_EQ(buffer->Unlock(region1, length1, region2, length2), DS_OK);
    buffer->Release();
    sound.device->Release();
    sound.device = nullptr;
}

TEST(IDirectSoundBuffer, ReportsCapsFormatAndCursorsAsThePlatformDoes)
{
    Sound sound;
    // 16-bit stereo at 8000 Hz: 4 bytes a frame, 32000 a second; one byte more rounds up a frame.
    WAVEFORMATEX pcm = Pcm(2, 8000, 16);
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(sound.Create(&pcm, 32001, &buffer), DS_OK);
    DSBCAPS caps{};
    EXPECT_EQ(buffer->GetCaps(&caps), DSERR_INVALIDPARAM) << "dwSize 0";
    EXPECT_EQ(buffer->GetCaps(nullptr), DSERR_INVALIDPARAM);
    caps.dwSize = sizeof(caps);
    ASSERT_EQ(buffer->GetCaps(&caps), DS_OK);
    EXPECT_EQ(caps.dwFlags, EngineCaps | DSBCAPS_LOCSOFTWARE);
    EXPECT_EQ(caps.dwBufferBytes, 32004u);

    DWORD written = 0;
    ASSERT_EQ(buffer->GetFormat(nullptr, 0, &written), DS_OK);
    EXPECT_EQ(written, 18u) << "the size a PCM record needs";
    EXPECT_EQ(buffer->GetFormat(nullptr, 0, nullptr), DSERR_INVALIDPARAM);
    WAVEFORMATEX back{};
    EXPECT_EQ(buffer->GetFormat(&back, 10, &written), DSERR_INVALIDPARAM);
    memset(&back, 0xCD, sizeof(back));
    ASSERT_EQ(buffer->GetFormat(&back, sizeof(back), &written), DS_OK);
    EXPECT_EQ(memcmp(&back, &pcm, 16), 0);
    EXPECT_EQ(back.cbSize, 0);
    std::vector<uint8_t> wide = Record(Extensible, 6, 48000, 24, 0x3F);
    IDirectSoundBuffer* surround = nullptr;
    ASSERT_EQ(sound.Create(reinterpret_cast<WAVEFORMATEX*>(wide.data()), 1800, &surround), DS_OK);
    uint8_t record[64];
    ASSERT_EQ(surround->GetFormat(reinterpret_cast<WAVEFORMATEX*>(record), sizeof(record), &written), DS_OK);
    EXPECT_EQ(written, 40u);
    EXPECT_EQ(memcmp(record, wide.data(), 40), 0);
    surround->Release();

    DWORD play = 1;
    DWORD write = 1;
    ASSERT_EQ(buffer->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 0u);
    EXPECT_EQ(write, 0u);
    EXPECT_EQ(buffer->SetCurrentPosition(32004), DSERR_INVALIDPARAM);
    ASSERT_EQ(buffer->SetCurrentPosition(31999), DS_OK);
    ASSERT_EQ(buffer->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 31996u) << "rounded down to a frame";
    // Playing, the write cursor leads by 10 ms: 81 frames of 4 bytes, wrapping past the end.
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ASSERT_EQ(buffer->Stop(), DS_OK);
    ASSERT_EQ(buffer->SetCurrentPosition(31996), DS_OK);
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ASSERT_EQ(buffer->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(write, (play + 324) % 32004);
    WaitForFrames(2000);
    DWORD later = 0;
    ASSERT_EQ(buffer->GetCurrentPosition(&later, nullptr), DS_OK);
    EXPECT_NE(later, play) << "the play cursor moves while playing";
    EXPECT_EQ(later % 4, 0u);
    ASSERT_EQ(buffer->Stop(), DS_OK);
    ASSERT_EQ(buffer->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(write, play) << "stopped: both cursors at the same place";
    buffer->Release();
    sound.device->Release();
    sound.device = nullptr;
}

TEST(IDirectSound, DuplicatesShareSamplesAndStartStoppedWithTheOriginalsSettings)
{
    DiskCapture capture;
    Sound sound;
    const DWORD rate = static_cast<DWORD>(OutputRate());
    IDirectSoundBuffer* original = sound.Load(Pcm(1, rate, 16), Samples16(std::vector<int16_t>(400, 1000)));
    ASSERT_EQ(original->SetVolume(-600), DS_OK);
    ASSERT_EQ(original->SetCurrentPosition(200), DS_OK);
    IDirectSoundBuffer* copy = nullptr;
    EXPECT_EQ(sound.device->DuplicateSoundBuffer(nullptr, &copy), DSERR_INVALIDPARAM);
    EXPECT_EQ(sound.device->DuplicateSoundBuffer(original, nullptr), DSERR_INVALIDPARAM);
    ASSERT_EQ(sound.device->DuplicateSoundBuffer(original, &copy), DS_OK);
    DWORD play = 1;
    DWORD status = 1;
    ASSERT_EQ(copy->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 0u) << "a duplicate starts at the beginning";
    ASSERT_EQ(copy->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    // Written through the original, then heard through the duplicate after the original is gone.
    int16_t* samples = nullptr;
    DWORD length = 0;
    ASSERT_EQ(original->Lock(0, 0, reinterpret_cast<void**>(&samples), &length, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    for (int i = 0; i < 400; ++i)
        samples[i] = 16000;
    original->Unlock(samples, length, nullptr, 0);
    EXPECT_EQ(original->Release(), 0u);
    const auto heard = HeardInTurn(capture, sound, {copy});
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].size(), 400u);
    // The original's -6 dB came along: 10^(-600/2000) of 16000.
    EXPECT_NEAR(heard[0][100].left, 8019, 80);
}

TEST(PrimaryBuffer, IsOneObjectWhoseVolumeScalesTheWholeMix)
{
    DiskCapture capture;
    Sound sound;
    IDirectSoundBuffer* primary = nullptr;
    WAVEFORMATEX pcm = Pcm(2, 44100, 16);
    struct Row { const char* name; DWORD flags; DWORD bytes; WAVEFORMATEX* format; };
    const Row refused[] = {
        {"a format", DSBCAPS_PRIMARYBUFFER, 0, &pcm},
        {"a length", DSBCAPS_PRIMARYBUFFER, 4096, nullptr},
        {"a frequency control", DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLFREQUENCY, 0, nullptr},
    };
    for (const Row& row : refused) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(sound.Create(row.format, row.bytes, &primary, row.flags), DSERR_INVALIDPARAM);
        EXPECT_EQ(primary, nullptr);
    }
    ASSERT_EQ(sound.Create(nullptr, 0, &primary, DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME), DS_OK);
    IDirectSoundBuffer* again = nullptr;
    ASSERT_EQ(sound.Create(nullptr, 0, &again, DSBCAPS_PRIMARYBUFFER), DS_OK);
    EXPECT_EQ(again, primary) << "the same object, its first description kept";
    EXPECT_EQ(again->Release(), 1u);
    IDirectSoundBuffer* copy = nullptr;
    EXPECT_EQ(sound.device->DuplicateSoundBuffer(primary, &copy), DSERR_INVALIDCALL);
    void* region = nullptr;
    DWORD length = 0;
    EXPECT_EQ(primary->Lock(0, 0, &region, &length, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DSERR_PRIOLEVELNEEDED);
    EXPECT_EQ(primary->SetCurrentPosition(0), DSERR_INVALIDCALL);
    EXPECT_EQ(primary->SetFrequency(22050), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(primary->Play(0, 0, 0), DSERR_INVALIDPARAM) << "only looping";
    ASSERT_EQ(primary->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    DWORD status = 0;
    ASSERT_EQ(primary->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, static_cast<DWORD>(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
    EXPECT_EQ(primary->SetVolume(1), DSERR_INVALIDPARAM);
    ASSERT_EQ(primary->SetVolume(-600), DS_OK);

    IDirectSoundBuffer* level = sound.Load(Pcm(1, OutputRate(), 16), Samples16(std::vector<int16_t>(400, 16000)));
    EXPECT_EQ(primary->Release(), 0u);
    const auto heard = HeardInTurn(capture, sound, {level});
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_NEAR(heard[0][100].left, 8019, 80) << "the output's volume stays after the primary goes";
}
