// surface_blt.cpp -- IDirectDrawSurface7::Blt and BltFast: the checks the platform makes before a
// fill or a copy, then the pixel work of blit.cpp

#include "objects.h"
#include "testing.h"

namespace {

// The calls here that a test can make fail.
const FaultHook IDirectDrawSurface7BltFault("IDirectDrawSurface7::Blt");
const FaultHook IDirectDrawSurface7BltFastFault("IDirectDrawSurface7::BltFast");

}  // namespace

namespace dd {

namespace {

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

}  // namespace

HRESULT Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE7 sourceHandle, LPRECT sourceRect,
                     DWORD flags, LPDDBLTFX fx)
{
    HRESULT result = DD_OK;
    if (layer_fault(IDirectDrawSurface7BltFault, &result))
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
    if (layer_fault(IDirectDrawSurface7BltFastFault, &result))
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

}  // namespace dd
