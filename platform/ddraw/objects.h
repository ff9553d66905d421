// objects.h -- DirectDraw's device, surface and palette objects as the ddraw modules share them
//
// Surfaces are plain memory with a pitch. Video memory is a budget that creation can run out of,
// as on a graphics card; system memory is the process heap. What the application writes to the
// primary surface is presented to the window at once (present.cpp), through the palette at
// 8 bits. Surfaces are lost by a display mode change or when a test says so; Restore gives them
// back with their contents gone, as the platform does, but not a surface made for another mode
// (DDERR_WRONGMODE), whose size or pixel format no longer fits. A device context keeps its own
// copy of the palette it was made with. Nothing is ever read or written outside a surface: every
// rectangle is checked and refused as the platform refuses it, without a clipper.
// Left out on purpose: clippers, flipping, overlays, textures, 3D devices, client memory,
// pixel formats other than the display's, DDBLTFX effects, ROPs and destination colour keys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>

#include "blit.h"
#include "ddraw.h"
#include "ddraw/present.h"
#include "faults.h"
#include "gdi32/surface_dc.h"
#include "unsupported.h"
#include "user32/window.h"

namespace dd {

// Lock and CreateSurface accept the record's size on this build and the 32-bit build's 124,
// so that code written for either layout works.
constexpr DWORD SurfaceDescSize32 = 124;
constexpr DWORD BltFxSize32 = 100;
constexpr size_t DefaultVideoMemory = 32u << 20;
constexpr size_t LargestSurfaceBytes = 1u << 30;
constexpr int VideoPitchAlignment = 32;
constexpr int SystemPitchAlignment = 4;
constexpr uint8_t RestoredGarbage = 0xA7;  // what a restored surface holds before it is redrawn

static_assert(sizeof(DDSURFACEDESC2) == (sizeof(void*) == 8 ? 136 : 124), "DDSURFACEDESC2 layout");
static_assert(offsetof(DDSURFACEDESC2, lpSurface) == (sizeof(void*) == 8 ? 40 : 36), "lpSurface");
static_assert(offsetof(DDSURFACEDESC2, ddpfPixelFormat) == (sizeof(void*) == 8 ? 80 : 72), "ddpf");
static_assert(offsetof(DDSURFACEDESC2, ddsCaps) == (sizeof(void*) == 8 ? 112 : 104), "ddsCaps");
static_assert(sizeof(DDBLTFX) == (sizeof(void*) == 8 ? 128 : 100), "DDBLTFX layout");
static_assert(offsetof(DDBLTFX, dwFillColor) == (sizeof(void*) == 8 ? 104 : 80), "dwFillColor");
static_assert(sizeof(DDPIXELFORMAT) == 32 && sizeof(DDSCAPS2) == 16, "DirectDraw records");

class Device;
class Surface;
class Palette;

extern size_t videoMemoryBudget;
extern size_t videoMemoryUsed;
extern unsigned presentCount;
extern std::function<void()> presentHook;

// Every object alive, so that a handle can be checked before it is used.
std::set<Device*>& devices();
std::set<Surface*>& surfaces();
std::set<Palette*>& palettes();

// The record's size is this build's or the 32-bit build's.
bool size_is_valid(DWORD size, DWORD ownSize, DWORD size32);
// The bits of a colour value that a pixel of that depth holds.
uint32_t pixel_mask(int bitsPerPixel);

class Palette final : public IDirectDrawPalette {
public:
    Palette(Device* owner, const PALETTEENTRY* source, bool allow256);
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override;

    PALETTEENTRY entries[256];
    uint32_t colours[256];  // the entries as 0x00RRGGBB, as the display shows them

private:
    ~Palette() override = default;
    ULONG references = 1;
    Device* owner;
};

// Where a surface's memory stands: usable, or lost until Restore.
enum class SurfaceState { Ready, Lost };

// True when the video memory left takes that many bytes more.
bool video_memory_fits(size_t bytes);

class Surface final : public IDirectDrawSurface7 {
public:
    Surface(Device* owner, DWORD caps, int width, int height, int bitsPerPixel, bool video,
            uint8_t* memory, int pitch);

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Blt(LPRECT destRect, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect,
                                  DWORD flags, LPDDBLTFX fx) override;
    HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 source,
                                      LPRECT sourceRect, DWORD trans) override;
    HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS2 caps,
                                                 LPDIRECTDRAWSURFACE7* attached) override;
    HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC2 desc) override;
    HRESULT STDMETHODCALLTYPE IsLost() override;
    HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags,
                                   HANDLE event) override;
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) override;
    HRESULT STDMETHODCALLTYPE Restore() override;
    HRESULT STDMETHODCALLTYPE GetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) override;
    HRESULT STDMETHODCALLTYPE Unlock(LPRECT rect) override;

    PixelBuffer pixels() const
    {
        return PixelBuffer{memory, width, height, pitch, bitsPerPixel / 8};
    }
    // An attached back buffer stands where its primary stands.
    SurfaceState state() const { return root ? root->own : own; }
    bool is_busy() const { return locked || dc != nullptr; }
    bool is_front() const { return (caps & DDSCAPS_PRIMARYSURFACE) != 0; }
    void set_lost()
    {
        Surface* holder = root ? root : this;
        if (holder->own == SurfaceState::Ready)
            holder->own = SurfaceState::Lost;
    }
    // Shows the primary's new contents; every other surface's drawing stays out of sight.
    void present()
    {
        if (is_front())
            present_front();
    }
    void describe(DDSURFACEDESC2* desc) const;
    void present_front();
    const PALETTEENTRY* gdi_palette() const;
    // The back buffer's only holder is its primary; GetAttachedSurface hands out references.
    void attach_back_buffer(Surface* back)
    {
        backBuffer = back;
        back->root = this;
        back->references = 0;
    }

    Device* owner;
    unsigned mode;  // the device's display mode when the surface was made
    DWORD caps;
    int width;
    int height;
    int bitsPerPixel;
    bool video;
    bool hasSourceKey = false;
    uint32_t sourceKey = 0;
    Palette* palette = nullptr;

private:
    ~Surface() override;
    void destroy_back_buffer();
    // Frees the memory and gives its share of video memory back.
    void release_memory();

    ULONG references = 1;
    uint8_t* memory;
    int pitch;
    SurfaceState own = SurfaceState::Ready;
    bool locked = false;
    HDC dc = nullptr;
    Surface* root = nullptr;        // the primary, for its implicit back buffer
    Surface* backBuffer = nullptr;  // the primary's attached back buffer
};

class Device final : public IDirectDraw7 {
public:
    Device() { devices().insert(this); }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                            LPDIRECTDRAWPALETTE* palette, IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* surface,
                                            IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel,
                                             DWORD refreshRate, DWORD flags) override;

    bool exclusive() const { return (level & DDSCL_EXCLUSIVE) != 0; }
    int display_bits() const { return modeSet ? modeBits : 32; }
    // Counts the display modes set: a surface made in another mode cannot be restored in this
    // one, as its size or pixel format no longer fits.
    unsigned mode() const { return modeCount; }

    HWND window = nullptr;
    Surface* primary = nullptr;

private:
    ~Device() override;
    HRESULT create_primary(const DDSURFACEDESC2& desc, LPDIRECTDRAWSURFACE7* out);
    HRESULT create_offscreen(const DDSURFACEDESC2& desc, LPDIRECTDRAWSURFACE7* out);

    ULONG references = 1;
    DWORD level = 0;
    bool modeSet = false;
    int modeWidth = 0;
    int modeHeight = 0;
    int modeBits = 0;
    unsigned modeCount = 0;
};

}  // namespace dd
