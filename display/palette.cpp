// palette.cpp -- the 8-bit palette, read from the colour table of a BMP file

#include <cstring>

#include "display.h"

PALETTEENTRY PaletteEntries[256] = {};

namespace {

constexpr DWORD ColorTableOffset = 54;  // 14-byte file header + 40-byte info header
constexpr DWORD ColorTableBytes = 1024; // 256 entries of blue, green, red, reserved

}  // namespace

IDirectDrawPalette* CreateDirectDrawPalette(IDirectDraw7* directDraw, const char* fileName)
{
    // Without a device no palette can be made, and the one in use stays.
    if (!directDraw)
        return nullptr;
    if (pPalette) {
        pPalette->Release();
        pPalette = nullptr;
    }
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;

    // A file shorter than the table leaves the rest of the buffer black.
    BYTE* buffer = new BYTE[ColorTableBytes];
    memset(buffer, 0, ColorTableBytes);
    DWORD bytesRead = 0;
    SetFilePointer(file, ColorTableOffset, nullptr, FILE_BEGIN);
    ReadFile(file, buffer, ColorTableBytes, &bytesRead, nullptr);
    CloseHandle(file);

    for (int i = 0; i < 256; ++i) {
        PaletteEntries[i].peRed = buffer[4 * i + 2];
        PaletteEntries[i].peGreen = buffer[4 * i + 1];
        PaletteEntries[i].peBlue = buffer[4 * i];
    }
    IDirectDrawPalette* palette = nullptr;
    if (directDraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, PaletteEntries, &palette,
                                  nullptr) != DD_OK)
        palette = nullptr;
    delete[] buffer;
    return palette;
}
