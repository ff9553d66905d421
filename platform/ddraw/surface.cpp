// surface.cpp -- DirectDraw 7's surfaces and palettes: lifetime, the primary's back buffer,
// lost and restored memory, locks, device contexts, colour keys, attached palettes and the
// primary's picture as the window shows it

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "objects.h"
#include "testing.h"

namespace {

// The calls here that a test can make fail.
const FaultHook IDirectDrawSurface7RestoreFault("IDirectDrawSurface7::Restore");
const FaultHook IDirectDrawSurface7GetSurfaceDescFault("IDirectDrawSurface7::GetSurfaceDesc");
const FaultHook IDirectDrawSurface7LockFault("IDirectDrawSurface7::Lock");
const FaultHook IDirectDrawSurface7GetDCFault("IDirectDrawSurface7::GetDC");
const FaultHook IDirectDrawSurface7GetAttachedSurfaceFault("IDirectDrawSurface7::GetAttachedSurface");

}  // namespace

namespace dd {

unsigned presentCount = 0;
std::function<void()> presentHook;

// --- Palette ----------------------------------------------------------------------------------

Palette::Palette(Device* device, const PALETTEENTRY* source, bool allow256) : owner(device)
{
    memcpy(entries, source, sizeof(entries));
    if (!allow256) {
        // Without DDPCAPS_ALLOW256 the first and last entries belong to the system.
        entries[0] = PALETTEENTRY{0, 0, 0, 0};
        entries[255] = PALETTEENTRY{255, 255, 255, 0};
    }
    for (int i = 0; i < 256; ++i)
        colours[i] = (uint32_t(entries[i].peRed) << 16) | (uint32_t(entries[i].peGreen) << 8) |
                     entries[i].peBlue;
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
    : owner(device), mode(device->mode()), caps(surfaceCaps), width(w), height(h), bitsPerPixel(bits), video(inVideo),
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
    release_memory();
    surfaces().erase(this);
}

void Surface::release_memory()
{
    if (memory && video)
        videoMemoryUsed -= static_cast<size_t>(pitch) * height;
    free(memory);
    memory = nullptr;
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
    if (!owner || owner->window == nullptr || state() != SurfaceState::Ready)
        return;
    static const uint32_t black[256] = {};  // an 8-bit primary without a palette shows black
    const uint32_t* colours = bitsPerPixel != 8 ? nullptr : palette ? palette->colours : black;
    present_frame(memory, width, height, pitch, bitsPerPixel, colours);
    ++presentCount;
    if (presentHook)
        presentHook();
}

HRESULT Surface::IsLost() { return state() == SurfaceState::Ready ? DD_OK : DDERR_SURFACELOST; }

HRESULT Surface::Restore()
{
    HRESULT result = DD_OK;
    if (layer_fault(IDirectDrawSurface7RestoreFault, &result))
        return result;
    if (root)
        return layer_refused(IDirectDrawSurface7RestoreFault, DDERR_IMPLICITLYCREATED, "restoring the primary restores its back buffer");
    if (own == SurfaceState::Ready)
        return DD_OK;
    if (mode != owner->mode())
        return layer_refused(IDirectDrawSurface7RestoreFault, DDERR_WRONGMODE, "made for another display mode: it stays lost");
    own = SurfaceState::Ready;
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
    if (layer_fault(IDirectDrawSurface7GetSurfaceDescFault, &result))
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
    if (layer_fault(IDirectDrawSurface7LockFault, &result))
        return result;
    if (!desc || !size_is_valid(desc->dwSize, sizeof(DDSURFACEDESC2), SurfaceDescSize32) || event)
        return layer_refused(IDirectDrawSurface7LockFault, DDERR_INVALIDPARAMS);
    constexpr DWORD Known = DDLOCK_WAIT | DDLOCK_READONLY | DDLOCK_WRITEONLY | DDLOCK_DONOTWAIT |
                            0x800 /* NOSYSLOCK */ | 0x1000 /* NOOVERWRITE */ |
                            0x2000 /* DISCARDCONTENTS */;
    if (flags & ~Known) {
        note_unsupported("IDirectDrawSurface7::Lock", "a flag other than the waiting and access flags");
        return layer_refused(IDirectDrawSurface7LockFault, DDERR_UNSUPPORTED);
    }
    if (IsLost() != DD_OK)
        return layer_refused(IDirectDrawSurface7LockFault, DDERR_SURFACELOST, "the surface is lost: Restore it");
    if (is_busy())
        return layer_refused(IDirectDrawSurface7LockFault, DDERR_SURFACEBUSY, "the surface is already locked or has a DC out");
    int left = 0;
    int top = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->left > rect->right || rect->top > rect->bottom ||
            rect->right > width || rect->bottom > height)
            return layer_refused(IDirectDrawSurface7LockFault, DDERR_INVALIDPARAMS, "rectangle %ld,%ld-%ld,%ld is not inside the %ldx%ld surface", rect->left, rect->top, rect->right, rect->bottom, width, height);
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
        return layer_refused(TraceDdraw, "IDirectDrawSurface7::Unlock", DDERR_NOTLOCKED, "the surface is not locked");
    locked = false;
    present();
    return DD_OK;
}

HRESULT Surface::GetDC(HDC* out)
{
    if (!out)
        return layer_refused(IDirectDrawSurface7GetDCFault, DDERR_INVALIDPARAMS);
    HRESULT result = DD_OK;
    if (layer_fault(IDirectDrawSurface7GetDCFault, &result)) {
        *out = nullptr;
        return result;
    }
    if (dc)
        return layer_refused(IDirectDrawSurface7GetDCFault, DDERR_DCALREADYCREATED, "a DC is out already");  // the out handle is left as it was
    if (IsLost() != DD_OK) {
        *out = nullptr;
        return layer_refused(IDirectDrawSurface7GetDCFault, DDERR_SURFACELOST);
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
        return layer_refused(TraceDdraw, "IDirectDrawSurface7::ReleaseDC", DDERR_NODC, "no DC of this surface is out");
    if (handle != dc)
        return layer_refused(TraceDdraw, "IDirectDrawSurface7::ReleaseDC", DDERR_INVALIDPARAMS);
    gdi_delete_surface_dc(dc);
    dc = nullptr;
    present();
    return DD_OK;
}

// The source key as SetColorKey left it, its high value equal to its low one; a surface without
// one answers DDERR_NOCOLORKEY, and the other kinds of key are not kept here at all.
HRESULT Surface::GetColorKey(DWORD flags, LPDDCOLORKEY key)
{
    if (!key)
        return DDERR_INVALIDPARAMS;
    if (flags != DDCKEY_SRCBLT) {
        note_unsupported("IDirectDrawSurface7::GetColorKey", "a key other than DDCKEY_SRCBLT");
        return DDERR_UNSUPPORTED;
    }
    if (!hasSourceKey)
        return DDERR_NOCOLORKEY;
    key->dwColorSpaceLowValue = sourceKey;
    key->dwColorSpaceHighValue = sourceKey;
    return DD_OK;
}

HRESULT Surface::SetColorKey(DWORD flags, LPDDCOLORKEY key)
{
    if ((flags & ~static_cast<DWORD>(DDCKEY_SRCBLT | DDCKEY_COLORSPACE)) != 0 ||
        !(flags & DDCKEY_SRCBLT)) {
        note_unsupported("IDirectDrawSurface7::SetColorKey", "a key other than DDCKEY_SRCBLT");
        return layer_refused(TraceDdraw, "IDirectDrawSurface7::SetColorKey", DDERR_UNSUPPORTED);
    }
    if (!key) {
        hasSourceKey = false;
        return DD_OK;
    }
    // Colour ranges are not supported: without DDCKEY_COLORSPACE the high value is replaced by
    // the low one; with it, a real range is refused.
    if ((flags & DDCKEY_COLORSPACE) && key->dwColorSpaceLowValue != key->dwColorSpaceHighValue)
        return layer_refused(TraceDdraw, "IDirectDrawSurface7::SetColorKey", DDERR_NOCOLORKEYHW);
    hasSourceKey = true;
    sourceKey = key->dwColorSpaceLowValue & pixel_mask(bitsPerPixel);
    return DD_OK;
}

HRESULT Surface::SetPalette(LPDIRECTDRAWPALETTE handle)
{
    auto* next = static_cast<Palette*>(handle);
    if (next && !palettes().count(next))
        return layer_refused(TraceDdraw, "IDirectDrawSurface7::SetPalette", DDERR_INVALIDOBJECT);
    if (next && bitsPerPixel != 8)
        return layer_refused(TraceDdraw, "IDirectDrawSurface7::SetPalette", DDERR_INVALIDPIXELFORMAT);
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
    if (!attached)
        return layer_refused(IDirectDrawSurface7GetAttachedSurfaceFault, DDERR_INVALIDPARAMS);
    *attached = nullptr;
    HRESULT result = DD_OK;
    if (layer_fault(IDirectDrawSurface7GetAttachedSurfaceFault, &result))
        return result;
    if (!wanted)
        return layer_refused(IDirectDrawSurface7GetAttachedSurfaceFault, DDERR_INVALIDPARAMS);
    Surface* candidate = backBuffer ? backBuffer : root;
    if (candidate && (candidate->caps & wanted->dwCaps) == wanted->dwCaps && wanted->dwCaps != 0) {
        candidate->AddRef();
        *attached = candidate;
        return DD_OK;
    }
    *attached = nullptr;
    return layer_refused(IDirectDrawSurface7GetAttachedSurfaceFault, DDERR_NOTFOUND);
}

}  // namespace dd

using namespace dd;

void layer_set_surface_lost(IDirectDrawSurface7* handle)
{
    auto* surface = static_cast<Surface*>(handle);
    if (surfaces().count(surface))
        surface->set_lost();
}

void layer_lose_surfaces()
{
    for (Surface* surface : surfaces())
        if (surface->video || surface->is_front())
            surface->set_lost();
}

unsigned layer_present_count() { return presentCount; }

void layer_on_present(std::function<void()> callback) { presentHook = std::move(callback); }

bool layer_window_picture(LayerPicture* picture)
{
    Surface* front = nullptr;
    for (Device* device : devices())
        if (device->primary && device->window)
            front = device->primary;
    if (!front || !picture)
        return false;
    const PixelBuffer frame = front->pixels();
    if (!frame.bits)
        return false;
    picture->width = frame.width;
    picture->height = frame.height;
    picture->pixels.assign(static_cast<size_t>(frame.width) * frame.height, 0);
    const uint32_t* colours = front->palette ? front->palette->colours : nullptr;
    for (int y = 0; y < frame.height; ++y) {
        const uint8_t* row = frame.bits + static_cast<ptrdiff_t>(y) * frame.pitch;
        uint32_t* out = picture->pixels.data() + static_cast<size_t>(y) * frame.width;
        for (int x = 0; x < frame.width; ++x) {
            if (frame.bytesPerPixel == 1) {
                out[x] = colours ? colours[row[x]] : 0;
            } else if (frame.bytesPerPixel == 2) {
                uint16_t p;
                memcpy(&p, row + 2 * x, 2);
                // Five and six bits widen by repeating their top bits, as the display does.
                const uint32_t r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
                out[x] = (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) | ((b << 3) | (b >> 2));
            } else {
                uint32_t p;
                memcpy(&p, row + 4 * x, 4);
                out[x] = p & 0x00FFFFFF;
            }
        }
    }
    return true;
}
