// blit.cpp -- fills and copies between pixel buffers at 1, 2 and 4 bytes per pixel
//
// Callers have already checked every rectangle against its buffer; nothing here looks outside
// the rectangles it is given.

#include "blit.h"

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

template <typename Pixel>
void fill_rows(const PixelBuffer& target, const PixelRect& rect, Pixel color)
{
    for (int y = rect.top; y < rect.bottom; ++y) {
        Pixel* row = reinterpret_cast<Pixel*>(target.bits + static_cast<ptrdiff_t>(y) * target.pitch) +
                     rect.left;
        for (int x = 0; x < rect.width(); ++x)
            row[x] = color;
    }
}

template <typename Pixel>
void copy_keyed_row(Pixel* to, const Pixel* from, int count, Pixel key)
{
    for (int x = 0; x < count; ++x)
        if (from[x] != key)
            to[x] = from[x];
}

template <typename Pixel>
void stretch_rows(const PixelBuffer& target, const PixelRect& targetRect, const PixelBuffer& source,
                  const PixelRect& sourceRect, bool keyed, Pixel key)
{
    const int64_t sw = sourceRect.width();
    const int64_t sh = sourceRect.height();
    const int64_t tw = targetRect.width();
    const int64_t th = targetRect.height();
    for (int64_t y = 0; y < th; ++y) {
        const int64_t sy = sourceRect.top + y * sh / th;
        const Pixel* from = reinterpret_cast<const Pixel*>(source.bits + sy * source.pitch);
        Pixel* to = reinterpret_cast<Pixel*>(target.bits + (targetRect.top + y) * target.pitch) +
                    targetRect.left;
        for (int64_t x = 0; x < tw; ++x) {
            const Pixel value = from[sourceRect.left + x * sw / tw];
            if (!keyed || value != key)
                to[x] = value;
        }
    }
}

bool same_memory(const PixelBuffer& a, const PixelBuffer& b) { return a.bits == b.bits; }

// A private copy of the source rectangle, for copies whose source and target overlap.
PixelBuffer copy_out(const PixelBuffer& source, const PixelRect& rect, std::vector<uint8_t>& store)
{
    const int rowBytes = rect.width() * source.bytesPerPixel;
    store.resize(static_cast<size_t>(rowBytes) * rect.height());
    for (int y = 0; y < rect.height(); ++y)
        memcpy(store.data() + static_cast<size_t>(y) * rowBytes,
               source.bits + static_cast<ptrdiff_t>(rect.top + y) * source.pitch +
                   rect.left * source.bytesPerPixel,
               rowBytes);
    return PixelBuffer{store.data(), rect.width(), rect.height(), rowBytes, source.bytesPerPixel};
}

}  // namespace

void blit_fill(const PixelBuffer& target, const PixelRect& rect, uint32_t color)
{
    switch (target.bytesPerPixel) {
    case 1:
        for (int y = rect.top; y < rect.bottom; ++y)
            memset(target.bits + static_cast<ptrdiff_t>(y) * target.pitch + rect.left,
                   static_cast<uint8_t>(color), rect.width());
        break;
    case 2:
        fill_rows<uint16_t>(target, rect, static_cast<uint16_t>(color));
        break;
    default:
        fill_rows<uint32_t>(target, rect, color);
        break;
    }
}

void blit_copy(const PixelBuffer& target, int x, int y, const PixelBuffer& source,
               const PixelRect& sourceRect, bool keyed, uint32_t key)
{
    std::vector<uint8_t> store;
    PixelBuffer from = source;
    PixelRect fromRect = sourceRect;
    if (same_memory(target, source)) {
        from = copy_out(source, sourceRect, store);
        fromRect = PixelRect{0, 0, sourceRect.width(), sourceRect.height()};
    }
    const int bpp = target.bytesPerPixel;
    const int rowBytes = fromRect.width() * bpp;
    for (int row = 0; row < fromRect.height(); ++row) {
        uint8_t* to = target.bits + static_cast<ptrdiff_t>(y + row) * target.pitch + x * bpp;
        const uint8_t* src =
            from.bits + static_cast<ptrdiff_t>(fromRect.top + row) * from.pitch + fromRect.left * bpp;
        if (!keyed) {
            memcpy(to, src, rowBytes);
            continue;
        }
        switch (bpp) {
        case 1:
            copy_keyed_row(to, src, fromRect.width(), static_cast<uint8_t>(key));
            break;
        case 2:
            copy_keyed_row(reinterpret_cast<uint16_t*>(to), reinterpret_cast<const uint16_t*>(src),
                           fromRect.width(), static_cast<uint16_t>(key));
            break;
        default:
            copy_keyed_row(reinterpret_cast<uint32_t*>(to), reinterpret_cast<const uint32_t*>(src),
                           fromRect.width(), key);
            break;
        }
    }
}

void blit_stretch(const PixelBuffer& target, const PixelRect& targetRect, const PixelBuffer& source,
                  const PixelRect& sourceRect, bool keyed, uint32_t key)
{
    std::vector<uint8_t> store;
    PixelBuffer from = source;
    PixelRect fromRect = sourceRect;
    if (same_memory(target, source)) {
        from = copy_out(source, sourceRect, store);
        fromRect = PixelRect{0, 0, sourceRect.width(), sourceRect.height()};
    }
    switch (target.bytesPerPixel) {
    case 1:
        stretch_rows<uint8_t>(target, targetRect, from, fromRect, keyed, static_cast<uint8_t>(key));
        break;
    case 2:
        stretch_rows<uint16_t>(target, targetRect, from, fromRect, keyed, static_cast<uint16_t>(key));
        break;
    default:
        stretch_rows<uint32_t>(target, targetRect, from, fromRect, keyed, key);
        break;
    }
}
