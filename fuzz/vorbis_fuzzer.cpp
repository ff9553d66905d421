// vorbis_fuzzer.cpp -- arbitrary bytes as an Ogg Vorbis file: decoded whole from memory, and when
// that succeeds, streamed from a file in memory in pieces and after seeks, which must give the
// same frames. This build skips the pages' checksums, so mutated inputs reach the decoder itself.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "memory_file.h"
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
    // Every input is taken as an Ogg file, so that no run is spent on the WAV reader.
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
    const size_t frameBytes = format.nBlockAlign;
    Check(!sound.Samples.empty() && sound.Samples.size() % frameBytes == 0);
    const uint64_t frames = sound.Samples.size() / frameBytes;

    fuzzing::Input().Write(file.data(), file.size());
    SoundStream* stream = OpenSoundStream(fuzzing::Input().path());
    Check(stream != nullptr && SoundStreamFrames(stream) == frames);
    std::vector<uint8_t> piece(700 * frameBytes);
    uint64_t at = 0;
    while (const size_t got = ReadSoundStream(stream, piece.data(), 700)) {
        Check(at + got <= frames);
        Check(memcmp(piece.data(), sound.Samples.data() + at * frameBytes, got * frameBytes) == 0);
        at += got;
    }
    Check(at == frames);
    for (uint64_t seek : {frames / 3, frames - 1, uint64_t{0}}) {
        Check(SeekSoundStream(stream, seek));
        const size_t got = ReadSoundStream(stream, piece.data(), 100);
        Check(got == std::min<uint64_t>(100, frames - seek));
        Check(memcmp(piece.data(), sound.Samples.data() + seek * frameBytes, got * frameBytes) == 0);
    }
    CloseSoundStream(stream);
    return 0;
}
