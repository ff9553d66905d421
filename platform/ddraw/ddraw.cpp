// ddraw.cpp -- DirectDraw 7's device object: cooperative level, display mode, palette and surface
// creation, and the video-memory budget surfaces are placed in

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "objects.h"
#include "testing.h"

namespace {

// The calls here that a test can make fail.
const FaultHook IDirectDraw7SetCooperativeLevelFault("IDirectDraw7::SetCooperativeLevel");
const FaultHook IDirectDraw7SetDisplayModeFault("IDirectDraw7::SetDisplayMode");
const FaultHook IDirectDraw7CreatePaletteFault("IDirectDraw7::CreatePalette");
const FaultHook IDirectDraw7CreateSurfaceFault("IDirectDraw7::CreateSurface");
const FaultHook DirectDrawCreateExFault("DirectDrawCreateEx");

}  // namespace

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

bool video_memory_fits(size_t bytes) { return videoMemoryUsed + bytes <= videoMemoryBudget; }

uint32_t pixel_mask(int bitsPerPixel)
{
    return bitsPerPixel == 8 ? 0xFFu : bitsPerPixel == 16 ? 0xFFFFu : 0xFFFFFFFFu;
}

}  // namespace dd

namespace {

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

namespace dd {

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
    if (layer_fault(IDirectDraw7SetCooperativeLevelFault, &result))
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
    if (layer_fault(IDirectDraw7SetDisplayModeFault, &result))
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
    if (!modeSet || modeWidth != static_cast<int>(width) || modeHeight != static_cast<int>(height) ||
        modeBits != static_cast<int>(bitsPerPixel))
        ++modeCount;
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
    if (layer_fault(IDirectDraw7CreatePaletteFault, &result))
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
    if (layer_fault(IDirectDraw7CreateSurfaceFault, &result))
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
    if (!video_memory_fits(needed))
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
        if (video && !video_memory_fits(bytes))
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
    if (layer_fault(DirectDrawCreateExFault, &result))
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

