// soundfile_fuzzer.cpp -- arbitrary files as WAV files through the sound file reader, which walks
// their chunks: read whole through the platform's file calls, then streamed in pieces and after
// seeks, which must give the same frames; the file lives in memory only

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

// A format the reader gives is one the sound device takes.
void CheckFormat(const WAVEFORMATEX& format)
{
    Check(format.nChannels >= 1 && format.nChannels <= MaxSoundChannels);
    Check(format.nSamplesPerSec >= MinSoundRate && format.nSamplesPerSec <= MaxSoundRate);
    Check(format.wBitsPerSample % 8 == 0 && format.wBitsPerSample >= 8);
    Check(format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8);
    Check(format.nAvgBytesPerSec == format.nSamplesPerSec * format.nBlockAlign);
    Check(format.wFormatTag == WAVE_FORMAT_PCM ? format.cbSize == 0 : format.cbSize == 22);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Every input is taken as a RIFF file, so that no run is spent on the Ogg decoder, which
    // vorbis_fuzzer covers.
    std::vector<uint8_t> file(data, data + size);
    if (size >= 4)
        memcpy(file.data(), "RIFF", 4);
    data = file.data();
    fuzzing::Input().Write(data, size);
    const char* path = fuzzing::Input().path();
    SoundData sound;
    const bool read = ReadSoundFile(path, sound);
    SoundStream* stream = OpenSoundStream(path);
    Check(read == (stream != nullptr));
    if (!read)
        return 0;
    const WAVEFORMATEX& format = sound.Format.Format;
    CheckFormat(format);
    const size_t frameBytes = format.nBlockAlign;
    Check(sound.Samples.size() % frameBytes == 0 && !sound.Samples.empty());
    Check(sound.Samples.size() <= size);
    const uint64_t frames = sound.Samples.size() / frameBytes;
    Check(SoundStreamFrames(stream) == frames);
    Check(memcmp(SoundStreamFormat(stream), &format, sizeof format) == 0);

    // Streamed in pieces, then from a few places: the same frames as the whole read.
    std::vector<uint8_t> piece(1000 * frameBytes);
    uint64_t at = 0;
    for (size_t count : {1, 999, 37, 1000}) {
        const size_t got = ReadSoundStream(stream, piece.data(), count);
        Check(got == std::min<uint64_t>(count, frames - at));
        Check(memcmp(piece.data(), sound.Samples.data() + at * frameBytes, got * frameBytes) == 0);
        at += got;
    }
    for (uint64_t seek : {frames / 2, frames - 1, uint64_t{0}, frames}) {
        Check(SeekSoundStream(stream, seek));
        const size_t got = ReadSoundStream(stream, piece.data(), 300);
        Check(got == std::min<uint64_t>(300, frames - seek));
        Check(memcmp(piece.data(), sound.Samples.data() + seek * frameBytes, got * frameBytes) == 0);
    }
    Check(!SeekSoundStream(stream, frames + 1));
    CloseSoundStream(stream);
    return 0;
}
