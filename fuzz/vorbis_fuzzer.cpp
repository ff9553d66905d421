// vorbis_fuzzer.cpp -- arbitrary bytes as an Ogg Vorbis file, decoded whole from memory; this
// build skips the pages' checksums, so mutated inputs reach the decoder itself

#include <cstdint>
#include <cstring>
#include <vector>

#include "sound/soundfile.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Every input is taken as an Ogg file, so that no mutation is spent on the WAV reader.
    std::vector<uint8_t> file(data, data + size);
    if (file.size() >= 4)
        memcpy(file.data(), "OggS", 4);
    SoundData sound;
    if (!ReadSoundMemory(file.data(), file.size(), "fuzz.ogg", sound))
        return 0;
    const WAVEFORMATEX& format = sound.Format.Format;
    Check(format.wBitsPerSample == 16);
    Check(format.nChannels >= 1 && format.nChannels <= MaxSoundChannels);
    Check(format.nBlockAlign == format.nChannels * 2);
    Check(!sound.Samples.empty() && sound.Samples.size() % format.nBlockAlign == 0);
    return 0;
}
