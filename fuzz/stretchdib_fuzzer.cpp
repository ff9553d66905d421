// stretchdib_fuzzer.cpp -- StretchDIBits with arbitrary rectangles, headers, colour tables and
// bits, drawn into a small surface's DC with a sentinel border around it
//
// Input: eight 16-bit signed values (destination x, y, width, height, source x, y, width,
// height), the 40-byte info header, then the rest. GDI reads biSize bytes of header (and bit-field
// masks), a colour table after them and stride x |height| bytes of bits, or biSizeImage bytes of
// run-length data, so the call is given that much, taken from the rest of the input and filled
// with zeros; headers claiming more than a few megabytes are not drawn.

#include <cstdint>
#include <cstring>
#include <vector>

#include "display_fixture.h"

namespace {

constexpr int TargetWidth = 61;  // odd, so rows end short of the pitch
constexpr int TargetHeight = 37;
constexpr size_t MostBytes = 4u << 20;
constexpr uint8_t Sentinel = 0xCD;

IDirectDrawSurface7* target = nullptr;

int16_t Value(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzing::BringUpDisplay();
    target = CreateOffscreenSurface(TargetWidth, TargetHeight);
    if (!target)
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr size_t Fixed = 16 + sizeof(BITMAPINFOHEADER);
    if (size < Fixed)
        return 0;
    int rect[8];
    for (int i = 0; i < 8; ++i)
        rect[i] = Value(data + 2 * i);
    BITMAPINFOHEADER header;
    memcpy(&header, data + 16, sizeof(header));
    const uint8_t* rest = data + Fixed;
    const size_t restSize = size - Fixed;

    // What GDI reads: the header as its size says, 256 table entries after it, and the data.
    if (header.biSize > 4096)
        return 0;
    const int64_t height = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    const int64_t stride = (static_cast<int64_t>(header.biWidth) * header.biBitCount + 31) / 32 * 4;
    const bool compressed = header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4;
    if (compressed ? header.biSizeImage > MostBytes
                   : header.biWidth > 0 && stride > 0 && height > static_cast<int64_t>(MostBytes) / stride)
        return 0;
    const int64_t bitsBytes = compressed ? header.biSizeImage : header.biWidth > 0 && stride > 0 ? stride * height : 0;
    std::vector<uint8_t> info(header.biSize > sizeof(header) ? header.biSize + 1024 : sizeof(header) + 1024, 0);
    memcpy(info.data(), &header, sizeof(header));
    std::vector<uint8_t> bits(static_cast<size_t>(bitsBytes) + 1, 0);
    const size_t tableBytes = info.size() - sizeof(header);
    const size_t intoTable = restSize < tableBytes ? restSize : tableBytes;
    memcpy(info.data() + sizeof(header), rest, intoTable);
    const size_t intoBits = restSize - intoTable < bits.size() ? restSize - intoTable : bits.size();
    memcpy(bits.data(), rest + intoTable, intoBits);

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK)
        abort();
    const int pitch = desc.lPitch;
    auto* memory = static_cast<uint8_t*>(desc.lpSurface);
    memset(memory, Sentinel, static_cast<size_t>(pitch) * TargetHeight);
    target->Unlock(nullptr);

    HDC dc = nullptr;
    if (target->GetDC(&dc) != DD_OK)
        abort();
    StretchDIBits(dc, rect[0], rect[1], rect[2], rect[3], rect[4], rect[5], rect[6], rect[7], bits.data(),
                  reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCCOPY);
    target->ReleaseDC(dc);

    // Nothing is written past the end of a row, into the padding up to the pitch.
    if (target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK)
        abort();
    for (int y = 0; y < TargetHeight; ++y)
        for (int x = TargetWidth * 2; x < pitch; ++x)
            Check(memory[static_cast<size_t>(y) * pitch + x] == Sentinel);
    target->Unlock(nullptr);
    return 0;
}
