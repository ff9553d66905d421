// soundfile.cpp -- the sound file reader: RIFF/WAVE chunks walked in order and Ogg Vorbis through
// stb_vorbis, read whole or streamed from a mapped file; nothing is read outside the file
//
// No state is shared between calls: every stream owns its mapping and its decoder's memory, so
// streams may be read on threads of their own. Only the failure reason of the opening calls goes
// to the one engine-wide text (SetEngineError).

#include "soundfile.h"

#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#define STB_VORBIS_HEADER_ONLY
#define STB_VORBIS_NO_STDIO
#include <stb_vorbis.h>

#include "../app/app.h"

namespace {

constexpr WORD FormatPcm = 1;
constexpr WORD FormatIeeeFloat = 3;
constexpr WORD FormatExtensible = 0xFFFE;
constexpr WORD ExtensibleExtraBytes = 22;

// The sample format GUIDs differ only in their first four bytes, which hold the format tag.
constexpr uint8_t SubFormatTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                       0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The speaker positions the platform gives plain records, by channel count: mono is the front
// centre, then stereo, left-right-centre, quadraphonic, 5.0, 5.1, 6.1 and 7.1.
constexpr DWORD DefaultSpeakerMasks[MaxSoundChannels + 1] = {0,    0x4,  0x3,   0x7,  0x33,
                                                             0x37, 0x3F, 0x70F, 0x63F};

// Vorbis orders channels its own way from three up; for each WAV position, the Vorbis channel
// that goes there (front left, front right, centre, low frequency, back, then side).
constexpr uint8_t VorbisToWaveOrder[MaxSoundChannels + 1][MaxSoundChannels] = {
    {},
    {0},
    {0, 1},
    {0, 2, 1},
    {0, 1, 2, 3},
    {0, 2, 1, 3, 4},
    {0, 2, 1, 5, 3, 4},
    {0, 2, 1, 6, 5, 3, 4},
    {0, 2, 1, 7, 5, 6, 3, 4},
};

// The decoder's memory for one Ogg file: all it allocates comes from here, so a file whose
// headers ask for more is refused instead of taking the process's memory. Usual files need about
// 100 to 300 KB; the larger size is tried only when the smaller is not enough.
constexpr int DecoderMemoryBytes[] = {512 << 10, 4 << 20};

// Frames the decoder is asked for at a time.
constexpr int DecodeFramesPerCall = 4096;

// Why a file was refused, written once and passed up to the public routine.
struct Reason {
    char Text[200] = "";
    bool Set(const char* format, ...)
    {
        va_list arguments;
        va_start(arguments, format);
        vsnprintf(Text, sizeof Text, format, arguments);
        va_end(arguments);
        return false;
    }
};

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A four-character code made printable for a reason.
void PrintableTag(const uint8_t* p, char (&out)[5])
{
    for (int i = 0; i < 4; ++i)
        out[i] = p[i] >= 0x20 && p[i] < 0x7F ? static_cast<char>(p[i]) : '?';
    out[4] = '\0';
}

// Fills the format record for samples of the given kind. Plain records for 8- and 16-bit PCM
// with one or two channels, as every version of the platform takes them; extensible otherwise.
void MakeFormat(SoundFormat& format, WORD sampleFormat, WORD channels, DWORD rate, WORD bits,
                WORD validBits, DWORD channelMask)
{
    format = SoundFormat{};
    const WORD blockAlign = static_cast<WORD>(channels * bits / 8);
    WAVEFORMATEX& ex = format.Format;
    ex.nChannels = channels;
    ex.nSamplesPerSec = rate;
    ex.nAvgBytesPerSec = rate * blockAlign;
    ex.nBlockAlign = blockAlign;
    ex.wBitsPerSample = bits;
    if (sampleFormat == FormatPcm && bits <= 16 && channels <= 2 && validBits == bits) {
        ex.wFormatTag = FormatPcm;
        return;
    }
    ex.wFormatTag = FormatExtensible;
    ex.cbSize = ExtensibleExtraBytes;
    format.ValidBitsPerSample = validBits;
    format.ChannelMask = channelMask;
    format.SubFormat[0] = static_cast<uint8_t>(sampleFormat);
    memcpy(format.SubFormat + 4, SubFormatTail, sizeof SubFormatTail);
}

// --- WAV ---------------------------------------------------------------------------------------

struct WaveLayout {
    SoundFormat Format{};
    size_t DataOffset = 0;  // the first sample byte in the file
    uint64_t Frames = 0;    // whole frames in the data chunk
};

// Checks a "fmt " chunk's contents and turns them into the format the reader gives.
bool ReadFormatChunk(const uint8_t* chunk, uint32_t size, SoundFormat& format, Reason& why)
{
    if (size < 16)
        return why.Set("the fmt chunk is %u bytes, shorter than a format record", size);
    WORD tag = Le16(chunk);
    const WORD channels = Le16(chunk + 2);
    const DWORD rate = Le32(chunk + 4);
    const WORD blockAlign = Le16(chunk + 12);
    const WORD bits = Le16(chunk + 14);
    WORD validBits = bits;
    DWORD mask = 0;
    if (tag == FormatExtensible) {
        if (size < 40 || Le16(chunk + 16) < ExtensibleExtraBytes)
            return why.Set("the extensible fmt chunk is cut short");
        validBits = Le16(chunk + 18);
        mask = Le32(chunk + 20);
        if (memcmp(chunk + 28, SubFormatTail, sizeof SubFormatTail) != 0 || Le16(chunk + 26) != 0)
            return why.Set("the extensible format's sample format is not PCM or IEEE float");
        tag = Le16(chunk + 24);
        if (validBits == 0)
            validBits = bits;
    }
    if (tag != FormatPcm && tag != FormatIeeeFloat)
        return why.Set("format tag %u is compressed or unknown; only PCM and IEEE float are read",
                       tag);
    if (channels == 0 || channels > MaxSoundChannels)
        return why.Set("%u channels; 1 to %u are read", channels, MaxSoundChannels);
    if (rate < MinSoundRate || rate > MaxSoundRate)
        return why.Set("%u frames a second; %u to %u are read", rate, MinSoundRate, MaxSoundRate);
    const bool bitsOk = tag == FormatPcm ? bits == 8 || bits == 16 || bits == 24 || bits == 32
                                         : bits == 32 || bits == 64;
    if (!bitsOk)
        return why.Set("%u-bit %s samples are not read", bits, tag == FormatPcm ? "PCM" : "float");
    if (validBits > bits)
        return why.Set("%u valid bits in a %u-bit sample", validBits, bits);
    if (blockAlign != channels * bits / 8)
        return why.Set("a frame of %u bytes for %u channels of %u bits", blockAlign, channels,
                       bits);
    if (mask == 0)
        mask = DefaultSpeakerMasks[channels];
    MakeFormat(format, tag, channels, rate, bits, validBits, mask);
    return true;
}

// Walks the chunks of a RIFF/WAVE file in order, taking the first "fmt " and "data" chunks and
// skipping all others. Chunks are padded to even sizes; a size reaching past the end is refused.
bool ParseWave(const uint8_t* bytes, size_t size, WaveLayout& layout, Reason& why)
{
    if (size < 12)
        return why.Set("too short for a RIFF header");
    if (memcmp(bytes + 8, "WAVE", 4) != 0)
        return why.Set("a RIFF file but not a WAVE file");
    uint64_t riffEnd = 8 + static_cast<uint64_t>(Le32(bytes + 4));
    // Some writers count the pad byte after an odd last chunk without writing it.
    if (riffEnd == static_cast<uint64_t>(size) + 1)
        riffEnd = size;
    if (riffEnd > size)
        return why.Set("the RIFF chunk says %llu bytes but the file holds %llu",
                       static_cast<unsigned long long>(riffEnd),
                       static_cast<unsigned long long>(size));
    bool haveFormat = false;
    bool haveData = false;
    uint64_t dataOffset = 0;
    uint32_t dataBytes = 0;
    uint64_t offset = 12;
    while (!(haveFormat && haveData)) {
        if (offset >= riffEnd)
            break;
        if (riffEnd - offset < 8)
            return why.Set("a chunk header cut short at byte %llu",
                           static_cast<unsigned long long>(offset));
        const uint8_t* header = bytes + offset;
        const uint32_t chunkSize = Le32(header + 4);
        const uint64_t body = offset + 8;
        char tag[5];
        PrintableTag(header, tag);
        if (chunkSize > riffEnd - body)
            return why.Set("the '%s' chunk at byte %llu says %u bytes, past the end of the file",
                           tag, static_cast<unsigned long long>(offset), chunkSize);
        if (memcmp(header, "fmt ", 4) == 0 && !haveFormat) {
            if (!ReadFormatChunk(bytes + body, chunkSize, layout.Format, why))
                return false;
            haveFormat = true;
        } else if (memcmp(header, "data", 4) == 0 && !haveData) {
            dataOffset = body;
            dataBytes = chunkSize;
            haveData = true;
        }
        offset = body + chunkSize + (chunkSize & 1);
    }
    if (!haveFormat)
        return why.Set("no fmt chunk");
    if (!haveData)
        return why.Set("no data chunk");
    // A partial frame at the end of the data cannot be played and is left out.
    layout.Frames = dataBytes / layout.Format.Format.nBlockAlign;
    layout.DataOffset = static_cast<size_t>(dataOffset);
    if (layout.Frames == 0)
        return why.Set("the data chunk holds no whole frame");
    return true;
}

// --- Ogg Vorbis ----------------------------------------------------------------------------------

// The Ogg checksum: CRC-32 with the polynomial 0x04C11DB7, most significant bit first, from 0,
// a byte at a time through a table made at compile time.
struct OggChecksumTable {
    uint32_t Entry[256] = {};
    constexpr OggChecksumTable()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t crc = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                crc = crc & 0x80000000u ? crc << 1 ^ 0x04C11DB7u : crc << 1;
            Entry[i] = crc;
        }
    }
};
constexpr OggChecksumTable OggChecksums;

uint32_t OggChecksum(uint32_t crc, const uint8_t* bytes, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        crc = crc << 8 ^ OggChecksums.Entry[(crc >> 24 ^ bytes[i]) & 0xFF];
    return crc;
}

// Checks the Vorbis comment header (the second packet) before the decoder reads it: the decoder
// takes each length it gives on trust, and a length past the packet's end makes it write outside
// its memory.
bool CheckCommentHeader(const std::vector<uint8_t>& packet, Reason& why)
{
    const size_t size = packet.size();
    if (size < 7 + 4 || packet[0] != 3 || memcmp(packet.data() + 1, "vorbis", 6) != 0)
        return why.Set("the Vorbis comment header is missing");
    size_t at = 7;
    const uint32_t vendor = Le32(packet.data() + at);
    at += 4;
    if (vendor > size - at || size - at - vendor < 4)
        return why.Set("the Vorbis comment header is damaged");
    at += vendor;
    uint32_t count = Le32(packet.data() + at);
    at += 4;
    if (count > (size - at) / 4)
        return why.Set("the Vorbis comment header is damaged");
    for (; count > 0; --count) {
        const uint32_t length = Le32(packet.data() + at);
        at += 4;
        if (length > size - at || (count > 1 && size - at - length < 4))
            return why.Set("the Vorbis comment header is damaged");
        at += length;
    }
    return true;
}

// Walks an Ogg file's pages from the first: each whole, with a matching checksum, all of one
// stream, the last one marked as the end, the comment header sound. The decoder itself skips
// damaged pages and stops quietly at a cut, so without this a damaged file would play as noise
// or end early. Fuzzing builds skip the checksum, so that mutated inputs reach the decoder.
bool CheckOggPages(const uint8_t* bytes, size_t size, Reason& why)
{
    constexpr size_t HeaderBytes = 27;
    size_t offset = 0;
    uint32_t serial = 0;
    int packet = 0;                 // the packet the next segment belongs to
    std::vector<uint8_t> comment;   // the second packet, gathered across pages
    for (;;) {
        const unsigned long long at = offset;
        if (offset == size)
            return why.Set("the Ogg stream has no last page: the file is cut short");
        if (size - offset < HeaderBytes)
            return why.Set("the Ogg page at byte %llu is cut short", at);
        const uint8_t* page = bytes + offset;
        if (memcmp(page, "OggS", 4) != 0 || page[4] != 0)
            return why.Set("no Ogg page at byte %llu", at);
        const size_t segments = page[26];
        if (size - offset < HeaderBytes + segments)
            return why.Set("the Ogg page at byte %llu is cut short", at);
        size_t length = HeaderBytes + segments;
        for (size_t i = 0; i < segments; ++i)
            length += page[HeaderBytes + i];
        if (size - offset < length)
            return why.Set("the Ogg page at byte %llu is cut short", at);
        if (offset == 0)
            serial = Le32(page + 14);
        else if (Le32(page + 14) != serial)
            return why.Set("several streams in one Ogg file; only one Vorbis stream is read");
        const uint8_t zeros[4] = {};
        uint32_t crc = OggChecksum(0, page, 22);
        crc = OggChecksum(crc, zeros, 4);
        crc = OggChecksum(crc, page + 26, length - 26);
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
        if (crc != Le32(page + 22))
            return why.Set("the Ogg page at byte %llu is damaged (its checksum does not match)", at);
#endif
        const uint8_t* body = page + HeaderBytes + segments;
        for (size_t i = 0; i < segments && packet < 2; ++i) {
            const uint8_t lace = page[HeaderBytes + i];
            if (packet == 1)
                comment.insert(comment.end(), body, body + lace);
            body += lace;
            if (lace < 255 && ++packet == 2 && !CheckCommentHeader(comment, why))
                return false;
        }
        offset += length;
        if (page[5] & 0x04) {  // the end of the stream; anything after it is not read
            if (packet < 2)
                return why.Set("the Vorbis headers are cut short");
            return true;
        }
    }
}

// One open Vorbis stream over bytes that stay in place while it is open.
class OggDecoder {
public:
    OggDecoder() = default;
    ~OggDecoder()
    {
        if (vorbis)
            stb_vorbis_close(vorbis);
    }
    OggDecoder(const OggDecoder&) = delete;
    OggDecoder& operator=(const OggDecoder&) = delete;

    bool Open(const uint8_t* bytes, size_t size, SoundFormat& format, uint64_t& frames, Reason& why)
    {
        if (size > 0x7FFFFFFF)
            return why.Set("an Ogg file over 2 GB");
        if (!CheckOggPages(bytes, size, why))
            return false;
        int error = VORBIS_outofmem;
        for (int bytesToTry : DecoderMemoryBytes) {
            if (error != VORBIS_outofmem)
                break;
            memory.reset(new (std::nothrow) char[bytesToTry]);
            if (!memory)
                return why.Set("no memory for the decoder");
            const stb_vorbis_alloc alloc{memory.get(), bytesToTry};
            vorbis = stb_vorbis_open_memory(bytes, static_cast<int>(size), &error, &alloc);
            if (vorbis)
                break;
        }
        if (!vorbis) {
            if (error == VORBIS_outofmem)
                return why.Set("the Vorbis headers ask for more than the decoder's 4 MB");
            return why.Set("not a Vorbis stream the decoder reads (error %d)", error);
        }
        const stb_vorbis_info info = stb_vorbis_get_info(vorbis);
        if (info.channels < 1 || info.channels > MaxSoundChannels)
            return why.Set("%d channels; 1 to %u are read", info.channels, MaxSoundChannels);
        if (info.sample_rate < MinSoundRate || info.sample_rate > MaxSoundRate)
            return why.Set("%u frames a second; %u to %u are read", info.sample_rate,
                           MinSoundRate, MaxSoundRate);
        channels = info.channels;
        length = stb_vorbis_stream_length_in_samples(vorbis);
        if (length == 0)
            return why.Set("the Vorbis stream holds no samples or its length cannot be found");
        // Finding the length moved the decoder; it starts again from the first sample.
        if (!stb_vorbis_seek_start(vorbis))
            return why.Set("the Vorbis stream is corrupt");
        MakeFormat(format, FormatPcm, static_cast<WORD>(channels), info.sample_rate, 16, 16,
                   DefaultSpeakerMasks[channels]);
        frames = length;
        return true;
    }

    // Decodes up to count frames of 16-bit samples in WAV channel order; fewer at the end of the
    // stream (as its last page gives it) or where the data is corrupt.
    size_t Read(int16_t* out, size_t count)
    {
        size_t done = 0;
        while (done < count && position < length) {
            size_t want = count - done;
            if (want > static_cast<size_t>(DecodeFramesPerCall))
                want = DecodeFramesPerCall;
            if (want > length - position)
                want = static_cast<size_t>(length - position);
            int16_t* frame = out + done * channels;
            const int got = stb_vorbis_get_samples_short_interleaved(
                vorbis, channels, frame, static_cast<int>(want) * channels);
            if (got <= 0)
                break;
            if (channels >= 3)
                Reorder(frame, static_cast<size_t>(got));
            done += static_cast<size_t>(got);
            position += static_cast<uint64_t>(got);
        }
        return done;
    }

    // Moves to a frame exactly; the end is a position too.
    bool Seek(uint64_t frame)
    {
        if (frame > length)
            return false;
        if (frame == length) {
            position = length;
            return true;
        }
        if (!stb_vorbis_seek(vorbis, static_cast<unsigned int>(frame)))
            return false;
        position = frame;
        return true;
    }

private:
    void Reorder(int16_t* frames, size_t count) const
    {
        const uint8_t* order = VorbisToWaveOrder[channels];
        int16_t source[MaxSoundChannels];
        for (size_t i = 0; i < count; ++i, frames += channels) {
            memcpy(source, frames, sizeof(int16_t) * channels);
            for (int c = 0; c < channels; ++c)
                frames[c] = source[order[c]];
        }
    }

    std::unique_ptr<char[]> memory;
    stb_vorbis* vorbis = nullptr;
    int channels = 0;
    uint64_t length = 0;    // frames, from the last page's position
    uint64_t position = 0;  // the next frame Read gives
};

// --- Files ---------------------------------------------------------------------------------------

// A whole file mapped read-only through the platform's calls.
class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile()
    {
        if (view)
            UnmapViewOfFile(view);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool Open(const char* fileName, Reason& why)
    {
        HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                return why.Set("no such file");
            return why.Set("cannot be opened (error %lu)", static_cast<unsigned long>(error));
        }
        DWORD high = 0;
        const DWORD low = GetFileSize(file, &high);
        if (high != 0 || low == INVALID_FILE_SIZE) {
            CloseHandle(file);
            return why.Set("over 4 GB or its size cannot be read");
        }
        if (low == 0) {
            CloseHandle(file);
            return why.Set("an empty file");
        }
        HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, low, nullptr);
        CloseHandle(file);
        if (!mapping)
            return why.Set("cannot be mapped");
        // The view keeps the file mapped after both handles are closed.
        view = static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
        CloseHandle(mapping);
        if (!view)
            return why.Set("cannot be mapped");
        size = low;
        return true;
    }

    const uint8_t* view = nullptr;
    size_t size = 0;
};

enum class FileKind { Wave, Ogg };

// Tells the kind of file from its first bytes.
bool IdentifyFile(const uint8_t* bytes, size_t size, FileKind& kind, Reason& why)
{
    if (size == 0)
        return why.Set("an empty file");
    if (size >= 4 && memcmp(bytes, "RIFF", 4) == 0) {
        kind = FileKind::Wave;
        return true;
    }
    if (size >= 4 && memcmp(bytes, "OggS", 4) == 0) {
        kind = FileKind::Ogg;
        return true;
    }
    if (size >= 4 && memcmp(bytes, "RIFX", 4) == 0)
        return why.Set("a big-endian RIFX file; only little-endian RIFF is read");
    if (size >= 4 && memcmp(bytes, "RF64", 4) == 0)
        return why.Set("an RF64 file; only RIFF files under 4 GB are read");
    return why.Set("neither a WAV nor an Ogg Vorbis file");
}

bool Refuse(const char* name, const Reason& why)
{
    SetEngineError("%s: %s", name ? name : "(sound)", why.Text);
    return false;
}

}  // namespace

// --- Whole sounds ----------------------------------------------------------------------------------

bool ReadSoundMemory(const void* data, size_t size, const char* name, SoundData& sound)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    Reason why;
    FileKind kind;
    if (!bytes && size > 0)
        return Refuse(name, Reason{"no bytes"});
    if (!IdentifyFile(bytes, size, kind, why))
        return Refuse(name, why);
    if (kind == FileKind::Wave) {
        WaveLayout layout;
        if (!ParseWave(bytes, size, layout, why))
            return Refuse(name, why);
        const uint64_t sampleBytes = layout.Frames * layout.Format.Format.nBlockAlign;
        if (sampleBytes > MaxSoundBytes)
            return Refuse(name, Reason{"more sample data than a sound read whole may hold"});
        sound.Format = layout.Format;
        sound.Samples.assign(bytes + layout.DataOffset, bytes + layout.DataOffset + sampleBytes);
        return true;
    }
    OggDecoder decoder;
    SoundFormat format{};
    uint64_t frames = 0;
    if (!decoder.Open(bytes, size, format, frames, why))
        return Refuse(name, why);
    const uint64_t sampleBytes = frames * format.Format.nBlockAlign;
    if (sampleBytes > MaxSoundBytes) {
        why.Set("decodes to %llu bytes, more than a sound read whole may hold; stream it",
                static_cast<unsigned long long>(sampleBytes));
        return Refuse(name, why);
    }
    // The buffer grows with what is decoded, not with what the last page claims.
    const size_t frameBytes = format.Format.nBlockAlign;
    std::vector<uint8_t> samples;
    uint64_t got = 0;
    while (got < frames) {
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(frames - got, DecodeFramesPerCall));
        samples.resize(static_cast<size_t>((got + piece) * frameBytes));
        const size_t read = decoder.Read(
            reinterpret_cast<int16_t*>(samples.data() + got * frameBytes), piece);
        got += read;
        if (read < piece)
            break;
    }
    if (got != frames) {
        why.Set("the Vorbis stream is corrupt or cut short at frame %llu of %llu",
                static_cast<unsigned long long>(got), static_cast<unsigned long long>(frames));
        return Refuse(name, why);
    }
    sound.Format = format;
    sound.Samples = std::move(samples);
    return true;
}

bool ReadSoundFile(const char* fileName, SoundData& sound)
{
    MappedFile file;
    Reason why;
    if (!fileName)
        return Refuse(fileName, Reason{"no file name"});
    if (!file.Open(fileName, why))
        return Refuse(fileName, why);
    return ReadSoundMemory(file.view, file.size, fileName, sound);
}

// --- Streams -------------------------------------------------------------------------------------

struct SoundStream {
    MappedFile File;
    FileKind Kind = FileKind::Wave;
    SoundFormat Format{};
    uint64_t Frames = 0;
    uint64_t Position = 0;            // WAV: the next frame to copy
    const uint8_t* Data = nullptr;    // WAV: the first sample byte in the mapping
    OggDecoder Ogg;
};

SoundStream* OpenSoundStream(const char* fileName)
{
    if (!fileName)
        return Refuse(fileName, Reason{"no file name"}), nullptr;
    std::unique_ptr<SoundStream> stream(new (std::nothrow) SoundStream);
    Reason why;
    if (!stream)
        return Refuse(fileName, Reason{"no memory for the stream"}), nullptr;
    if (!stream->File.Open(fileName, why) ||
        !IdentifyFile(stream->File.view, stream->File.size, stream->Kind, why))
        return Refuse(fileName, why), nullptr;
    if (stream->Kind == FileKind::Wave) {
        WaveLayout layout;
        if (!ParseWave(stream->File.view, stream->File.size, layout, why))
            return Refuse(fileName, why), nullptr;
        stream->Format = layout.Format;
        stream->Frames = layout.Frames;
        stream->Data = stream->File.view + layout.DataOffset;
    } else if (!stream->Ogg.Open(stream->File.view, stream->File.size, stream->Format,
                                 stream->Frames, why)) {
        return Refuse(fileName, why), nullptr;
    }
    return stream.release();
}

const WAVEFORMATEX* SoundStreamFormat(const SoundStream* stream)
{
    return stream ? &stream->Format.Format : nullptr;
}

uint64_t SoundStreamFrames(const SoundStream* stream) { return stream ? stream->Frames : 0; }

uint64_t SoundStreamPosition(const SoundStream* stream) { return stream ? stream->Position : 0; }

size_t ReadSoundStream(SoundStream* stream, void* buffer, size_t frames)
{
    if (!stream || !buffer)
        return 0;
    if (stream->Kind == FileKind::Ogg) {
        const size_t got = stream->Ogg.Read(static_cast<int16_t*>(buffer), frames);
        stream->Position += got;
        return got;
    }
    const uint64_t left = stream->Frames - stream->Position;
    const size_t count = frames < left ? frames : static_cast<size_t>(left);
    const size_t align = stream->Format.Format.nBlockAlign;
    memcpy(buffer, stream->Data + stream->Position * align, count * align);
    stream->Position += count;
    return count;
}

bool SeekSoundStream(SoundStream* stream, uint64_t frame)
{
    if (!stream || frame > stream->Frames)
        return false;
    if (stream->Kind == FileKind::Ogg && !stream->Ogg.Seek(frame))
        return false;
    stream->Position = frame;
    return true;
}

void CloseSoundStream(SoundStream* stream) { delete stream; }
