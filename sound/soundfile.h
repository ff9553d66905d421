// soundfile.h -- the sound file reader: WAV files read by their chunks and Ogg Vorbis files,
// decoded whole into memory or streamed from the file a piece at a time
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../app/platform.h"

// A decoded sound's format, laid out as the platform's extensible wave format record, so that
// &Format can be handed to CreateSoundBuffer. Plain 8- and 16-bit PCM with one or two channels
// comes as a plain record (Format.cbSize 0, the rest unused); every other layout (24- and 32-bit
// PCM, IEEE float, more than two channels) as an extensible one (Format.cbSize 22).
struct SoundFormat {
    WAVEFORMATEX Format;          // the general record; nAvgBytesPerSec worked out, not copied
    WORD ValidBitsPerSample;      // bits of each sample that carry sound
    DWORD ChannelMask;            // the speaker positions of the channels, in order
    uint8_t SubFormat[16];        // the sample format's GUID: PCM or IEEE float
};
static_assert(sizeof(SoundFormat) == 40, "laid out as WAVEFORMATEXTENSIBLE");

// A whole decoded sound: frames of Format.nBlockAlign bytes each, as CreateSoundBuffer takes them.
struct SoundData {
    SoundFormat Format;
    std::vector<uint8_t> Samples;
};

// The most sample bytes a sound read whole may decode to (the largest static buffer the
// platform makes, about 25 minutes of 16-bit stereo at 44.1 kHz); longer sounds are streamed.
constexpr uint32_t MaxSoundBytes = 0x0FFFFFFF;

// What the reader accepts: a RIFF/WAVE file whose chunks are walked in order ("fmt " anywhere
// before or after "data"; LIST, fact, "cue " and other chunks skipped), holding PCM of 8, 16, 24
// or 32 bits or IEEE float of 32 or 64 bits, plain or extensible, 1 to 8 channels at 1000 to
// 384000 frames a second; or an Ogg Vorbis file of 1 to 8 channels, given as 16-bit PCM with its
// channels in the WAV order. Anything else is refused with a reason.
constexpr uint32_t MinSoundRate = 1000;
constexpr uint32_t MaxSoundRate = 384000;
constexpr uint16_t MaxSoundChannels = 8;

// Reads and decodes a whole WAV or Ogg Vorbis file through the platform's file calls. False
// when the file cannot be read or is refused; LastEngineError() then names the file and the reason.
bool ReadSoundFile(const char* fileName, SoundData& sound);
// The same for a file already in memory; name stands for the file in the reason.
bool ReadSoundMemory(const void* data, size_t size, const char* name, SoundData& sound);

// --- Streams: a file opened once and decoded on demand, never loaded whole ---------------------
// A stream keeps its file mapped and shares nothing with other streams, so each may be read and
// sought from a thread of its own (one thread at a time per stream); reads and seeks make no
// platform call. Open and close streams on the game's thread: opening goes through the file calls
// and sets the engine's one failure reason, and closing unmaps the file.

struct SoundStream;

// Opens a WAV or Ogg Vorbis file for reading a piece at a time; null when it cannot be read or is
// refused (LastEngineError() names the file and the reason). CloseSoundStream gives it back.
SoundStream* OpenSoundStream(const char* fileName);
// The format of the frames the stream gives; lives as long as the stream.
const WAVEFORMATEX* SoundStreamFormat(const SoundStream* stream);
// The stream's length in frames.
uint64_t SoundStreamFrames(const SoundStream* stream);
// The frame the next read starts at.
uint64_t SoundStreamPosition(const SoundStream* stream);
// Writes up to frames frames into buffer and moves on; the frames written, 0 at the end or when
// the data turns out to be corrupt (LastEngineError() is not set here: this runs on any thread).
size_t ReadSoundStream(SoundStream* stream, void* buffer, size_t frames);
// Moves the next read to the given frame exactly; false (position unchanged) past the end.
bool SeekSoundStream(SoundStream* stream, uint64_t frame);
// Closes the file and frees the stream; null is allowed.
void CloseSoundStream(SoundStream* stream);
