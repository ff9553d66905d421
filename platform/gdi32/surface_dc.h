// surface_dc.h -- device contexts on DirectDraw surfaces: what GDI offers ddraw, and what GDI's
// own modules share about them (gdi.cpp)
#pragma once

#include <cstdint>

#include "windows.h"

// The 256 colours of an 8-bit surface's palette as a device context keeps them: a copy, so that
// the palette object may go while the DC is held. Reads as a pointer to the entries, null when
// there is no palette.
struct PaletteCopy {
    PALETTEENTRY entries[256] = {};
    bool present = false;

    PaletteCopy& operator=(const PALETTEENTRY* source)
    {
        present = source != nullptr;
        if (source)
            for (int i = 0; i < 256; ++i)
                entries[i] = source[i];
        return *this;
    }
    operator const PALETTEENTRY*() const { return present ? entries : nullptr; }
};

// The pixels a device context draws into.
struct SurfacePixels {
    uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;
    int bitsPerPixel = 0;
    PaletteCopy palette;  // 256 entries at 8 bits, else none
};
HDC gdi_create_surface_dc(const SurfacePixels& pixels);
void gdi_delete_surface_dc(HDC dc);
// The pixels behind a surface DC; null for a handle that is not one.
const SurfacePixels* gdi_dc_target(HDC dc);
// A COLORREF as GDI stores it into a surface of that depth.
uint32_t gdi_color_to_pixel(COLORREF color, int bitsPerPixel, const PALETTEENTRY* palette);
