// wavefile_fuzzer.cpp -- arbitrary files through the WAV reader, read through in pieces and in
// one go, and then into a sound buffer in the file's own format as the sound table loads them;
// the file lives in memory only

#include <cstdint>
#include <vector>

#include "memory_file.h"
#include "sound/sound.h"

namespace {

// One device for the whole run; buffers are made and released for every input.
IDirectSound* Device()
{
    static IDirectSound* device = [] {
        IDirectSound* created = nullptr;
        DirectSoundCreate(nullptr, &created, nullptr);
        return created;
    }();
    return device;
}

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Every byte the reader hands out: from the file up to its data size, then silence.
void ReadThrough(WaveFile& wave, uint32_t dataSize, uint8_t silence)
{
    static const uint32_t pieces[] = {1, 7, 64, 1000, 3};
    std::vector<uint8_t> buffer(1000);
    uint32_t total = 0;
    for (size_t i = 0;; ++i) {
        const uint32_t length = pieces[i % 5];
        const uint32_t got = wave.Read(buffer.data(), length);
        Check(got <= length && total + got <= dataSize);
        total += got;
        if (got == 0)
            break;
        for (uint32_t j = got; j < length; ++j)
            Check(buffer[j] == silence);
    }
    Check(total == dataSize);

    // A read that starts at the end writes nothing, so only data followed by silence is filled.
    wave.Rewind();
    std::vector<uint8_t> whole(static_cast<size_t>(dataSize) + 16, 0x5A);
    Check(wave.Read(whole.data(), dataSize + 16) == dataSize);
    for (size_t j = dataSize; j < whole.size(); ++j)
        Check(whole[j] == (dataSize > 0 ? silence : 0x5A));
}

void LoadIntoBuffer(WaveFile& wave)
{
    IDirectSound* device = Device();
    if (!device)
        return;
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
    desc.dwBufferBytes = wave.GetSize();
    desc.lpwfxFormat = const_cast<WAVEFORMATEX*>(wave.GetFormat());
    IDirectSoundBuffer* buffer = nullptr;
    if (device->CreateSoundBuffer(&desc, &buffer, nullptr) != DS_OK)
        return;
    wave.Rewind();
    void* region = nullptr;
    DWORD length = 0;
    void* region2 = nullptr;
    DWORD length2 = 0;
    if (buffer->Lock(0, wave.GetSize(), &region, &length, &region2, &length2, 0) == DS_OK) {
        Check(length == wave.GetSize() && region2 == nullptr);
        wave.Read(region, wave.GetSize());
        buffer->Unlock(region, length, nullptr, 0);
    }
    Check(buffer->Release() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::Input().Write(data, size);
    WaveFile wave;
    if (!wave.Open(fuzzing::Input().path())) {
        Check(wave.GetSize() == 0 && wave.GetFormat() == nullptr);
        return 0;
    }
    const uint32_t dataSize = wave.GetSize();
    Check(dataSize <= size - 44);
    const uint8_t silence = wave.GetFormat()->wBitsPerSample == 8 ? 0x80 : 0x00;
    ReadThrough(wave, dataSize, silence);
    LoadIntoBuffer(wave);
    wave.Close();
    Check(wave.Read(nullptr, 10) == 0);
    return 0;
}
