// display.h -- the display: DirectDraw device, surfaces, geometry, native pixels, the palette
#pragma once

#include <cstddef>
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

// PNG and BMP images
//
// The loaders take PNG (palette, grey, grey with alpha, RGB, RGBA; 8 or 16 bits a channel;
// interlaced or not) and uncompressed or bit-field BMP with any header (40, 108, 124 bytes;
// rows bottom-up or top-down), and convert the picture once into the display's format. Alpha
// below 128 becomes TransparentColor; an opaque pixel that would equal it moves to the nearest
// colour that is not it, except exact magenta in a file without alpha, which stays transparent.
// At 8 bits each colour takes the nearest entry of PaletteEntries other than the transparent one.
// A failure returns null or false and leaves a reason naming the file in LastEngineError().
constexpr int MaxImageSide = 8192;                        // pixels, either side
constexpr uint64_t MaxImageDecodedBytes = 64u << 20;      // width x height x 4 (x 2 at 16 bits)
constexpr uint32_t MaxImageFileBytes = 64u << 20;         // bytes of the file itself

// Makes an off-screen surface of the image's size, with the transparent colour as its key, from
// the file; null when the file is missing, damaged, too large or of a kind not taken. The caller
// releases the surface (ReleaseImageSurface, or through SurfaceTable at teardown).
IDirectDrawSurface7* LoadImageSurface(const char* fileName);
// The same from bytes in memory, which the caller keeps; name (may be null) is used in reasons.
IDirectDrawSurface7* LoadImageSurfaceFromMemory(const void* data, size_t size, const char* name);
// Restores a lost surface made by LoadImageSurface and draws the file's picture into it again;
// false when the surface cannot be restored yet or the file no longer gives a picture of its size.
bool RestoreImageSurface(IDirectDrawSurface7* surface, const char* fileName);
// The same from bytes in memory; name (may be null) is used in reasons.
bool RestoreImageSurfaceFromMemory(IDirectDrawSurface7* surface, const void* data, size_t size,
                                   const char* name);
// Puts the surface in SurfaceTable, to be released with the display; its index, or -1 (with a
// reason) when the table is full or the surface is null.
int AddSurfaceToTable(IDirectDrawSurface7* surface);
// Releases the surface, takes it out of SurfaceTable if it is there and sets the pointer to null;
// safe to call again.
void ReleaseImageSurface(IDirectDrawSurface7*& surface);
// Saves the rectangle of the surface, cut to it as SaveSurfaceBitmap cuts it, as an RGB PNG (8-bit
// pixels through PaletteEntries); false, with a reason, when nothing could be written. A failed
// save leaves an existing file as it was.
bool SaveSurfacePng(int x, int y, int width, int height, IDirectDrawSurface7* surface,
                    const char* fileName);
