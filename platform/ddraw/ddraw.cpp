// ddraw.cpp -- DirectDraw 7's device object: cooperative level, display mode, palette and surface
// creation, and the video-memory budget surfaces are placed in

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "objects.h"
#include "testing.h"

using namespace dd;

const GUID IID_IDirectDraw7 = {0x15e65ec0, 0x3b9c, 0x11d2, {0xb9, 0x2f, 0x00, 0x60, 0x97, 0x97, 0xea, 0x5b}};

namespace dd {

size_t videoMemoryBudget = DefaultVideoMemory;
size_t videoMemoryUsed = 0;

std::set<Device*>& devices()
{
    static std::set<Device*> table;
    return table;
}

std::set<Surface*>& surfaces()
{
    static std::set<Surface*> table;
    return table;
}

std::set<Palette*>& palettes()
{
    static std::set<Palette*> table;
    return table;
}

bool size_is_valid(DWORD size, DWORD ownSize, DWORD size32)
{
    return size == ownSize || size == size32;
}

void note_unsupported(const char* call, const char* what)
{
    fprintf(stderr, "layer: %s: %s is not supported\n", call, what);
}

uint32_t pixel_mask(int bitsPerPixel)
{
    return bitsPerPixel == 8 ? 0xFFu : bitsPerPixel == 16 ? 0xFFFFu : 0xFFFFFFFFu;
}

}  // namespace dd

<<<<<<< HEAD
    PALETTEENTRY entries[256];

private:
    ~Palette() override = default;
    ULONG references = 1;
    Device* owner;
};

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
    HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) override;
    HRESULT STDMETHODCALLTYPE Unlock(LPRECT rect) override;

    PixelBuffer pixels() const
    {
        return PixelBuffer{memory, width, height, pitch, bitsPerPixel / 8};
    }
    bool is_lost() const { return root ? root->lost : lost; }
    bool is_busy() const { return locked || dc != nullptr; }
    bool is_front() const { return (caps & DDSCAPS_PRIMARYSURFACE) != 0; }
    void set_lost() { (root ? root : this)->lost = true; }
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

    ULONG references = 1;
    uint8_t* memory;
    int pitch;
    bool lost = false;
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
};
=======
namespace {
>>>>>>> main

// --- memory -----------------------------------------------------------------------------------

int aligned_pitch(int width, int bitsPerPixel, bool video)
{
    const int alignment = video ? VideoPitchAlignment : SystemPitchAlignment;
    const int bytes = width * (bitsPerPixel / 8);
    return (bytes + alignment - 1) / alignment * alignment;
}

uint8_t* allocate_pixels(size_t bytes)
{
    const size_t rounded = (bytes + 63) / 64 * 64;
    void* memory = aligned_alloc(64, rounded == 0 ? 64 : rounded);
    if (memory)
        memset(memory, 0, rounded == 0 ? 64 : rounded);
    return static_cast<uint8_t*>(memory);
}

}  // namespace

<<<<<<< HEAD
Palette::Palette(Device* device, const PALETTEENTRY* source, bool allow256) : owner(device)
{
    memcpy(entries, source, sizeof(entries));
    if (!allow256) {
        // Without DDPCAPS_ALLOW256 the first and last entries belong to the system.
        entries[0] = PALETTEENTRY{0, 0, 0, 0};
        entries[255] = PALETTEENTRY{255, 255, 255, 0};
    }
    owner->AddRef();
    palettes().insert(this);
}

ULONG Palette::Release()
{
    const ULONG left = --references;
    if (left == 0) {
        Device* device = owner;
        palettes().erase(this);
        delete this;
        device->Release();
    }
    return left;
}

// --- Surface ----------------------------------------------------------------------------------

Surface::Surface(Device* device, DWORD surfaceCaps, int w, int h, int bits, bool inVideo,
                 uint8_t* pixels, int rowPitch)
    : owner(device), caps(surfaceCaps), width(w), height(h), bitsPerPixel(bits), video(inVideo),
      memory(pixels), pitch(rowPitch)
{
    surfaces().insert(this);
    if (video)
        videoMemoryUsed += static_cast<size_t>(pitch) * height;
}

Surface::~Surface()
{
    if (is_front())
        present_forget(memory);
    if (dc)
        gdi_delete_surface_dc(dc);
    if (video && memory)
        videoMemoryUsed -= static_cast<size_t>(pitch) * height;
    free(memory);
    surfaces().erase(this);
}

void Surface::destroy_back_buffer()
{
    // The back buffer goes with its primary, even while the application still holds the
    // reference GetAttachedSurface gave it: that pointer is dangling from here on, as on the
    // platform, and nothing of the chain outlives the primary.
    Surface* back = backBuffer;
    backBuffer = nullptr;
    delete back;
}

ULONG Surface::Release()
{
    if (references == 0)
        return 0;
    const ULONG left = --references;
    if (left > 0)
        return left;
    if (root)  // an attached back buffer lives as long as its primary
        return 0;
    Device* device = owner;
    if (is_front()) {
        destroy_back_buffer();
        if (palette)
            palette->Release();
        palette = nullptr;
        if (device && device->primary == this)
            device->primary = nullptr;
    }
    delete this;
    if (device)
        device->Release();
    return 0;
}

const PALETTEENTRY* Surface::gdi_palette() const
{
    if (bitsPerPixel != 8)
        return nullptr;
    // GDI takes the surface's own palette, else the primary's.
    if (palette)
        return palette->entries;
    if (owner && owner->primary && owner->primary->palette)
        return owner->primary->palette->entries;
    return nullptr;
}

void Surface::present_front()
{
    if (!owner || owner->window == nullptr || lost || !memory)
        return;
    uint32_t table[256];
    const uint32_t* colours = nullptr;
    if (bitsPerPixel == 8) {
        const PALETTEENTRY* entries = palette ? palette->entries : nullptr;
        for (int i = 0; i < 256; ++i)
            table[i] = entries ? (uint32_t(entries[i].peRed) << 16) |
                                     (uint32_t(entries[i].peGreen) << 8) | entries[i].peBlue
                               : 0;
        colours = table;
    }
    present_frame(memory, pitch, bitsPerPixel, colours);
    ++presentCount;
    if (presentHook)
        presentHook();
}

HRESULT Surface::IsLost() { return is_lost() ? DDERR_SURFACELOST : DD_OK; }

HRESULT Surface::Restore()
{
    HRESULT result = DD_OK;
    if (layer_fault("IDirectDrawSurface7::Restore", &result))
        return result;
    if (root)
        return DDERR_IMPLICITLYCREATED;  // restoring the primary restores its back buffer
    if (!lost)
        return DD_OK;
    lost = false;
    // The memory comes back, its contents do not.
    memset(memory, RestoredGarbage, static_cast<size_t>(pitch) * height);
    if (backBuffer)
        memset(backBuffer->memory, RestoredGarbage, static_cast<size_t>(pitch) * height);
    return DD_OK;
}

// The surface's description as Lock and GetSurfaceDesc hand it out, without a memory address.
// The record's own dwSize is kept.
void Surface::describe(DDSURFACEDESC2* desc) const
{
    const DWORD size = desc->dwSize;
    memset(desc, 0, sizeof(DDSURFACEDESC2));
    desc->dwSize = size;
    desc->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(width);
    desc->dwHeight = static_cast<DWORD>(height);
    desc->lPitch = pitch;
    desc->ddsCaps.dwCaps = caps;
    if (hasSourceKey) {
        desc->dwFlags |= DDSD_CKSRCBLT;
        desc->ddckCKSrcBlt.dwColorSpaceLowValue = sourceKey;
        desc->ddckCKSrcBlt.dwColorSpaceHighValue = sourceKey;
    }
    DDPIXELFORMAT& format = desc->ddpfPixelFormat;
    format.dwSize = sizeof(DDPIXELFORMAT);
    format.dwRGBBitCount = static_cast<DWORD>(bitsPerPixel);
    if (bitsPerPixel == 8) {
        format.dwFlags = DDPF_PALETTEINDEXED8 | DDPF_RGB;
    } else if (bitsPerPixel == 16) {
        format.dwFlags = DDPF_RGB;
        format.dwRBitMask = 0xF800;
        format.dwGBitMask = 0x07E0;
        format.dwBBitMask = 0x001F;
    } else {
        format.dwFlags = DDPF_RGB;
        format.dwRBitMask = 0x00FF0000;
        format.dwGBitMask = 0x0000FF00;
        format.dwBBitMask = 0x000000FF;
    }
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC2 desc)
{
    HRESULT result = DD_OK;
    if (layer_fault("IDirectDrawSurface7::GetSurfaceDesc", &result))
        return result;
    if (!desc || !size_is_valid(desc->dwSize, sizeof(DDSURFACEDESC2), SurfaceDescSize32))
        return DDERR_INVALIDPARAMS;
    // A lost or locked surface still describes itself; the address is handed out by Lock only.
    describe(desc);
    return DD_OK;
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event)
{
    HRESULT result = DD_OK;
    if (layer_fault("IDirectDrawSurface7::Lock", &result))
        return result;
    if (!desc || !size_is_valid(desc->dwSize, sizeof(DDSURFACEDESC2), SurfaceDescSize32) || event)
        return DDERR_INVALIDPARAMS;
    constexpr DWORD Known = DDLOCK_WAIT | DDLOCK_READONLY | DDLOCK_WRITEONLY | DDLOCK_DONOTWAIT |
                            0x800 /* NOSYSLOCK */ | 0x1000 /* NOOVERWRITE */ |
                            0x2000 /* DISCARDCONTENTS */;
    if (flags & ~Known) {
        note_unsupported("IDirectDrawSurface7::Lock", "a flag other than the waiting and access flags");
        return DDERR_UNSUPPORTED;
    }
    if (IsLost() != DD_OK)
        return DDERR_SURFACELOST;
    if (is_busy())
        return DDERR_SURFACEBUSY;
    int left = 0;
    int top = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->left > rect->right || rect->top > rect->bottom ||
            rect->right > width || rect->bottom > height)
            return DDERR_INVALIDPARAMS;
        left = rect->left;
        top = rect->top;
    }
    describe(desc);
    desc->lpSurface = memory + static_cast<ptrdiff_t>(top) * pitch + left * (bitsPerPixel / 8);
    locked = true;
    return DD_OK;
}

HRESULT Surface::Unlock(LPRECT)
{
    if (!locked)
        return DDERR_NOTLOCKED;
    locked = false;
    present();
    return DD_OK;
}

HRESULT Surface::GetDC(HDC* out)
{
    if (!out)
        return DDERR_INVALIDPARAMS;
    HRESULT result = DD_OK;
    if (layer_fault("IDirectDrawSurface7::GetDC", &result)) {
        *out = nullptr;
        return result;
    }
    if (dc)
        return DDERR_DCALREADYCREATED;  // the out handle is left as it was
    if (IsLost() != DD_OK) {
        *out = nullptr;
        return DDERR_SURFACELOST;
    }
    SurfacePixels target;
    target.bits = memory;
    target.width = width;
    target.height = height;
    target.pitch = pitch;
    target.bitsPerPixel = bitsPerPixel;
    target.palette = gdi_palette();
    dc = gdi_create_surface_dc(target);
    *out = dc;
    return dc ? DD_OK : DDERR_CANTCREATEDC;
}

HRESULT Surface::ReleaseDC(HDC handle)
{
    if (!dc)
        return DDERR_NODC;
    if (handle != dc)
        return DDERR_INVALIDPARAMS;
    gdi_delete_surface_dc(dc);
    dc = nullptr;
    present();
    return DD_OK;
}

HRESULT Surface::SetColorKey(DWORD flags, LPDDCOLORKEY key)
{
    if ((flags & ~static_cast<DWORD>(DDCKEY_SRCBLT | DDCKEY_COLORSPACE)) != 0 ||
        !(flags & DDCKEY_SRCBLT)) {
        note_unsupported("IDirectDrawSurface7::SetColorKey", "a key other than DDCKEY_SRCBLT");
        return DDERR_UNSUPPORTED;
    }
    if (!key) {
        hasSourceKey = false;
        return DD_OK;
    }
    // Colour ranges are not supported: without DDCKEY_COLORSPACE the high value is replaced by
    // the low one; with it, a real range is refused.
    if ((flags & DDCKEY_COLORSPACE) && key->dwColorSpaceLowValue != key->dwColorSpaceHighValue)
        return DDERR_NOCOLORKEYHW;
    hasSourceKey = true;
    sourceKey = key->dwColorSpaceLowValue & pixel_mask(bitsPerPixel);
    return DD_OK;
}

HRESULT Surface::SetPalette(LPDIRECTDRAWPALETTE handle)
{
    auto* next = static_cast<Palette*>(handle);
    if (next && !palettes().count(next))
        return DDERR_INVALIDOBJECT;
    if (next && bitsPerPixel != 8)
        return DDERR_INVALIDPIXELFORMAT;
    if (next == palette)
        return DD_OK;  // attaching the same palette again takes no further reference
    if (next)
        next->AddRef();
    if (palette)
        palette->Release();
    palette = next;
    present();
    return DD_OK;
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS2 wanted, LPDIRECTDRAWSURFACE7* attached)
{
    if (!wanted || !attached)
        return DDERR_INVALIDPARAMS;
    HRESULT result = DD_OK;
    if (layer_fault("IDirectDrawSurface7::GetAttachedSurface", &result))
        return result;
    Surface* candidate = backBuffer ? backBuffer : root;
    if (candidate && (candidate->caps & wanted->dwCaps) == wanted->dwCaps && wanted->dwCaps != 0) {
        candidate->AddRef();
        *attached = candidate;
        return DD_OK;
    }
    *attached = nullptr;
    return DDERR_NOTFOUND;
}

// Checks a rectangle against a surface of width x height; null means the whole surface.
bool checked_rect(const RECT* rect, int width, int height, PixelRect* out)
{
    if (!rect) {
        *out = PixelRect{0, 0, width, height};
        return true;
    }
    if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left ||
        rect->bottom <= rect->top || rect->right > width || rect->bottom > height)
        return false;
    *out = PixelRect{rect->left, rect->top, rect->right, rect->bottom};
    return true;
}

HRESULT Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE7 sourceHandle, LPRECT sourceRect,
                     DWORD flags, LPDDBLTFX fx)
{
    HRESULT result = DD_OK;
    if (layer_fault("IDirectDrawSurface7::Blt", &result))
        return result;
    auto* source = static_cast<Surface*>(sourceHandle);
    if (source && !surfaces().count(source))
        return DDERR_INVALIDOBJECT;
    const bool fill = (flags & DDBLT_COLORFILL) != 0;
    if (fill && (!fx || source || (flags & DDBLT_ROP)))
        return DDERR_INVALIDPARAMS;
    if (fx && !size_is_valid(fx->dwSize, sizeof(DDBLTFX), BltFxSize32))
        return DDERR_INVALIDPARAMS;
    if ((flags & DDBLT_KEYSRC) && (flags & DDBLT_KEYSRCOVERRIDE))
        return DDERR_INVALIDPARAMS;
    if (!fill && !(flags & DDBLT_ROP) && !source)
        return DDERR_INVALIDPARAMS;
    constexpr DWORD Known = DDBLT_COLORFILL | DDBLT_WAIT | DDBLT_ASYNC | DDBLT_DONOTWAIT | DDBLT_KEYSRC;
    if (flags & ~Known) {
        note_unsupported("IDirectDrawSurface7::Blt", "a flag other than colour fill, source key and wait");
        return DDERR_UNSUPPORTED;
    }
    if ((flags & DDBLT_KEYSRC) && (!source || !source->hasSourceKey))
        return DDERR_INVALIDPARAMS;  // a source key needs a source that has one
    if (IsLost() != DD_OK || (source && source->IsLost() != DD_OK))
        return DDERR_SURFACELOST;
    if (is_busy() || (source && source->is_busy()))
        return DDERR_SURFACEBUSY;
    if (source && (source->owner != owner || source->bitsPerPixel != bitsPerPixel))
        return DDERR_UNSUPPORTED;

    PixelRect target;
    if (!checked_rect(destRect, width, height, &target))
        return DDERR_INVALIDRECT;
    if (fill) {
        blit_fill(pixels(), target, fx->dwFillColor & pixel_mask(bitsPerPixel));
    } else {
        PixelRect from;
        if (!checked_rect(sourceRect, source->width, source->height, &from))
            return DDERR_INVALIDRECT;
        const bool keyed = (flags & DDBLT_KEYSRC) != 0;
        if (from.width() == target.width() && from.height() == target.height())
            blit_copy(pixels(), target.left, target.top, source->pixels(), from, keyed, source->sourceKey);
        else
            blit_stretch(pixels(), target, source->pixels(), from, keyed, source->sourceKey);
    }
    present();
    return DD_OK;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 sourceHandle, LPRECT sourceRect,
                         DWORD trans)
{
    HRESULT result = DD_OK;
    if (layer_fault("IDirectDrawSurface7::BltFast", &result))
        return result;
    auto* source = static_cast<Surface*>(sourceHandle);
    if (!source)
        return DDERR_INVALIDPARAMS;
    if (!surfaces().count(source))
        return DDERR_INVALIDOBJECT;
    if ((trans & DDBLTFAST_SRCCOLORKEY) && (trans & DDBLTFAST_DESTCOLORKEY))
        return DDERR_INVALIDPARAMS;
    if (trans & ~static_cast<DWORD>(DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT)) {
        note_unsupported("IDirectDrawSurface7::BltFast", "a flag other than the source key and wait");
        return DDERR_UNSUPPORTED;
    }
    if (IsLost() != DD_OK || source->IsLost() != DD_OK)
        return DDERR_SURFACELOST;
    if (is_busy() || source->is_busy())
        return DDERR_SURFACEBUSY;
    if (source->owner != owner || source->bitsPerPixel != bitsPerPixel)
        return DDERR_UNSUPPORTED;
    PixelRect from;
    if (!checked_rect(sourceRect, source->width, source->height, &from))
        return DDERR_INVALIDRECT;
    // The destination is never clipped: a copy that would reach past the surface is refused.
    // x and y are unsigned, so a negative position is a huge one.
    const DWORD w = static_cast<DWORD>(from.width());
    const DWORD h = static_cast<DWORD>(from.height());
    if (w > static_cast<DWORD>(width) || x > static_cast<DWORD>(width) - w ||
        h > static_cast<DWORD>(height) || y > static_cast<DWORD>(height) - h)
        return DDERR_INVALIDRECT;
    // A source without a key copies every pixel.
    const bool keyed = (trans & DDBLTFAST_SRCCOLORKEY) && source->hasSourceKey;
    blit_copy(pixels(), static_cast<int>(x), static_cast<int>(y), source->pixels(), from, keyed,
              source->sourceKey);
    present();
    return DD_OK;
}
=======
namespace dd {
>>>>>>> main

// --- Device -----------------------------------------------------------------------------------

Device::~Device()
{
    if (window)
        present_release(window);
    devices().erase(this);
}

ULONG Device::Release()
{
    if (references == 0)
        return 0;
    const ULONG left = --references;
    if (left == 0)
        delete this;  // leaves the display mode and the exclusive level
    return left;
}

HRESULT Device::SetCooperativeLevel(HWND handle, DWORD flags)
{
    HRESULT result = DD_OK;
    if (layer_fault("IDirectDraw7::SetCooperativeLevel", &result))
        return result;
    const bool normal = (flags & DDSCL_NORMAL) != 0;
    const bool exclusiveWanted = (flags & DDSCL_EXCLUSIVE) != 0;
    if (normal == exclusiveWanted)
        return DDERR_INVALIDPARAMS;
    if (exclusiveWanted && (!(flags & DDSCL_FULLSCREEN) || !window_is_valid(handle)))
        return DDERR_INVALIDPARAMS;
    if (normal && (flags & (DDSCL_ALLOWMODEX | DDSCL_FULLSCREEN)))
        return DDERR_INVALIDPARAMS;
    constexpr DWORD Known = DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_NOWINDOWCHANGES |
                            DDSCL_NORMAL | DDSCL_EXCLUSIVE;
    if (flags & ~Known) {
        note_unsupported("IDirectDraw7::SetCooperativeLevel", "a level flag beyond the exclusive full-screen ones");
        return DDERR_UNSUPPORTED;
    }
    if (exclusiveWanted)
        for (Device* other : devices())
            if (other != this && other->exclusive())
                return DDERR_EXCLUSIVEMODEALREADYSET;
    if (handle && !window_is_valid(handle))
        return DDERR_INVALIDPARAMS;
    if (window && window != handle)
        present_release(window);
    level = flags;
    window = handle;
    return DD_OK;
}

HRESULT Device::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD, DWORD flags)
{
    HRESULT result = DD_OK;
    if (layer_fault("IDirectDraw7::SetDisplayMode", &result))
        return result;
    if (width == 0 || height == 0)
        return DD_OK;  // asks for nothing
    if (flags != 0)
        return DDERR_INVALIDPARAMS;
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 32)
        return DDERR_INVALIDMODE;  // 24 bits is not offered by the display
    if (width > 8192 || height > 8192)
        return DDERR_INVALIDMODE;
    for (Device* other : devices())
        if (other != this && other->exclusive())
            return DDERR_NOEXCLUSIVEMODE;
    if (window && !present_set_mode(window, static_cast<int>(width), static_cast<int>(height),
                                     static_cast<int>(bitsPerPixel)))
        return DDERR_GENERIC;
    // A mode change takes the memory of the primary and of video-memory surfaces away.
    for (Surface* surface : surfaces())
        if (surface->owner == this && (surface->video || surface->is_front()))
            surface->set_lost();
    modeSet = true;
    modeWidth = static_cast<int>(width);
    modeHeight = static_cast<int>(height);
    modeBits = static_cast<int>(bitsPerPixel);
    return DD_OK;
}

HRESULT Device::CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* out,
                              IUnknown* outer)
{
    HRESULT result = DD_OK;
    if (layer_fault("IDirectDraw7::CreatePalette", &result))
        return result;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (!out || !entries)
        return DDERR_INVALIDPARAMS;
    if (level == 0)
        return DDERR_NOCOOPERATIVELEVELSET;
    if ((flags & ~static_cast<DWORD>(DDPCAPS_8BIT | DDPCAPS_ALLOW256 | DDPCAPS_PRIMARYSURFACE)) != 0 ||
        !(flags & DDPCAPS_8BIT)) {
        note_unsupported("IDirectDraw7::CreatePalette", "a palette other than 8-bit");
        return DDERR_UNSUPPORTED;
    }
    *out = new Palette(this, entries, (flags & DDPCAPS_ALLOW256) != 0);
    return DD_OK;
}

HRESULT Device::CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* out, IUnknown* outer)
{
    HRESULT result = DD_OK;
    if (layer_fault("IDirectDraw7::CreateSurface", &result))
        return result;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (!desc || !out || !size_is_valid(desc->dwSize, sizeof(DDSURFACEDESC2), SurfaceDescSize32))
        return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (level == 0)
        return DDERR_NOCOOPERATIVELEVELSET;
    if (!(desc->dwFlags & DDSD_CAPS))
        return DDERR_INVALIDPARAMS;
    constexpr DWORD KnownFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_BACKBUFFERCOUNT;
    if (desc->dwFlags & ~KnownFlags) {
        note_unsupported("IDirectDraw7::CreateSurface", "a description beyond caps, size and back buffers");
        return DDERR_UNSUPPORTED;
    }
    const DWORD wanted = desc->ddsCaps.dwCaps;
    if ((wanted & DDSCAPS_VIDEOMEMORY) && (wanted & DDSCAPS_SYSTEMMEMORY))
        return DDERR_INVALIDCAPS;
    if (wanted & DDSCAPS_PRIMARYSURFACE)
        return create_primary(*desc, out);
    if (wanted & DDSCAPS_OFFSCREENPLAIN)
        return create_offscreen(*desc, out);
    note_unsupported("IDirectDraw7::CreateSurface", "a surface other than primary or off-screen plain");
    return DDERR_UNSUPPORTED;
}

HRESULT Device::create_primary(const DDSURFACEDESC2& desc, LPDIRECTDRAWSURFACE7* out)
{
    const DWORD wanted = desc.ddsCaps.dwCaps;
    if (desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT))
        return DDERR_INVALIDPARAMS;  // the primary has the display's size
    if (primary)
        return DDERR_PRIMARYSURFACEALREADYEXISTS;
    const bool chain = (wanted & DDSCAPS_FLIP) != 0;
    if (chain) {
        if (!(wanted & DDSCAPS_COMPLEX) || !(desc.dwFlags & DDSD_BACKBUFFERCOUNT) ||
            desc.dwBackBufferCount == 0)
            return DDERR_INVALIDCAPS;
        if (!exclusive())
            return DDERR_NOEXCLUSIVEMODE;
        if (desc.dwBackBufferCount != 1) {
            note_unsupported("IDirectDraw7::CreateSurface", "more than one back buffer");
            return DDERR_UNSUPPORTED;
        }
    } else if (desc.dwFlags & DDSD_BACKBUFFERCOUNT) {
        return DDERR_INVALIDCAPS;
    }
    int w = modeWidth;
    int h = modeHeight;
    if (!modeSet && !(window && present_desktop_size(&w, &h))) {
        w = 640;
        h = 480;
    }
    const int bits = display_bits();
    const int pitch = aligned_pitch(w, bits, true);
    const size_t bytes = static_cast<size_t>(pitch) * h;
    const size_t needed = chain ? 2 * bytes : bytes;
    if (videoMemoryUsed + needed > videoMemoryBudget)
        return DDERR_OUTOFVIDEOMEMORY;
    uint8_t* frontMemory = allocate_pixels(bytes);
    uint8_t* backMemory = chain ? allocate_pixels(bytes) : nullptr;
    if (!frontMemory || (chain && !backMemory)) {
        free(frontMemory);
        free(backMemory);
        return DDERR_OUTOFMEMORY;
    }
    const DWORD placement = DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
    const DWORD chainCaps = chain ? DDSCAPS_FLIP | DDSCAPS_COMPLEX : 0;
    auto* front = new Surface(this, DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER | DDSCAPS_VISIBLE |
                                        chainCaps | placement,
                              w, h, bits, true, frontMemory, pitch);
    AddRef();
    if (chain) {
        auto* back = new Surface(this, DDSCAPS_BACKBUFFER | chainCaps | placement, w, h, bits,
                                 true, backMemory, pitch);
        front->attach_back_buffer(back);
    }
    primary = front;
    *out = front;
    return DD_OK;
}

HRESULT Device::create_offscreen(const DDSURFACEDESC2& desc, LPDIRECTDRAWSURFACE7* out)
{
    if ((desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) ||
        desc.dwWidth == 0 || desc.dwHeight == 0 || (desc.dwFlags & DDSD_BACKBUFFERCOUNT))
        return DDERR_INVALIDPARAMS;
    const DWORD wanted = desc.ddsCaps.dwCaps;
    constexpr DWORD Known = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY |
                            DDSCAPS_3DDEVICE | DDSCAPS_LOCALVIDMEM;
    if (wanted & ~Known) {
        note_unsupported("IDirectDraw7::CreateSurface", "a capability beyond plain, 3D device and placement");
        return DDERR_UNSUPPORTED;
    }
    const int bits = display_bits();
    if (desc.dwWidth > 65535 || desc.dwHeight > 65535)
        return DDERR_INVALIDPARAMS;
    const int w = static_cast<int>(desc.dwWidth);
    const int h = static_cast<int>(desc.dwHeight);
    // Without a placement the system tries video memory first.
    const bool videoAllowed = !(wanted & DDSCAPS_SYSTEMMEMORY);
    const bool systemAllowed = !(wanted & DDSCAPS_VIDEOMEMORY);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool video = attempt == 0;
        if ((video && !videoAllowed) || (!video && !systemAllowed))
            continue;
        const int pitch = aligned_pitch(w, bits, video);
        const size_t bytes = static_cast<size_t>(pitch) * static_cast<size_t>(h);
        if (bytes > LargestSurfaceBytes)
            return video ? DDERR_OUTOFVIDEOMEMORY : DDERR_OUTOFMEMORY;
        if (video && videoMemoryUsed + bytes > videoMemoryBudget)
            continue;
        uint8_t* memory = allocate_pixels(bytes);
        if (!memory)
            return DDERR_OUTOFMEMORY;
        const DWORD caps = (wanted & (DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE)) |
                           (video ? DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM : DDSCAPS_SYSTEMMEMORY);
        *out = new Surface(this, caps, w, h, bits, video, memory, pitch);
        AddRef();
        return DD_OK;
    }
    return videoAllowed ? DDERR_OUTOFVIDEOMEMORY : DDERR_OUTOFMEMORY;
}

}  // namespace dd

namespace {

// The display object lets go of a window that is going, and shows its primary again on one whose
// contents were lost; a message poll scans out a picture held back by the refresh period.
void on_window_event(HWND window, WindowEvent event)
{
    switch (event) {
    case WindowEvent::Destroyed:
        for (Device* device : devices()) {
            if (device->window == window) {
                present_release(window);
                device->window = nullptr;
            }
        }
        break;
    case WindowEvent::Exposed:
        for (Device* device : devices())
            if (device->window == window && device->primary)
                device->primary->present();
        break;
    case WindowEvent::Polled:
        present_pump();
        break;
    case WindowEvent::Deactivated:
        break;
    }
}

}  // namespace

HRESULT WINAPI DirectDrawCreateEx(GUID* driver, LPVOID* directDraw, REFIID iid, IUnknown* outer)
{
    if (!directDraw)
        return DDERR_INVALIDPARAMS;
    *directDraw = nullptr;
    HRESULT result = DD_OK;
    if (layer_fault("DirectDrawCreateEx", &result))
        return result;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (iid != IID_IDirectDraw7)
        return DDERR_INVALIDPARAMS;
    if (driver) {
        note_unsupported("DirectDrawCreateEx", "a display driver other than the default");
        return DDERR_INVALIDPARAMS;
    }
    window_listen(on_window_event);
    *directDraw = static_cast<IDirectDraw7*>(new Device);
    return DD_OK;
}

// --- test hooks -------------------------------------------------------------------------------

void layer_set_video_memory(size_t bytes) { videoMemoryBudget = bytes; }

size_t layer_video_memory_used() { return videoMemoryUsed; }

