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

// Why checked_rect refused a rectangle, for the trace: completes "<rect> ... the WxH surface".
const char* rect_fault(const RECT* rect, int width, int height)
{
    if (rect->right <= rect->left || rect->bottom <= rect->top)
        return "is empty or inverted on";
    if (rect->left < 0 || rect->top < 0)
        return "starts outside";
    return rect->right > width || rect->bottom > height ? "reaches past" : "is outside";
}

// The trace's words for a refused rectangle.
constexpr char RectRefused[] = "%s %ld,%ld-%ld,%ld %s the %ldx%ld surface";

}  // namespace

HRESULT Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE7 sourceHandle, LPRECT sourceRect,
                     DWORD flags, LPDDBLTFX fx)
{
    HRESULT result = DD_OK;
    if (layer_fault(IDirectDrawSurface7BltFault, &result))
        return result;
    auto* source = static_cast<Surface*>(sourceHandle);
    if (source && !surfaces().count(source))
        return layer_refused(IDirectDrawSurface7BltFault, DDERR_INVALIDOBJECT, "the source is no surface of this process");
    const bool fill = (flags & DDBLT_COLORFILL) != 0;
    if (fill && (!fx || source || (flags & DDBLT_ROP)))
        return layer_refused(IDirectDrawSurface7BltFault, DDERR_INVALIDPARAMS, "a colour fill takes a DDBLTFX and no source");
    if (fx && !size_is_valid(fx->dwSize, sizeof(DDBLTFX), BltFxSize32))
        return layer_refused(IDirectDrawSurface7BltFault, DDERR_INVALIDPARAMS, "DDBLTFX.dwSize is %lu", fx->dwSize);
    if ((flags & DDBLT_KEYSRC) && (flags & DDBLT_KEYSRCOVERRIDE))
        return layer_refused(IDirectDrawSurface7BltFault, DDERR_INVALIDPARAMS, "DDBLT_KEYSRC with DDBLT_KEYSRCOVERRIDE");
    if (!fill && !(flags & DDBLT_ROP) && !source)
        return layer_refused(IDirectDrawSurface7BltFault, DDERR_INVALIDPARAMS, "a copy without a source surface");
    constexpr DWORD Known = DDBLT_COLORFILL | DDBLT_WAIT | DDBLT_ASYNC | DDBLT_DONOTWAIT | DDBLT_KEYSRC;
    if (flags & ~Known) {
        note_unsupported("IDirectDrawSurface7::Blt", "a flag other than colour fill, source key and wait");
        return DDERR_UNSUPPORTED;
    }
    if ((flags & DDBLT_KEYSRC) && (!source || !source->hasSourceKey))  // a source key needs a source that has one
        return layer_refused(IDirectDrawSurface7BltFault, DDERR_INVALIDPARAMS, "DDBLT_KEYSRC, but the source has no colour key");
    if (IsLost() != DD_OK || (source && source->IsLost() != DD_OK))
        return layer_refused(IDirectDrawSurface7BltFault, DDERR_SURFACELOST, "%s surface is lost: Restore it", IsLost() != DD_OK ? "the destination" : "the source");
    if (is_busy() || (source && source->is_busy()))
        return layer_refused(IDirectDrawSurface7BltFault, DDERR_SURFACEBUSY, "a surface is locked or has a DC out");
    if (source && (source->owner != owner || source->bitsPerPixel != bitsPerPixel))
        return layer_refused(IDirectDrawSurface7BltFault, DDERR_UNSUPPORTED, "the source is %ld-bit or of another device, the destination %ld-bit", source->bitsPerPixel, bitsPerPixel);

    PixelRect target;
    if (!checked_rect(destRect, width, height, &target))
        return layer_refused(IDirectDrawSurface7BltFault, DDERR_INVALIDRECT, RectRefused, "destination", destRect->left, destRect->top, destRect->right, destRect->bottom, rect_fault(destRect, width, height), width, height);
    if (fill) {
        blit_fill(pixels(), target, fx->dwFillColor & pixel_mask(bitsPerPixel));
    } else {
        PixelRect from;
        if (!checked_rect(sourceRect, source->width, source->height, &from))
            return layer_refused(IDirectDrawSurface7BltFault, DDERR_INVALIDRECT, RectRefused, "source", sourceRect->left, sourceRect->top, sourceRect->right, sourceRect->bottom, rect_fault(sourceRect, source->width, source->height), source->width, source->height);
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
        return layer_refused(IDirectDrawSurface7BltFastFault, DDERR_INVALIDPARAMS, "no source surface");
    if (!surfaces().count(source))
        return layer_refused(IDirectDrawSurface7BltFastFault, DDERR_INVALIDOBJECT, "the source is no surface of this process");
    if ((trans & DDBLTFAST_SRCCOLORKEY) && (trans & DDBLTFAST_DESTCOLORKEY))
        return layer_refused(IDirectDrawSurface7BltFastFault, DDERR_INVALIDPARAMS, "both the source and the destination key");
    if (trans & ~static_cast<DWORD>(DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT)) {
        note_unsupported("IDirectDrawSurface7::BltFast", "a flag other than the source key and wait");
        return DDERR_UNSUPPORTED;
    }
    if (IsLost() != DD_OK || source->IsLost() != DD_OK)
        return layer_refused(IDirectDrawSurface7BltFastFault, DDERR_SURFACELOST, "%s surface is lost: Restore it", IsLost() != DD_OK ? "the destination" : "the source");
    if (is_busy() || source->is_busy())
        return layer_refused(IDirectDrawSurface7BltFastFault, DDERR_SURFACEBUSY, "a surface is locked or has a DC out");
    if (source->owner != owner || source->bitsPerPixel != bitsPerPixel)
        return layer_refused(IDirectDrawSurface7BltFastFault, DDERR_UNSUPPORTED, "the source is %ld-bit or of another device, the destination %ld-bit", source->bitsPerPixel, bitsPerPixel);
    PixelRect from;
    if (!checked_rect(sourceRect, source->width, source->height, &from))
        return layer_refused(IDirectDrawSurface7BltFastFault, DDERR_INVALIDRECT, RectRefused, "source", sourceRect->left, sourceRect->top, sourceRect->right, sourceRect->bottom, rect_fault(sourceRect, source->width, source->height), source->width, source->height);
    // The destination is never clipped: a copy that would reach past the surface is refused.
    // x and y are unsigned, so a negative position is a huge one.
    const DWORD w = static_cast<DWORD>(from.width());
    const DWORD h = static_cast<DWORD>(from.height());
    if (w > static_cast<DWORD>(width) || x > static_cast<DWORD>(width) - w ||
        h > static_cast<DWORD>(height) || y > static_cast<DWORD>(height) - h)
        return layer_refused(IDirectDrawSurface7BltFastFault, DDERR_INVALIDRECT, "destination %ld,%ld-%ld,%ld is not inside the %ldx%ld surface (BltFast does not clip)", static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + w), static_cast<LONG>(y + h), width, height);
    // A source without a key copies every pixel.
    const bool keyed = (trans & DDBLTFAST_SRCCOLORKEY) && source->hasSourceKey;
    blit_copy(pixels(), static_cast<int>(x), static_cast<int>(y), source->pixels(), from, keyed,
              source->sourceKey);
    present();
    return DD_OK;
}

}  // namespace dd
