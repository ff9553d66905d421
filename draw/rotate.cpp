// rotate.cpp -- keyed blits turned by any angle, scaled and flipped, written straight into the
// locked target surface; no read or store ever falls outside either surface
//
// Each destination pixel's centre is mapped back into the source exactly (the inverse of the
// turn and the scale), and the source pixel it falls in is drawn unless it is the colour key.
// The mapping runs in fixed point: positions in units of 2^-32 of a source pixel, per-pixel steps
// (cos / scale and sin / scale) rounded to the nearest multiple of 2^-31. A whole row of the
// target is worked out from one start value and two steps, so the cost per pixel is a few adds.

#include <algorithm>
#include <cmath>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ROTATE_GATHER 1
#endif

#include "draw.h"
#include "../app/app.h"

namespace {

constexpr int FractionBits = 32;
constexpr int64_t One = int64_t{1} << FractionBits;  // one source pixel
constexpr double MinScale = 1.0 / 256;
constexpr double MaxScale = 256;

// The sine and cosine of an angle in degrees, exact at multiples of 90 so that quarter turns map
// pixels onto pixels without a rounding error.
void SinCosDegrees(double angle, double* sine, double* cosine)
{
    double turn = std::fmod(angle, 360.0);
    if (turn < 0)
        turn += 360.0;
    if (turn == 0) { *sine = 0; *cosine = 1; return; }
    if (turn == 90) { *sine = 1; *cosine = 0; return; }
    if (turn == 180) { *sine = 0; *cosine = -1; return; }
    if (turn == 270) { *sine = -1; *cosine = 0; return; }
    const double radians = turn * (3.14159265358979323846 / 180.0);
    *sine = std::sin(radians);
    *cosine = std::cos(radians);
}

// A locked surface: its first pixel, bytes per row and size.
struct LockedSurface {
    IDirectDrawSurface7* surface = nullptr;
    uint8_t* pixels = nullptr;
    int64_t pitch = 0;
    int64_t width = 0;
    int64_t height = 0;

    bool Lock(IDirectDrawSurface7* target, int64_t pixelBytes)
    {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        if (target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK)
            return false;
        surface = target;
        pixels = static_cast<uint8_t*>(desc.lpSurface);
        pitch = desc.lPitch;
        width = desc.dwWidth;
        height = desc.dwHeight;
        // A row that the pitch does not hold whole is not addressed at all.
        if (!pixels || pitch < width * pixelBytes)
            width = height = 0;
        return true;
    }
    ~LockedSurface()
    {
        if (surface)
            surface->Unlock(nullptr);
    }
};

// The mapping from a target pixel to source positions u, v (in units of 2^-32 of a source pixel,
// from the source rectangle's top-left corner, flips applied), counted from the pixel (left, top)
// where the drawing starts:
//   u = uStart + di * uAcross + dj * uDown,   v = vStart + di * vAcross + dj * vDown
// Offsets are taken from that pixel, never from the target's origin, so that no product
// overflows however far off the target the pivot is placed.
struct Mapping {
    int64_t uStart, vStart;
    int64_t uAcross, vAcross;
    int64_t uDown, vDown;
};

// Works out the mapping for a pivot (in source pixels from the rectangle's top-left corner)
// placed on target point (destX, destY).
Mapping MakeMapping(int64_t left, int64_t top, int64_t destX, int64_t destY, double pivotX,
                    double pivotY, int64_t width, int64_t height, double sine, double cosine,
                    double scale, uint32_t flags)
{
    // Half steps, so that a pixel centre (i + 1/2) maps with integers only: a target offset of
    // 2k + 1 half pixels moves the source by (2k + 1) half steps.
    const int64_t cosHalf = std::llround(cosine / scale * double(One / 2));
    const int64_t sinHalf = std::llround(sine / scale * double(One / 2));
    const int64_t pivotU = std::llround(pivotX * double(One));
    const int64_t pivotV = std::llround(pivotY * double(One));
    const int64_t across = 2 * (left - destX) + 1;
    const int64_t down = 2 * (top - destY) + 1;
    // Turning clockwise on a screen whose rows run down: a target offset (dx, dy) comes from the
    // source offset (dx cos + dy sin, -dx sin + dy cos) / scale.
    Mapping m;
    m.uAcross = 2 * cosHalf;
    m.vAcross = -2 * sinHalf;
    m.uDown = 2 * sinHalf;
    m.vDown = 2 * cosHalf;
    m.uStart = pivotU + across * cosHalf + down * sinHalf;
    m.vStart = pivotV - across * sinHalf + down * cosHalf;
    // A flip mirrors the rectangle in place: position p becomes (size - 2^-32) - p, which sends
    // column k to column size - 1 - k exactly.
    if (flags & BlitFlipHorizontal) {
        m.uStart = width * One - 1 - m.uStart;
        m.uAcross = -m.uAcross;
        m.uDown = -m.uDown;
    }
    if (flags & BlitFlipVertical) {
        m.vStart = height * One - 1 - m.vStart;
        m.vAcross = -m.vAcross;
        m.vDown = -m.vDown;
    }
    return m;
}

// Narrows [first, end) to the columns i where start + i * step lies in [0, limit). The bounds
// are estimated in floating point, one multiplication each, and then settled exactly by testing
// the columns on either side, so no integer division is made per row.
void KeepInside(int64_t start, int64_t step, double inverseStep, int64_t limit, int64_t* first,
                int64_t* end)
{
    if (step == 0) {
        if (start < 0 || start >= limit)
            *end = *first;
        return;
    }
    auto inside = [&](int64_t i) {
        const int64_t at = start + i * step;
        return at >= 0 && at < limit;
    };
    // The two ends of the run where the position crosses 0 and limit, in column order.
    double low = -double(start) * inverseStep;
    double high = double(limit - start) * inverseStep;
    if (step < 0)
        std::swap(low, high);
    const double from = std::max(double(*first), std::ceil(low) - 1);
    const double to = std::min(double(*end), std::ceil(high) + 1);
    if (from >= to) {
        *end = *first;
        return;
    }
    int64_t runFirst = static_cast<int64_t>(from);
    int64_t runEnd = static_cast<int64_t>(to);
    while (runFirst < runEnd && !inside(runFirst))
        ++runFirst;
    while (runEnd > runFirst && !inside(runEnd - 1))
        --runEnd;
    while (runFirst > *first && inside(runFirst - 1))
        --runFirst;
    while (runEnd < *end && inside(runEnd))
        ++runEnd;
    *first = runFirst;
    *end = runEnd;
}

// Draws one row's run of target pixels from the source, leaving out the key when asked. The
// store is made either way, of the pixel already there when the source pixel is the key, so that
// a sprite's scattered holes cost no mispredicted branches.
template <typename Pixel, bool Keyed>
void DrawRun(Pixel* __restrict target, int64_t count, const uint8_t* __restrict source,
             int64_t sourcePitch, int64_t u, int64_t v, int64_t uStep, int64_t vStep, Pixel key)
{
    for (int64_t i = 0; i < count; ++i) {
        const Pixel pixel =
            reinterpret_cast<const Pixel*>(source + (v >> FractionBits) * sourcePitch)[u >> FractionBits];
        if constexpr (Keyed)
            target[i] = pixel == key ? target[i] : pixel;
        else
            target[i] = pixel;
        u += uStep;
        v += vStep;
    }
}

#ifdef ROTATE_GATHER
// Four pixels at a time with AVX2's gathers, for processors that have them: the same positions,
// the same source pixels and the same stores as DrawRun, four lanes of 64-bit positions wide.
// At 16 bits each lane reads 32 bits at its pixel and keeps the low half; the one pixel whose
// next two bytes would lie past the locked memory (the very last, readEnd - 2 from source) is read
// with the pixel before it instead, and keeps the high half. Runs that cannot reach that pixel
// (Guarded false) leave the test out.
template <typename Pixel, bool Keyed, bool Guarded>
__attribute__((target("avx2"))) void DrawRunGathered(Pixel* target, int64_t count,
                                                       const uint8_t* source, int64_t sourcePitch,
                                                       int64_t readEnd, int64_t u, int64_t v,
                                                       int64_t uStep, int64_t vStep, Pixel key)
{
    const __m256i lastRead = _mm256_set1_epi64x(readEnd - 4);
    const __m256i uStep4 = _mm256_set1_epi64x(4 * uStep);
    const __m256i vStep4 = _mm256_set1_epi64x(4 * vStep);
    const __m256i pitch = _mm256_set1_epi64x(sourcePitch);
    __m256i us = _mm256_setr_epi64x(u, u + uStep, u + 2 * uStep, u + 3 * uStep);
    __m256i vs = _mm256_setr_epi64x(v, v + vStep, v + 2 * vStep, v + 3 * vStep);
    int64_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256i columns = _mm256_srli_epi64(us, FractionBits);
        const __m256i rows = _mm256_srli_epi64(vs, FractionBits);
        const __m256i offsets = _mm256_add_epi64(
            _mm256_mul_epu32(rows, pitch),
            _mm256_slli_epi64(columns, sizeof(Pixel) == 4 ? 2 : 1));
        if constexpr (sizeof(Pixel) == 4) {
            __m128i pixels = _mm256_i64gather_epi32(reinterpret_cast<const int*>(source), offsets, 1);
            if constexpr (Keyed) {
                const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(target + i));
                const __m128i holes = _mm_cmpeq_epi32(pixels, _mm_set1_epi32(int(key)));
                pixels = _mm_blendv_epi8(pixels, old, holes);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + i), pixels);
        } else {
            __m128i pixels;
            if constexpr (Guarded) {
                const __m256i past = _mm256_cmpgt_epi64(offsets, lastRead);
                const __m256i reads = _mm256_blendv_epi8(offsets, lastRead, past);
                pixels = _mm256_i64gather_epi32(reinterpret_cast<const int*>(source), reads, 1);
                // The lanes that read one pixel early want the high half: 64-bit lane masks
                // narrowed to the 32-bit lanes of the gathered pixels.
                const __m128i pastLanes = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(
                    past, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
                pixels = _mm_blendv_epi8(_mm_and_si128(pixels, _mm_set1_epi32(0xFFFF)),
                                         _mm_srli_epi32(pixels, 16), pastLanes);
            } else {
                pixels = _mm256_i64gather_epi32(reinterpret_cast<const int*>(source), offsets, 1);
                pixels = _mm_and_si128(pixels, _mm_set1_epi32(0xFFFF));
            }
            pixels = _mm_packus_epi32(pixels, pixels);
            if constexpr (Keyed) {
                const __m128i old = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(target + i));
                const __m128i holes = _mm_cmpeq_epi16(pixels, _mm_set1_epi16(short(key)));
                pixels = _mm_blendv_epi8(pixels, old, holes);
            }
            _mm_storel_epi64(reinterpret_cast<__m128i*>(target + i), pixels);
        }
        us = _mm256_add_epi64(us, uStep4);
        vs = _mm256_add_epi64(vs, vStep4);
    }
    DrawRun<Pixel, Keyed>(target + i, count - i, source, sourcePitch, u + i * uStep, v + i * vStep,
                          uStep, vStep, key);
}

bool HasGathers()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

// Draws the target rows [0, rows) x columns [0, columns) counted from the mapping's start pixel.
template <typename Pixel>
void DrawRotated(uint8_t* target, int64_t targetPitch, int64_t columns, int64_t rows,
                 const uint8_t* source, int64_t sourcePitch, int64_t width, int64_t height,
                 const Mapping& m, Pixel key, bool keyed, int64_t readEnd)
{
    const int64_t uLimit = width * One;
    const int64_t vLimit = height * One;
    const double uInverse = m.uAcross ? 1.0 / double(m.uAcross) : 0.0;
    const double vInverse = m.vAcross ? 1.0 / double(m.vAcross) : 0.0;
    for (int64_t j = 0; j < rows; ++j) {
        const int64_t uRow = m.uStart + j * m.uDown;
        const int64_t vRow = m.vStart + j * m.vDown;
        int64_t first = 0;
        int64_t end = columns;
        KeepInside(uRow, m.uAcross, uInverse, uLimit, &first, &end);
        KeepInside(vRow, m.vAcross, vInverse, vLimit, &first, &end);
        if (first >= end)
            continue;
        Pixel* row = reinterpret_cast<Pixel*>(target + j * targetPitch) + first;
        const int64_t u = uRow + first * m.uAcross;
        const int64_t v = vRow + first * m.vAcross;
#ifdef ROTATE_GATHER
        if constexpr (sizeof(Pixel) > 1) {
            if (readEnd >= 4) {
                // Rows and columns move one way along a run, so its farthest sample lies at most
                // at the farther row and column of its two ends.
                const int64_t count = end - first;
                const int64_t lastU = u + (count - 1) * m.uAcross;
                const int64_t lastV = v + (count - 1) * m.vAcross;
                const int64_t farthest =
                    std::max(v, lastV) / One * sourcePitch + std::max(u, lastU) / One * int64_t(sizeof(Pixel));
                const bool guarded = sizeof(Pixel) == 2 && farthest + 4 > readEnd;
                if (keyed && guarded)
                    DrawRunGathered<Pixel, true, true>(row, count, source, sourcePitch, readEnd,
                                                       u, v, m.uAcross, m.vAcross, key);
                else if (keyed)
                    DrawRunGathered<Pixel, true, false>(row, count, source, sourcePitch, readEnd,
                                                        u, v, m.uAcross, m.vAcross, key);
                else if (guarded)
                    DrawRunGathered<Pixel, false, true>(row, count, source, sourcePitch, readEnd,
                                                        u, v, m.uAcross, m.vAcross, key);
                else
                    DrawRunGathered<Pixel, false, false>(row, count, source, sourcePitch, readEnd,
                                                         u, v, m.uAcross, m.vAcross, key);
                continue;
            }
        }
#endif
        if (keyed)
            DrawRun<Pixel, true>(row, end - first, source, sourcePitch, u, v, m.uAcross, m.vAcross, key);
        else
            DrawRun<Pixel, false>(row, end - first, source, sourcePitch, u, v, m.uAcross, m.vAcross, key);
    }
}

void BlitRotated(int64_t destX, int64_t destY, int64_t srcX, int64_t srcY, int64_t width,
                 int64_t height, double pivotX, double pivotY, double angle, double scale,
                 uint32_t flags, IDirectDrawSurface7* source, IDirectDrawSurface7* target)
{
    if (!AppActive || !source || !target || source == target)
        return;
    if (width <= 0 || height <= 0 || !std::isfinite(angle) || !std::isfinite(pivotX) ||
        !std::isfinite(pivotY) || !(scale >= MinScale && scale <= MaxScale))
        return;
    // The pivot may lie outside the rectangle, but not absurdly far.
    constexpr double PivotLimit = 1 << 20;
    if (std::fabs(pivotX) > PivotLimit || std::fabs(pivotY) > PivotLimit)
        return;
    const int64_t pixelBytes = BitsPerPixel / 8;
    if (pixelBytes != 1 && pixelBytes != 2 && pixelBytes != 4)
        return;

    DDCOLORKEY colorKey{};
    const bool keyed = source->GetColorKey(DDCKEY_SRCBLT, &colorKey) == DD_OK;

    LockedSurface from;
    if (!from.Lock(source, pixelBytes))
        return;
    // A source rectangle that reaches past its surface is refused, as the surfaces refuse it.
    if (srcX < 0 || srcY < 0 || srcX + width > from.width || srcY + height > from.height)
        return;
    LockedSurface to;
    if (!to.Lock(target, pixelBytes))
        return;
    // Cut to the screen's size and to the target's own, whichever is smaller.
    const int64_t clipWidth = std::min<int64_t>(to.width, ScreenWidth);
    const int64_t clipHeight = std::min<int64_t>(to.height, ScreenHeight);

    // The target box that can receive pixels: the turned rectangle's corners, a pixel wider on
    // every side, cut to the target; the exact bounds per row come from the mapping itself.
    double sine = 0;
    double cosine = 1;
    SinCosDegrees(angle, &sine, &cosine);
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    const double cornersX[4] = {-pivotX, width - pivotX, -pivotX, width - pivotX};
    const double cornersY[4] = {-pivotY, -pivotY, height - pivotY, height - pivotY};
    for (int c = 0; c < 4; ++c) {
        const double x = (cornersX[c] * cosine - cornersY[c] * sine) * scale;
        const double y = (cornersX[c] * sine + cornersY[c] * cosine) * scale;
        minX = c == 0 ? x : std::min(minX, x);
        maxX = c == 0 ? x : std::max(maxX, x);
        minY = c == 0 ? y : std::min(minY, y);
        maxY = c == 0 ? y : std::max(maxY, y);
    }
    const int64_t left = std::max<int64_t>(destX + static_cast<int64_t>(std::floor(minX)) - 1, 0);
    const int64_t right = std::min(destX + static_cast<int64_t>(std::ceil(maxX)) + 1, clipWidth);
    const int64_t top = std::max<int64_t>(destY + static_cast<int64_t>(std::floor(minY)) - 1, 0);
    const int64_t bottom = std::min(destY + static_cast<int64_t>(std::ceil(maxY)) + 1, clipHeight);
    if (left >= right || top >= bottom)
        return;

    const Mapping m = MakeMapping(left, top, destX, destY, pivotX, pivotY, width, height, sine,
                                  cosine, scale, flags);
    uint8_t* first = to.pixels + top * to.pitch + left * pixelBytes;
    const uint8_t* origin = from.pixels + srcY * from.pitch + srcX * pixelBytes;
    const NativePixel key = colorKey.dwColorSpaceLowValue;
    // Where the gathers may read up to, counted from the source rectangle's first pixel: the end
    // of the surface's last pixel; 0 leaves them out.
    int64_t readEnd = 0;
#ifdef ROTATE_GATHER
    if (HasGathers())
        readEnd = (from.height - 1 - srcY) * from.pitch + (from.width - srcX) * pixelBytes;
#endif
    switch (pixelBytes) {
    case 1:
        DrawRotated<uint8_t>(first, to.pitch, right - left, bottom - top, origin, from.pitch,
                             width, height, m, static_cast<uint8_t>(key), keyed, 0);
        break;
    case 2:
        DrawRotated<uint16_t>(first, to.pitch, right - left, bottom - top, origin, from.pitch,
                              width, height, m, static_cast<uint16_t>(key), keyed, readEnd);
        break;
    default:
        DrawRotated<uint32_t>(first, to.pitch, right - left, bottom - top, origin, from.pitch,
                              width, height, m, key, keyed, readEnd);
        break;
    }
}

}  // namespace

void BlitRotatedToScreen(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY, int32_t width,
                         int32_t height, double angle, double scale, uint32_t flags,
                         IDirectDrawSurface7* source)
{
    BlitRotated(destX, destY, srcX, srcY, width, height, width / 2.0, height / 2.0, angle, scale,
                flags, source, pScreenSurface);
}

void BlitRotatedPivotToScreen(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY,
                              int32_t width, int32_t height, double pivotX, double pivotY,
                              double angle, double scale, uint32_t flags,
                              IDirectDrawSurface7* source)
{
    BlitRotated(destX, destY, srcX, srcY, width, height, pivotX, pivotY, angle, scale, flags,
                source, pScreenSurface);
}

void BlitRotatedToSurface(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY, int32_t width,
                          int32_t height, double pivotX, double pivotY, double angle, double scale,
                          uint32_t flags, IDirectDrawSurface7* source,
                          IDirectDrawSurface7* destination)
{
    BlitRotated(destX, destY, srcX, srcY, width, height, pivotX, pivotY, angle, scale, flags,
                source, destination);
}
