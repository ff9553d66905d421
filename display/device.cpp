// device.cpp -- the display device: bring-up in exclusive full-screen mode, the main surfaces,
// off-screen surfaces, restoring lost surfaces, presenting a frame, teardown

#include "display.h"
#include "../app/app.h"

int32_t ScreenWidth = 1024;
int32_t ScreenHeight = 768;
uint16_t BitsPerPixel = 16;
int32_t SurfaceMemory = 3;
NativePixel TransparentColor = 0;
IDirectDraw7* pDirectDraw = nullptr;
IDirectDrawSurface7* pPrimarySurface = nullptr;
IDirectDrawSurface7* pBackSurface = nullptr;
IDirectDrawSurface7* pScreenSurface = nullptr;
IDirectDrawSurface7* pScratchSurface = nullptr;
IDirectDrawPalette* pPalette = nullptr;
IDirectDrawSurface7* SurfaceTable[SurfaceTableSize] = {};
int32_t SurfaceCount = 0;

namespace {

constexpr int ScratchSize = 16;
constexpr char PaletteFile[] = "data\\palette.bmp";

// Magenta in each depth: a palette index, RGB565 and XRGB8888.
constexpr NativePixel TransparentColor8 = 254;
constexpr NativePixel TransparentColor16 = 0xF81F;
constexpr NativePixel TransparentColor32 = 0xFF00FF;

// An off-screen plain surface with extraCaps, in video memory, then system memory, as
// SurfaceMemory allows; null when neither can be had.
IDirectDrawSurface7* CreateOffscreenWithCaps(int width, int height, DWORD extraCaps)
{
    if (!pDirectDraw || SurfaceMemory < 1 || SurfaceMemory > 3)
        return nullptr;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    IDirectDrawSurface7* surface = nullptr;
    if (SurfaceMemory == 3 || SurfaceMemory == 2) {
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY | extraCaps;
        if (SUCCEEDED(pDirectDraw->CreateSurface(&desc, &surface, nullptr)))
            return surface;
        if (SurfaceMemory == 2)
            return nullptr;
    }
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY | extraCaps;
    surface = nullptr;
    if (SUCCEEDED(pDirectDraw->CreateSurface(&desc, &surface, nullptr)))
        return surface;
    return nullptr;
}

template <typename Interface>
void ReleaseAndClear(Interface*& object)
{
    if (object) {
        object->Release();
        object = nullptr;
    }
}

}  // namespace

bool InitDirectDraw(HWND window, int depth)
{
    pPrimarySurface = nullptr;
    pBackSurface = nullptr;
    pScreenSurface = nullptr;
    pPalette = nullptr;

    if (DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&pDirectDraw), IID_IDirectDraw7,
                           nullptr) != DD_OK) {
        AbortProgram(window, "DirectDrawCreate");
        return false;
    }
    if (pDirectDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK) {
        AbortProgram(window, "SetCooperativeLevel");
        return false;
    }
    BitsPerPixel = static_cast<uint16_t>(depth == 8 || depth == 32 ? depth : 16);
    TransparentColor = BitsPerPixel == 8    ? TransparentColor8
                       : BitsPerPixel == 32 ? TransparentColor32
                                            : TransparentColor16;
    if (pDirectDraw->SetDisplayMode(static_cast<DWORD>(ScreenWidth), static_cast<DWORD>(ScreenHeight),
                                    BitsPerPixel, 0, 0) != DD_OK) {
        AbortProgram(window, "SetDisplayMode");
        return false;
    }
    if (!CreateMainSurfaces()) {
        AbortProgram(window, "CreateMainSurfaces");
        return false;
    }
    if (BitsPerPixel != 8)
        return true;
    pPalette = CreateDirectDrawPalette(pDirectDraw, PaletteFile);
    if (!pPalette) {
        AbortProgram(window, "CreateDirectDrawPalette");
        return false;
    }
    pPrimarySurface->SetPalette(pPalette);
    return true;
}

bool CreateMainSurfaces()
{
    if (!pDirectDraw)
        return false;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    if (pDirectDraw->CreateSurface(&desc, &pPrimarySurface, nullptr) != DD_OK)
        return false;

    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    if (pPrimarySurface->GetAttachedSurface(&caps, &pBackSurface) != DD_OK)
        return false;

    pScreenSurface = CreateOffscreen3DSurface(ScreenWidth, ScreenHeight);
    if (!pScreenSurface)
        return false;
    pScratchSurface = CreateOffscreenSurface(ScratchSize, ScratchSize);
    return pScratchSurface != nullptr;
}

IDirectDrawSurface7* CreateOffscreenSurface(int width, int height)
{
    return CreateOffscreenWithCaps(width, height, 0);
}

IDirectDrawSurface7* CreateOffscreen3DSurface(int width, int height)
{
    return CreateOffscreenWithCaps(width, height, DDSCAPS_3DDEVICE);
}

bool RestoreLostSurfaces()
{
    if (!pPrimarySurface)
        return false;
    // The screen surface is looked at only when the primary was lost with it.
    if (pPrimarySurface->IsLost() != DD_OK) {
        pPrimarySurface->Restore();
        if (pScreenSurface && pScreenSurface->IsLost() != DD_OK)
            pScreenSurface->Restore();
    }
    return true;
}

void PresentScreen()
{
    if (!AppActive || !pPrimarySurface || !pScreenSurface)
        return;
    RECT source;
    SetRect(&source, 0, 0, ScreenWidth, ScreenHeight);
    pPrimarySurface->BltFast(0, 0, pScreenSurface, &source, DDBLTFAST_WAIT);
}

void ReleaseDirectDraw()
{
    if (!pDirectDraw)
        return;
    // The back buffer goes with the primary; its pointer is only cleared.
    ReleaseAndClear(pPrimarySurface);
    pBackSurface = nullptr;
    ReleaseAndClear(pScreenSurface);
    ReleaseAndClear(pPalette);
    for (int i = 0; i < SurfaceCount; ++i)
        ReleaseAndClear(SurfaceTable[i]);
    ReleaseAndClear(pScratchSurface);
    ReleaseAndClear(pDirectDraw);
}
