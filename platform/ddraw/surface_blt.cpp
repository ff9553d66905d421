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

// The trace's words for the checks above, worked out again once a call has been refused, so that
// the calls that succeed carry none of it.

// Writes why checked_rect refuses rect, or nothing when it does not; true when it wrote.
bool trace_rect(const char* call, const char* which, const RECT* rect, int width, int height)
{
    PixelRect checked;
    if (checked_rect(rect, width, height, &checked))
        return false;
    const char* fault = rect->right <= rect->left || rect->bottom <= rect->top ? "is empty or inverted on"
                        : rect->left < 0 || rect->top < 0                      ? "starts outside"
                                                                               : "reaches past";
    layer_refused(TraceDdraw, call, DDERR_INVALIDRECT, "%s %ld,%ld-%ld,%ld %s the %ldx%ld surface",
                  which, rect->left, rect->top, rect->right, rect->bottom, fault, width, height);
    return true;
}

// The reasons two surfaces share: lost, busy, unlike.
const char* pair_fault(HRESULT result, Surface& target, Surface* source)
{
    if (result == DDERR_SURFACELOST)
        return target.IsLost() != DD_OK ? "the destination surface is lost: Restore it"
                                        : "the source surface is lost: Restore it";
    if (result == DDERR_SURFACEBUSY)
        return "a surface is locked or has a DC out";
    if (result == DDERR_INVALIDOBJECT)
        return "the source is no surface of this process";
    if (result == DDERR_UNSUPPORTED && source &&
        (source->owner != target.owner || source->bitsPerPixel != target.bitsPerPixel))
        return "the source is of another depth or device";
    return nullptr;
}

[[gnu::cold, gnu::noinline]] void trace_blt(HRESULT result, Surface& target, const RECT* destRect,
                                            Surface* source, const RECT* sourceRect, DWORD flags,
                                            const DDBLTFX* fx)
{
    constexpr char Call[] = "IDirectDrawSurface7::Blt";
    const bool fill = (flags & DDBLT_COLORFILL) != 0;
    if (result == DDERR_INVALIDRECT &&
        (trace_rect(Call, "destination", destRect, target.width, target.height) ||
         (source && trace_rect(Call, "source", sourceRect, source->width, source->height))))
        return;
    const char* why = pair_fault(result, target, source);
    if (result == DDERR_INVALIDPARAMS) {
        if (fill && (!fx || source || (flags & DDBLT_ROP)))
            why = "a colour fill takes a DDBLTFX and no source";
        else if (!fill && !source)
            why = "a copy without a source surface";
        else if ((flags & DDBLT_KEYSRC) && (!source || !source->hasSourceKey))
            why = "DDBLT_KEYSRC, but the source has no colour key";
        else
            why = "the flags or the DDBLTFX's size";
    }
    layer_refused(TraceDdraw, Call, result, why);  // the reasons hold no % sign
}

[[gnu::cold, gnu::noinline]] void trace_blt_fast(HRESULT result, Surface& target, DWORD x, DWORD y,
                                                 Surface* source, const RECT* sourceRect)
{
    constexpr char Call[] = "IDirectDrawSurface7::BltFast";
    if (result == DDERR_INVALIDRECT && source) {
        if (trace_rect(Call, "source", sourceRect, source->width, source->height))
            return;
        const long width = sourceRect ? sourceRect->right - sourceRect->left : source->width;
        const long height = sourceRect ? sourceRect->bottom - sourceRect->top : source->height;
        layer_refused(TraceDdraw, Call, result,
                      "destination %lu,%lu-%lu,%lu is not inside the %ldx%ld surface (BltFast does not clip)",
                      x, y, x + width, y + height, target.width, target.height);
        return;
    }
    const char* why = pair_fault(result, target, source);
    if (result == DDERR_INVALIDPARAMS)
        why = source ? "both the source and the destination key" : "no source surface";
    layer_refused(TraceDdraw, Call, result, why);  // the reasons hold no % sign
}

}  // namespace

HRESULT Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE7 sourceHandle, LPRECT sourceRect,
                     DWORD flags, LPDDBLTFX fx)
{
    auto* source = static_cast<Surface*>(sourceHandle);
    const HRESULT answer = [&]() -> HRESULT {
        HRESULT result = DD_OK;
        if (layer_fault(IDirectDrawSurface7BltFault, &result))
            return result;
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
    }();
    if (answer != DD_OK && (layerTraceFailures & (1u << TraceDdraw)))
        trace_blt(answer, *this, destRect, surfaces().count(source) ? source : nullptr, sourceRect, flags, fx);
    return answer;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 sourceHandle, LPRECT sourceRect,
                         DWORD trans)
{
    auto* source = static_cast<Surface*>(sourceHandle);
    const HRESULT answer = [&]() -> HRESULT {
        HRESULT result = DD_OK;
        if (layer_fault(IDirectDrawSurface7BltFastFault, &result))
            return result;
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
    }();
    if (answer != DD_OK && (layerTraceFailures & (1u << TraceDdraw)))
        trace_blt_fast(answer, *this, x, y, source && surfaces().count(source) ? source : nullptr, sourceRect);
    return answer;
}

}  // namespace dd
