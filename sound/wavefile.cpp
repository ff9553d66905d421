// wavefile.cpp -- the WAV reader: a read-only mapping of the whole file and sample bytes copied
// out of it at fixed offsets, with silence past the end of the data

#include "sound.h"

#include <cstring>

namespace {

constexpr uint32_t FormatOffset = 20;
constexpr uint32_t DataSizeOffset = 40;
constexpr uint32_t DataOffset = 44;

}  // namespace

WaveFile::~WaveFile() { Close(); }

bool WaveFile::Open(const char* fileName)
{
    Close();
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const DWORD fileSize = GetFileSize(file, nullptr);
    // The header is read where it would be, so a file too short to hold it is refused here; an
    // empty file cannot be mapped anyway.
    HANDLE mapping = nullptr;
    if (fileSize != INVALID_FILE_SIZE && fileSize >= DataOffset)
        mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, fileSize, nullptr);
    CloseHandle(file);
    if (!mapping)
        return false;
    // The view keeps the file mapped after both handles are closed.
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    CloseHandle(mapping);
    if (!view)
        return false;

    uint32_t dataSize = 0;
    memcpy(&dataSize, static_cast<const uint8_t*>(view) + DataSizeOffset, sizeof(dataSize));
    // Sample data said to reach past the end of the file would be read from outside the view.
    if (dataSize > fileSize - DataOffset) {
        UnmapViewOfFile(view);
        return false;
    }
    pView = static_cast<const uint8_t*>(view);
    pFormat = reinterpret_cast<const WAVEFORMATEX*>(pView + FormatOffset);
    Position = DataOffset;
    DataSize = dataSize;
    return true;
}

void WaveFile::Close()
{
    if (pView) {
        UnmapViewOfFile(pView);
        pView = nullptr;
    }
    pFormat = nullptr;
    DataSize = 0;
    Position = 0;
}

void WaveFile::Rewind()
{
    if (pView)
        Position = DataOffset;
}

uint32_t WaveFile::Read(void* destination, uint32_t length)
{
    if (!pView)
        return 0;
    const uint32_t end = DataSize + DataOffset;
    if (Position == end)
        return 0;
    const uint32_t remaining = end - Position;
    auto* out = static_cast<uint8_t*>(destination);
    if (length <= remaining) {
        memcpy(out, pView + Position, length);
        Position += length;
        return length;
    }
    memcpy(out, pView + Position, remaining);
    // 8-bit samples are unsigned, so their silence is the middle value.
    const uint8_t silence = pFormat->wBitsPerSample == 8 ? 0x80 : 0x00;
    memset(out + remaining, silence, length - remaining);
    Position = end;
    return remaining;
}

uint32_t WaveFile::GetSize() const { return pView ? DataSize : 0; }

const WAVEFORMATEX* WaveFile::GetFormat() const { return pFormat; }
