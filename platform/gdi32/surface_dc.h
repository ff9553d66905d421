// surface_dc.h -- device contexts on DirectDraw surfaces: what GDI offers ddraw, and what GDI's
// own modules share about them (gdi.cpp)
#pragma once

#include <cstdint>

#include "windows.h"

// The pixels a device context draws into.
struct SurfacePixels {
    uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;
    int bitsPerPixel = 0;
    const PALETTEENTRY* palette = nullptr;  // 256 entries at 8 bits, else null
};
HDC gdi_create_surface_dc(const SurfacePixels& pixels);
void gdi_delete_surface_dc(HDC dc);
// The pixels behind a surface DC; null for a handle that is not one.
const SurfacePixels* gdi_dc_target(HDC dc);
// A COLORREF as GDI stores it into a surface of that depth.
uint32_t gdi_color_to_pixel(COLORREF color, int bitsPerPixel, const PALETTEENTRY* palette);
