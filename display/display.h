// display.h -- the display: DirectDraw device, surfaces, geometry, native pixels, the palette
#pragma once

#include <cstdint>

#include "../app/platform.h"

// One pixel in the display's format: a palette index at 8 bits, the 16- or 32-bit pixel
// otherwise; the bits above the depth are zero.
typedef uint32_t NativePixel;

constexpr int SurfaceTableSize = 400;

extern int32_t ScreenWidth;       // display width in pixels
extern int32_t ScreenHeight;      // display height in pixels
extern uint16_t BitsPerPixel;     // display depth: 8, 16 or 32
extern int32_t SurfaceMemory;     // off-screen placement: 1 system, 2 video, 3 video then system
extern NativePixel TransparentColor;  // the colour key of every keyed surface
extern IDirectDraw7* pDirectDraw;
extern IDirectDrawSurface7* pPrimarySurface;  // the visible surface, with one back buffer
extern IDirectDrawSurface7* pBackSurface;     // its back buffer; kept, never drawn into
extern IDirectDrawSurface7* pScreenSurface;   // every frame is drawn here
extern IDirectDrawSurface7* pScratchSurface;  // 16 x 16, for colour conversion
extern IDirectDrawPalette* pPalette;          // the 8-bit palette; null at other depths
extern IDirectDrawSurface7* SurfaceTable[SurfaceTableSize];  // further surfaces released at teardown
extern int32_t SurfaceCount;                  // entries of SurfaceTable in use
extern PALETTEENTRY PaletteEntries[256];      // the palette as read from its file

// Device lifecycle
bool InitDirectDraw(HWND window, int depth);
IDirectDrawPalette* CreateDirectDrawPalette(IDirectDraw7* directDraw, const char* fileName);
bool CreateMainSurfaces();
IDirectDrawSurface7* CreateOffscreenSurface(int width, int height);
IDirectDrawSurface7* CreateOffscreen3DSurface(int width, int height);
bool RestoreLostSurfaces();
void PresentScreen();
void ReleaseDirectDraw();

// Surface access and colour
void* LockSurfaceMemory(IDirectDrawSurface7* surface);
void UnlockSurfaceMemory(IDirectDrawSurface7* surface);
bool ClearSurface(IDirectDrawSurface7* surface);
bool SetTransparentColorKey(IDirectDrawSurface7* surface);
bool GetSurfaceLayout(int32_t& pitch, int32_t& height, IDirectDrawSurface7* surface);
NativePixel ReadScreenPixel(int x, int y);
NativePixel RgbToNativePixel(int red, int green, int blue);

// BMP files
IDirectDrawSurface7* LoadBitmapSurface(const char* fileName);
bool SaveSurfaceBitmap(int x, int y, int width, int height, IDirectDrawSurface7* surface,
                       const char* fileName);
