// surface.cpp -- surface memory access, clearing, colour keys, layout, pixel reads, and the
// conversion of red, green and blue to the display's own pixel value through GDI

#include <cstring>

#include "display.h"

namespace {

// How many times a lost surface is restored and locked again before the lock gives up: a
// surface stays lost while Restore fails, and the caller must not wait for it for ever.
constexpr int LockRestoreLimit = 4;

// Reads element index of the locked memory by the display depth; 0 for an unknown depth.
NativePixel ReadElement(const void* memory, size_t index)
{
    switch (BitsPerPixel) {
    case 8:
        return static_cast<const uint8_t*>(memory)[index];
    case 16:
        return static_cast<const uint16_t*>(memory)[index];
    case 32:
        return static_cast<const uint32_t*>(memory)[index];
    default:
        return 0;
    }
}

// Locks the whole surface once, without restoring it; false when there is no surface or the lock
// fails.
bool LockOnce(IDirectDrawSurface7* surface, DDSURFACEDESC2& desc)
{
    if (!surface)
        return false;
    desc = DDSURFACEDESC2{};
    desc.dwSize = sizeof(desc);
    return SUCCEEDED(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr));
}

}  // namespace

void* LockSurfaceMemory(IDirectDrawSurface7* surface)
{
    if (!surface)
        return nullptr;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    HRESULT result = surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    for (int retry = 0; result == DDERR_SURFACELOST && retry < LockRestoreLimit; ++retry) {
        surface->Restore();
        result = surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    }
    return result == DD_OK ? desc.lpSurface : nullptr;
}

void UnlockSurfaceMemory(IDirectDrawSurface7* surface)
{
    if (surface)
        surface->Unlock(nullptr);
}

bool ClearSurface(IDirectDrawSurface7* surface)
{
    DDSURFACEDESC2 desc;
    if (!LockOnce(surface, desc))
        return false;
    // Every row in full, the bytes after its last pixel included.
    memset(desc.lpSurface, 0, static_cast<size_t>(desc.lPitch) * desc.dwHeight);
    surface->Unlock(nullptr);
    return true;
}

bool SetTransparentColorKey(IDirectDrawSurface7* surface)
{
    if (!surface)
        return false;
    DDCOLORKEY key;
    key.dwColorSpaceLowValue = TransparentColor;
    key.dwColorSpaceHighValue = TransparentColor;
    return surface->SetColorKey(DDCKEY_SRCBLT, &key) == DD_OK;
}

bool GetSurfaceLayout(int32_t& pitch, int32_t& height, IDirectDrawSurface7* surface)
{
    DDSURFACEDESC2 desc;
    if (!LockOnce(surface, desc))
        return false;
    pitch = desc.lPitch;
    height = static_cast<int32_t>(desc.dwHeight);
    surface->Unlock(nullptr);
    return true;
}

NativePixel ReadScreenPixel(int x, int y)
{
    // A point off the screen has no pixel to read.
    if (x < 0 || y < 0 || x >= ScreenWidth || y >= ScreenHeight)
        return 0;
    void* memory = LockSurfaceMemory(pScreenSurface);
    if (!memory)
        return 0;
    const NativePixel value =
        ReadElement(memory, static_cast<size_t>(y) * static_cast<size_t>(ScreenWidth) + static_cast<size_t>(x));
    UnlockSurfaceMemory(pScreenSurface);
    return value;
}

NativePixel RgbToNativePixel(int red, int green, int blue)
{
    if (!pScratchSurface)
        return 0;
    HDC dc = nullptr;
    if (pScratchSurface->GetDC(&dc) != DD_OK)
        return 0;
    // A blank drawn in the default opaque mode fills its cell with the background colour, which
    // GDI converts to the surface's format (a palette index at 8 bits).
    SetBkColor(dc, RGB(red & 0xFF, green & 0xFF, blue & 0xFF));
    TextOutA(dc, 0, 0, " ", 1);
    pScratchSurface->ReleaseDC(dc);

    void* memory = LockSurfaceMemory(pScratchSurface);
    if (!memory)
        return 0;
    const NativePixel value = ReadElement(memory, 0);
    UnlockSurfaceMemory(pScratchSurface);
    return value;
}
