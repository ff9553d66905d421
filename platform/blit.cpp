// blit.cpp -- fills and copies between pixel buffers at 1, 2 and 4 bytes per pixel
//
// Callers have already checked every rectangle against its buffer; nothing here looks outside
// the rectangles it is given.
//
// Speed matters here: a frame is one full-screen fill, a few large copies and many small fills.
// Large fills use the processor's string store, smaller ones store whole vectors of the repeated
// pixel (AVX2 where the processor has it, else SSE2), and a single pixel is one store. Rows are
// copied with inline vector moves. Keyed copies compare a vector of source pixels with the key and
// blend it over the target, so random transparent pixels cost no mispredicted branch. Stretches
// look the source column of every target column up once per call, and repeat a target row that
// samples the same source row as the one above it. Every path has a portable fallback in plain
// C++; the x86-64 paths are chosen at run time where they depend on the processor.

#include "blit.h"

#include "testing.h"

#include <cstddef>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define BLIT_X86_64_PATHS 1
#endif

namespace {

uint8_t* row_at(const PixelBuffer& buffer, int y, int x)
{
    return buffer.bits + static_cast<ptrdiff_t>(y) * buffer.pitch +
           static_cast<ptrdiff_t>(x) * buffer.bytesPerPixel;
}

// --- fills ------------------------------------------------------------------------------------

// The pixel repeated over 8 bytes; every pixel-aligned address starts a whole pixel of it.
uint64_t repeat_pixel(uint32_t color, int bytesPerPixel)
{
    switch (bytesPerPixel) {
    case 1:
        return 0x0101010101010101ull * (color & 0xFF);
    case 2:
        return 0x0001000100010001ull * (color & 0xFFFF);
    default:
        return 0x0000000100000001ull * color;
    }
}

// Short spans, and the ends of long ones: 8-byte stores, then the whole pixels left over.
void fill_short(uint8_t* to, size_t bytes, uint64_t pattern)
{
    while (bytes >= 8) {
        memcpy(to, &pattern, 8);
        to += 8;
        bytes -= 8;
    }
    memcpy(to, &pattern, bytes);  // what is left is whole pixels, and the pattern starts on one
}

#if defined(BLIT_X86_64_PATHS)
__attribute__((target("avx2"))) void fill_avx2(uint8_t* to, size_t bytes, uint64_t pattern)
{
    const __m256i value = _mm256_set1_epi64x(static_cast<long long>(pattern));
    // One unaligned store covers the start; the rest goes in aligned blocks, and one more
    // unaligned store ends exactly at the last byte. The overlaps rewrite the same pixels.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), value);
    uint8_t* const end = to + bytes;
    uint8_t* at = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(to) + 32) & ~uintptr_t(31));
    for (; at + 128 <= end; at += 128) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(at), value);
        _mm256_store_si256(reinterpret_cast<__m256i*>(at + 32), value);
        _mm256_store_si256(reinterpret_cast<__m256i*>(at + 64), value);
        _mm256_store_si256(reinterpret_cast<__m256i*>(at + 96), value);
    }
    for (; at + 32 <= end; at += 32)
        _mm256_store_si256(reinterpret_cast<__m256i*>(at), value);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(end - 32), value);
}

const bool cpuHasAvx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
bool useAvx2 = cpuHasAvx2;

// Copies bytes (at least 32) between buffers that do not overlap. Rows of a sprite are a few
// hundred bytes: inline vector moves beat a library call per row. One unaligned move covers the
// start, the middle is stored aligned, one more unaligned move ends on the last byte.
__attribute__((target("avx2"))) void copy_avx2(uint8_t* to, const uint8_t* from, size_t bytes)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)));
    size_t at = 32 - (reinterpret_cast<uintptr_t>(to) & 31);
    for (; at + 128 <= bytes; at += 128) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + at));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + at + 32));
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + at + 64));
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + at + 96));
        _mm256_store_si256(reinterpret_cast<__m256i*>(to + at), a);
        _mm256_store_si256(reinterpret_cast<__m256i*>(to + at + 32), b);
        _mm256_store_si256(reinterpret_cast<__m256i*>(to + at + 64), c);
        _mm256_store_si256(reinterpret_cast<__m256i*>(to + at + 96), d);
    }
    for (; at + 32 <= bytes; at += 32)
        _mm256_store_si256(reinterpret_cast<__m256i*>(to + at),
                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + at)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + bytes - 32),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + bytes - 32)));
}
#endif

// Copies one row between buffers that do not overlap.
void copy_span(uint8_t* to, const uint8_t* from, size_t bytes)
{
#if defined(BLIT_X86_64_PATHS)
    if (useAvx2 && bytes >= 32) {
        copy_avx2(to, from, bytes);
        return;
    }
#endif
    memcpy(to, from, bytes);
}

#if defined(BLIT_X86_64_PATHS)
// The processor's own string store writes whole cache lines without reading them first, which
// ordinary stores cannot; memset uses it for large blocks too. It costs a few dozen cycles to
// start, so it pays from a few kilobytes on.
constexpr size_t StringStoreFrom = 2048;
bool useStringStore = true;

void fill_string(uint8_t* to, size_t bytes, uint64_t pattern)
{
    size_t words = bytes / 8;
    asm volatile("rep stosq" : "+D"(to), "+c"(words) : "a"(pattern) : "memory");
    fill_short(to, bytes % 8, pattern);  // to has moved past the words
}
#endif

// Fills bytes (a whole number of pixels) from to with the pattern. to starts a pixel and is
// aligned to the pixel's size, as every row of a surface is, so the aligned stores in the middle
// meet the pattern in step.
void fill_span(uint8_t* to, size_t bytes, uint64_t pattern)
{
    if (bytes < 32) {
        fill_short(to, bytes, pattern);
        return;
    }
#if defined(BLIT_X86_64_PATHS)
    if (useStringStore && bytes >= StringStoreFrom) {
        fill_string(to, bytes, pattern);
        return;
    }
#endif
#if defined(BLIT_X86_64_PATHS)
    if (useAvx2) {
        fill_avx2(to, bytes, pattern);
        return;
    }
#endif
#if defined(__SSE2__)
    const __m128i value = _mm_set1_epi64x(static_cast<long long>(pattern));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), value);
    uint8_t* const end = to + bytes;
    uint8_t* at = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(to) + 16) & ~uintptr_t(15));
    for (; at + 64 <= end; at += 64) {
        _mm_store_si128(reinterpret_cast<__m128i*>(at), value);
        _mm_store_si128(reinterpret_cast<__m128i*>(at + 16), value);
        _mm_store_si128(reinterpret_cast<__m128i*>(at + 32), value);
        _mm_store_si128(reinterpret_cast<__m128i*>(at + 48), value);
    }
    for (; at + 16 <= end; at += 16)
        _mm_store_si128(reinterpret_cast<__m128i*>(at), value);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(end - 16), value);
#else
    fill_short(to, bytes, pattern);
#endif
}

// --- keyed copies -----------------------------------------------------------------------------

#if defined(__SSE2__)
template <typename Pixel>
__m128i splat(Pixel key);
template <>
__m128i splat<uint8_t>(uint8_t key) { return _mm_set1_epi8(static_cast<char>(key)); }
template <>
__m128i splat<uint16_t>(uint16_t key) { return _mm_set1_epi16(static_cast<short>(key)); }
template <>
__m128i splat<uint32_t>(uint32_t key) { return _mm_set1_epi32(static_cast<int>(key)); }

template <typename Pixel>
__m128i equal(__m128i a, __m128i b);
template <>
__m128i equal<uint8_t>(__m128i a, __m128i b) { return _mm_cmpeq_epi8(a, b); }
template <>
__m128i equal<uint16_t>(__m128i a, __m128i b) { return _mm_cmpeq_epi16(a, b); }
template <>
__m128i equal<uint32_t>(__m128i a, __m128i b) { return _mm_cmpeq_epi32(a, b); }
#endif

// Copies count pixels, leaving the target pixel where the source pixel equals key. No branch
// depends on a pixel: each vector is compared and blended as a whole.
template <typename Pixel>
void copy_keyed_row(Pixel* to, const Pixel* from, int count, Pixel key)
{
    int x = 0;
#if defined(__SSE2__)
    constexpr int Lanes = 16 / sizeof(Pixel);
    const __m128i keys = splat<Pixel>(key);
    for (; x + 2 * Lanes <= count; x += 2 * Lanes) {
        const __m128i source0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
        const __m128i source1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x + Lanes));
        const __m128i target0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + x));
        const __m128i target1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + x + Lanes));
        const __m128i keep0 = equal<Pixel>(source0, keys);
        const __m128i keep1 = equal<Pixel>(source1, keys);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x),
                         _mm_or_si128(_mm_and_si128(keep0, target0), _mm_andnot_si128(keep0, source0)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x + Lanes),
                         _mm_or_si128(_mm_and_si128(keep1, target1), _mm_andnot_si128(keep1, source1)));
    }
    for (; x + Lanes <= count; x += Lanes) {
        const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
        const __m128i target = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + x));
        const __m128i keep = equal<Pixel>(source, keys);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x),
                         _mm_or_si128(_mm_and_si128(keep, target), _mm_andnot_si128(keep, source)));
    }
#endif
    for (; x < count; ++x) {
        const Pixel value = from[x];
        to[x] = value == key ? to[x] : value;
    }
}

// --- stretches --------------------------------------------------------------------------------

template <typename Pixel>
void stretch_rows(const PixelBuffer& target, const PixelRect& targetRect, const PixelBuffer& source,
                  const PixelRect& sourceRect, bool keyed, Pixel key)
{
    const int sw = sourceRect.width();
    const int tw = targetRect.width();
    const int64_t sh = sourceRect.height();
    const int64_t th = targetRect.height();
    // columns[x] = left + x * sw / tw, stepped without a division per column.
    std::vector<int> columns(static_cast<size_t>(tw));
    int whole = sourceRect.left;
    int64_t part = 0;
    for (int x = 0; x < tw; ++x) {
        columns[static_cast<size_t>(x)] = whole;
        part += sw;
        while (part >= tw) {
            part -= tw;
            ++whole;
        }
    }
    const int* const column = columns.data();
    int64_t previous = -1;
    const Pixel* previousRow = nullptr;
    for (int64_t y = 0; y < th; ++y) {
        const int64_t sy = sourceRect.top + y * sh / th;
        Pixel* to = reinterpret_cast<Pixel*>(row_at(target, static_cast<int>(targetRect.top + y), targetRect.left));
        if (!keyed && sy == previous) {
            // A magnified row repeats the one above it.
            copy_span(reinterpret_cast<uint8_t*>(to), reinterpret_cast<const uint8_t*>(previousRow),
                      static_cast<size_t>(tw) * sizeof(Pixel));
            continue;
        }
        const Pixel* from = reinterpret_cast<const Pixel*>(row_at(source, static_cast<int>(sy), 0));
        if (keyed) {
            for (int x = 0; x < tw; ++x) {
                const Pixel value = from[column[x]];
                to[x] = value == key ? to[x] : value;
            }
        } else {
            int x = 0;
            for (; x + 4 <= tw; x += 4) {
                const Pixel a = from[column[x]];
                const Pixel b = from[column[x + 1]];
                const Pixel c = from[column[x + 2]];
                const Pixel d = from[column[x + 3]];
                to[x] = a;
                to[x + 1] = b;
                to[x + 2] = c;
                to[x + 3] = d;
            }
            for (; x < tw; ++x)
                to[x] = from[column[x]];
        }
        previous = sy;
        previousRow = to;
    }
}

bool same_memory(const PixelBuffer& a, const PixelBuffer& b) { return a.bits == b.bits; }

bool overlaps(const PixelRect& a, const PixelRect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// A private copy of the source rectangle, for scaled copies whose source and target overlap.
PixelBuffer copy_out(const PixelBuffer& source, const PixelRect& rect, std::vector<uint8_t>& store)
{
    const int rowBytes = rect.width() * source.bytesPerPixel;
    store.resize(static_cast<size_t>(rowBytes) * rect.height());
    for (int y = 0; y < rect.height(); ++y)
        memcpy(store.data() + static_cast<size_t>(y) * rowBytes, row_at(source, rect.top + y, rect.left),
               rowBytes);
    return PixelBuffer{store.data(), rect.width(), rect.height(), rowBytes, source.bytesPerPixel};
}

}  // namespace

void blit_fill(const PixelBuffer& target, const PixelRect& rect, uint32_t color)
{
    if (rect.width() == 1 && rect.height() == 1) {
        // One pixel, as the figures made of fills ask for point by point.
        uint8_t* to = row_at(target, rect.top, rect.left);
        if (target.bytesPerPixel == 1)
            *to = static_cast<uint8_t>(color);
        else if (target.bytesPerPixel == 2)
            *reinterpret_cast<uint16_t*>(to) = static_cast<uint16_t>(color);
        else
            *reinterpret_cast<uint32_t*>(to) = color;
        return;
    }
    const uint64_t pattern = repeat_pixel(color, target.bytesPerPixel);
    const size_t rowBytes = static_cast<size_t>(rect.width()) * target.bytesPerPixel;
    if (rowBytes == static_cast<size_t>(target.pitch)) {
        // Whole rows without padding between them are one run of memory.
        fill_span(row_at(target, rect.top, 0), rowBytes * rect.height(), pattern);
        return;
    }
    for (int y = rect.top; y < rect.bottom; ++y)
        fill_span(row_at(target, y, rect.left), rowBytes, pattern);
}

void blit_copy(const PixelBuffer& target, int x, int y, const PixelBuffer& source,
               const PixelRect& sourceRect, bool keyed, uint32_t key)
{
    const int bpp = target.bytesPerPixel;
    const int count = sourceRect.width();
    const int rows = sourceRect.height();
    const size_t rowBytes = static_cast<size_t>(count) * bpp;
    // Within one buffer, rows below their source are copied from the bottom up, so that no source
    // row is written before it is read; rows of different lines never share a byte. Only a copy
    // along its own lines has each row pass through a row of its own.
    const bool overlapping = same_memory(target, source) &&
                             overlaps(PixelRect{x, y, x + count, y + rows}, sourceRect);
    const bool upwards = overlapping && y > sourceRect.top;
    const bool sameLines = overlapping && y == sourceRect.top;
    std::vector<uint8_t> line(sameLines && keyed ? rowBytes : 0);
    for (int i = 0; i < rows; ++i) {
        const int row = upwards ? rows - 1 - i : i;
        uint8_t* to = row_at(target, y + row, x);
        const uint8_t* src = row_at(source, sourceRect.top + row, sourceRect.left);
        if (!keyed) {
            if (sameLines)
                memmove(to, src, rowBytes);
            else
                copy_span(to, src, rowBytes);
            continue;
        }
        if (sameLines) {
            memcpy(line.data(), src, rowBytes);
            src = line.data();
        }
        switch (bpp) {
        case 1:
            copy_keyed_row(to, src, count, static_cast<uint8_t>(key));
            break;
        case 2:
            copy_keyed_row(reinterpret_cast<uint16_t*>(to), reinterpret_cast<const uint16_t*>(src),
                           count, static_cast<uint16_t>(key));
            break;
        default:
            copy_keyed_row(reinterpret_cast<uint32_t*>(to), reinterpret_cast<const uint32_t*>(src),
                           count, key);
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
    if (same_memory(target, source) && overlaps(targetRect, sourceRect)) {
        // A scaled copy may need any source row after any target row: the source goes aside.
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

void layer_use_baseline_pixel_paths(bool baseline)
{
#if defined(BLIT_X86_64_PATHS)
    useAvx2 = cpuHasAvx2 && !baseline;
    useStringStore = !baseline;
#else
    (void)baseline;
#endif
}
