// font.cpp -- the font mapper, realised fonts with GDI's cell metrics, the glyph cache, and the
// stamping of glyphs into surface memory
//
// A font request is realised the first time text is drawn with it and then kept: the face is
// resolved once per distinct name and weight, each face file is opened once, and each glyph is
// rendered once per face, pixel size and weight and kept as runs of ink pixels, so drawing text
// is stamping runs. The mapper's rules, as the platform applies them on a Cyrillic system:
// - a face name ending in " Cyr" is that face with the Cyrillic character set;
// - a face that is not installed gives way by pitch and family: roman to "Times New Roman",
//   fixed pitch or modern to "Courier New", anything else to "Arial" (each served by its
//   installed metric-compatible face), and failing those to any serif, monospace or sans face;
// - weights from 600 up take the family's bold face, emboldened outlines where it has none;
// - a positive height is the cell height (ascent + descent), a negative one the em height, 0 a
//   16-pixel cell; the pixel size and the cell come from the face's OS/2 and hhea tables as GDI
//   works them out, not from FreeType's size metrics;
// - 8-bit text is Windows-1252 with the ANSI character set and Windows-1251 (the system code
//   page) with every other.
// Left out on purpose: italic, underline, strike-out, widths, escapement, kerning.
// The pixel work is plain C++; the installed fonts come from font_source.cpp.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>
#include <unordered_map>

#include "blit.h"
#include "font.h"
#include "kernel32/codepage.h"

namespace {

constexpr int DefaultCellHeight = 16;   // the cell of a zero height request
constexpr int MaxPixelsPerEm = 1024;    // larger sizes are drawn at this one
constexpr int BoldWeight = FW_SEMIBOLD;
constexpr int64_t MaxGlyphPixels = 4 << 20;
// When to start the caches afresh, so that a program cycling through many sizes stays bounded.
constexpr size_t MaxInstances = 512;
constexpr size_t MaxGlyphBytes = 64u << 20;
constexpr size_t MaxResolutions = 4096;

// One run of ink pixels in a glyph row: y from the cell's top, x from the pen.
struct Span {
    int16_t y;
    int16_t x;
    int16_t length;
};

struct Glyph {
    int advance = 0;
    // The ink's bounding box ([minX, maxX) x [minY, maxY)), relative to the pen and cell top.
    int minX = 0;
    int maxX = 0;
    int minY = 0;
    int maxY = 0;
    std::vector<Span> spans;
};

struct Face {
    FontFile file;
    SourceFace* source = nullptr;
    FaceTables tables;
};

// A face at one pixel size and weight: its cell and the glyphs rendered so far, by character.
struct FaceSize {
    Face* face = nullptr;
    int pixelsPerEm = 0;
    bool embolden = false;
    int ascent = 0;
    int cellHeight = 0;
    int reach = 0;  // no ink lies further than this left or right of the pen and its advance
    std::unordered_map<char32_t, Glyph> glyphs;
};

struct Resolved {
    Face* face = nullptr;  // null: no installed face could be had
    bool embolden = false;
};

}  // namespace

struct FontInstance {
    FontMetrics metrics;
    FaceSize* size = nullptr;  // null when there is no face: every character is a blank cell
    Glyph blank;
    char32_t unicode[256] = {};
    const Glyph* byByte[256] = {};
};

namespace {

struct RequestHash {
    size_t operator()(const FontRequest& request) const
    {
        uint64_t hash = 1469598103934665603ull;
        auto mix = [&hash](uint64_t value) { hash = (hash ^ value) * 1099511628211ull; };
        for (size_t i = 0; i < sizeof(request.face) && request.face[i]; ++i)
            mix(static_cast<unsigned char>(request.face[i]));
        mix(static_cast<uint32_t>(request.height));
        mix(static_cast<uint32_t>(request.weight));
        mix(request.charSet);
        mix(request.pitchAndFamily);
        return static_cast<size_t>(hash);
    }
};

struct RequestEqual {
    bool operator()(const FontRequest& a, const FontRequest& b) const
    {
        return a.height == b.height && a.weight == b.weight && a.charSet == b.charSet &&
               a.pitchAndFamily == b.pitchAndFamily && memcmp(a.face, b.face, sizeof(a.face)) == 0;
    }
};

struct Caches {
    std::map<std::string, std::unique_ptr<Face>> faces;  // by file and index; null: unusable
    std::unordered_map<std::string, Resolved> resolved;
    std::map<std::tuple<Face*, int, bool>, std::unique_ptr<FaceSize>> sizes;
    std::unordered_map<FontRequest, std::unique_ptr<FontInstance>, RequestHash, RequestEqual> instances;
    size_t glyphBytes = 0;
    uint32_t generation = 1;
};

// Lives until the process ends; never destroyed, so no exit-time order matters.
Caches& caches()
{
    static Caches* all = new Caches;
    return *all;
}

// Windows-1252 bytes 0x80..0x9F; the rest of the code page is Latin-1. Bytes the code page
// leaves undefined pass through as the C1 controls, as the platform converts them.
const char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

char32_t cp1252_to_unicode(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? Cp1252High[byte - 0x80] : byte;
}

// value * numerator / denominator rounded to the nearest integer, halves up; denominator > 0.
int64_t scale_rounded(int64_t value, int64_t numerator, int64_t denominator)
{
    const int64_t a = 2 * value * numerator + denominator;
    const int64_t b = 2 * denominator;
    int64_t quotient = a / b;
    if (a % b != 0 && a < 0)
        --quotient;
    return quotient;
}

GenericFamily fallback_family(uint8_t pitchAndFamily)
{
    const int pitch = pitchAndFamily & 0x03;
    const int family = pitchAndFamily & 0xF0;
    if (family == FF_ROMAN)
        return GenericFamily::Serif;
    if (pitch == FIXED_PITCH || family == FF_MODERN)
        return GenericFamily::Mono;
    return GenericFamily::Sans;
}

Face* open_face(const FontFile& file)
{
    Caches& all = caches();
    const std::string key = file.path + '\n' + std::to_string(file.index);
    auto it = all.faces.find(key);
    if (it == all.faces.end()) {
        auto face = std::make_unique<Face>();
        face->file = file;
        face->source = font_source_open(file, &face->tables);
        if (!face->source)
            face.reset();
        it = all.faces.emplace(key, std::move(face)).first;
    }
    return it->second.get();
}

// The installed face for a face name at a weight, asked of fontconfig once per distinct request.
Resolved resolve(const std::string& name, bool bold, uint8_t pitchAndFamily, bool cyrillic)
{
    Caches& all = caches();
    const GenericFamily generic = fallback_family(pitchAndFamily);
    const std::string key = ascii_lower(name) + '\n' + char('0' + bold) + char('0' + int(generic)) +
                            char('0' + cyrillic);
    auto it = all.resolved.find(key);
    if (it != all.resolved.end())
        return it->second;
    if (all.resolved.size() >= MaxResolutions)
        all.resolved.clear();

    Resolved answer;
    auto take = [&](bool found, const FontFile& file) {
        if (found && !answer.face) {
            answer.face = open_face(file);
            answer.embolden = bold && !file.bold;
        }
        return answer.face != nullptr;
    };
    static const char* const Standard[] = {"Times New Roman", "Arial", "Courier New"};
    FontFile file;
    if (!take(font_source_find(name, bold, cyrillic, &file), file) &&
        !take(font_source_find(Standard[int(generic)], bold, cyrillic, &file), file) &&
        !take(font_source_find_generic(generic, bold, cyrillic, &file), file)) {
        static bool noted = false;
        if (!noted)
            fprintf(stderr, "layer: no installed font for \"%s\"; text draws blank cells\n", name.c_str());
        noted = true;
    }
    all.resolved.emplace(key, answer);
    return answer;
}

void flush_caches()
{
    Caches& all = caches();
    all.instances.clear();
    all.sizes.clear();
    all.glyphBytes = 0;
    ++all.generation;
}

FaceSize* face_size(Face* face, int pixelsPerEm, bool embolden, int ascent, int cellHeight)
{
    auto& sizes = caches().sizes;
    auto& slot = sizes[std::make_tuple(face, pixelsPerEm, embolden)];
    if (!slot) {
        slot = std::make_unique<FaceSize>();
        slot->face = face;
        slot->pixelsPerEm = pixelsPerEm;
        slot->embolden = embolden;
        slot->ascent = ascent;
        slot->cellHeight = cellHeight;
        slot->reach = 2 * pixelsPerEm + 2;
    }
    return slot.get();
}

// The cell of a face at the requested height, as GDI works it out from the font's tables.
void face_metrics(const FaceTables& tables, int requestedHeight, FontMetrics* metrics, int* pixelsPerEm)
{
    const int64_t em = tables.unitsPerEm;
    int64_t ascent = tables.winAscent;
    int64_t descent = tables.winDescent;
    if (ascent + descent <= 0) {
        ascent = tables.hheaAscender;
        descent = -static_cast<int64_t>(tables.hheaDescender);
    }
    if (ascent + descent <= 0) {
        ascent = em * 4 / 5;
        descent = em - ascent;
    }
    const int64_t units = ascent + descent;
    const int64_t height = requestedHeight == 0 ? DefaultCellHeight : requestedHeight;
    int64_t ppem;
    if (height > 0) {
        // The largest size whose cell does not exceed the request.
        ppem = scale_rounded(height, em, units);
        if (scale_rounded(units, ppem, em) > height)
            --ppem;
    } else {
        ppem = -height;
    }
    ppem = std::clamp<int64_t>(ppem, 1, MaxPixelsPerEm);
    *pixelsPerEm = static_cast<int>(ppem);
    metrics->ascent = static_cast<int>(scale_rounded(ascent, ppem, em));
    metrics->descent = static_cast<int>(scale_rounded(descent, ppem, em));
    metrics->height = metrics->ascent + metrics->descent;
    const int64_t average = tables.averageWidth > 0 ? scale_rounded(tables.averageWidth, ppem, em)
                                                    : scale_rounded(1, ppem, 2);
    metrics->averageWidth = static_cast<int>(std::max<int64_t>(1, average));
    metrics->maxWidth = static_cast<int>(std::max<int64_t>(metrics->averageWidth,
                                                           scale_rounded(tables.boxWidth, ppem, em)));
    metrics->internalLeading = static_cast<int>(std::max<int64_t>(0, scale_rounded(units - em, ppem, em)));
    // The line gap beyond what the Windows ascent and descent already hold.
    const int64_t gap = tables.hheaLineGap - (units - (tables.hheaAscender - tables.hheaDescender));
    metrics->externalLeading = static_cast<int>(std::max<int64_t>(0, scale_rounded(gap, ppem, em)));
}

// Turns a rendered bitmap into runs of ink. Rows above the cell's ascent and below its descent
// are cut off, as the platform's rasteriser cuts glyph bitmaps at the font's Windows ascent and
// descent: a descender that reaches lower than the descent loses its last rows, and no glyph
// ever inks the line below. Ink further sideways than the face size's reach (only a broken font
// has any) is dropped, so that drawing can tell from the pen alone when to stop.
Glyph glyph_from_image(const GlyphImage& image, const FaceSize& size)
{
    Glyph glyph;
    glyph.advance = std::clamp(image.advance, 0, 0x7FFF);
    if (image.width <= 0 || image.rows <= 0 ||
        static_cast<int64_t>(image.width) * image.rows > MaxGlyphPixels)
        return glyph;
    glyph.minX = glyph.minY = INT32_MAX;
    glyph.maxX = glyph.maxY = INT32_MIN;
    const int64_t lowX = -size.reach;
    const int64_t highX = std::max(glyph.advance, size.pixelsPerEm) + static_cast<int64_t>(size.reach);
    const int64_t lowY = 0;
    const int64_t highY = size.cellHeight;
    for (int row = 0; row < image.rows; ++row) {
        const int64_t y = size.ascent - static_cast<int64_t>(image.top) + row;
        if (y < lowY || y >= highY)
            continue;
        const uint8_t* bits = image.bits.data() + static_cast<size_t>(row) * image.pitch;
        int column = 0;
        while (column < image.width) {
            if (!(bits[column / 8] & (0x80 >> (column % 8)))) {
                ++column;
                continue;
            }
            const int start = column;
            while (column < image.width && (bits[column / 8] & (0x80 >> (column % 8))))
                ++column;
            const int64_t x0 = std::max(lowX, static_cast<int64_t>(image.left) + start);
            const int64_t x1 = std::min(highX, static_cast<int64_t>(image.left) + column);
            if (x0 >= x1)
                continue;
            glyph.spans.push_back(Span{static_cast<int16_t>(y), static_cast<int16_t>(x0),
                                       static_cast<int16_t>(x1 - x0)});
            glyph.minX = std::min<int>(glyph.minX, static_cast<int>(x0));
            glyph.maxX = std::max<int>(glyph.maxX, static_cast<int>(x1));
            glyph.minY = std::min<int>(glyph.minY, static_cast<int>(y));
            glyph.maxY = std::max<int>(glyph.maxY, static_cast<int>(y) + 1);
        }
    }
    if (glyph.spans.empty())
        glyph.minX = glyph.maxX = glyph.minY = glyph.maxY = 0;
    return glyph;
}

const Glyph* load_glyph(FontInstance& font, uint8_t byte)
{
    FaceSize& size = *font.size;
    const char32_t ch = font.unicode[byte];
    auto it = size.glyphs.find(ch);
    if (it == size.glyphs.end()) {
        Glyph glyph;
        GlyphImage image;
        if (font_source_render(size.face->source, size.pixelsPerEm, size.embolden, ch, &image))
            glyph = glyph_from_image(image, size);
        caches().glyphBytes += sizeof(Glyph) + 32 + glyph.spans.size() * sizeof(Span);
        it = size.glyphs.emplace(ch, std::move(glyph)).first;
    }
    font.byByte[byte] = &it->second;
    return &it->second;
}

inline const Glyph* glyph_of(FontInstance& font, uint8_t byte)
{
    const Glyph* glyph = font.byByte[byte];
    return glyph ? glyph : load_glyph(font, byte);
}

template <typename Pixel>
inline void fill_run(uint8_t* row, int x0, int x1, Pixel value)
{
    Pixel* to = reinterpret_cast<Pixel*>(row) + x0;
    for (int x = x0; x < x1; ++x)
        *to++ = value;
}

// Stamps one glyph with its pen at penX and the cell's top at top, cut to clip.
template <typename Pixel>
void stamp_glyph(const SurfacePixels& target, const Glyph& glyph, int64_t penX, int64_t top,
                 const ClipBox& clip, Pixel value)
{
    if (glyph.spans.empty())
        return;
    const int64_t left = penX + glyph.minX;
    const int64_t right = penX + glyph.maxX;
    const int64_t upper = top + glyph.minY;
    const int64_t lower = top + glyph.maxY;
    if (left >= clip.right || right <= clip.left || upper >= clip.bottom || lower <= clip.top)
        return;
    // The glyph touches the clip, so pen and top are within a glyph's reach of the surface.
    const int x = static_cast<int>(penX);
    const int y = static_cast<int>(top);
    const ptrdiff_t pitch = target.pitch;
    if (left >= clip.left && right <= clip.right && upper >= clip.top && lower <= clip.bottom) {
        for (const Span& span : glyph.spans) {
            const int x0 = x + span.x;
            fill_run(target.bits + (y + span.y) * pitch, x0, x0 + span.length, value);
        }
        return;
    }
    for (const Span& span : glyph.spans) {
        const int row = y + span.y;
        if (row < clip.top || row >= clip.bottom)
            continue;
        const int x0 = std::max(x + span.x, clip.left);
        const int x1 = std::min(x + span.x + span.length, clip.right);
        if (x0 < x1)
            fill_run(target.bits + row * pitch, x0, x1, value);
    }
}

template <typename Pixel>
int64_t stamp_run(const SurfacePixels& target, FontInstance& font, int64_t x, int64_t y,
                  const uint8_t* text, size_t count, const ClipBox& clip, Pixel value,
                  bool wantAdvance)
{
    const FaceSize& size = *font.size;
    int64_t pen = x;
    size_t i = 0;
    const bool rowsVisible = clip.left < clip.right && clip.top < clip.bottom &&
                             y + size.cellHeight > clip.top && y < clip.bottom;
    if (rowsVisible) {
        for (; i < count; ++i) {
            // Glyphs further right cannot reach back into the clip.
            if (pen - size.reach >= clip.right)
                break;
            const Glyph& glyph = *glyph_of(font, text[i]);
            stamp_glyph(target, glyph, pen, y, clip, value);
            pen += glyph.advance;
        }
    }
    if (!wantAdvance)
        return 0;
    for (; i < count; ++i)
        pen += glyph_of(font, text[i])->advance;
    return pen - x;
}

int64_t run_advance(FontInstance& font, const uint8_t* text, size_t count)
{
    int64_t advance = 0;
    if (!font.size)
        return static_cast<int64_t>(count) * font.blank.advance;
    for (size_t i = 0; i < count; ++i)
        advance += glyph_of(font, text[i])->advance;
    return advance;
}

void fill_background(const SurfacePixels& target, int64_t left, int64_t top, int64_t right,
                     int64_t bottom, const ClipBox& clip, uint32_t pixel)
{
    left = std::max<int64_t>(left, clip.left);
    top = std::max<int64_t>(top, clip.top);
    right = std::min<int64_t>(right, clip.right);
    bottom = std::min<int64_t>(bottom, clip.bottom);
    if (left >= right || top >= bottom)
        return;
    // Now inside the clip, so inside the surface.
    PixelRect rect;
    rect.left = static_cast<int>(left);
    rect.top = static_cast<int>(top);
    rect.right = static_cast<int>(right);
    rect.bottom = static_cast<int>(bottom);
    blit_fill(PixelBuffer{target.bits, target.width, target.height, target.pitch, target.bitsPerPixel / 8},
              rect, pixel);
}

std::unique_ptr<FontInstance> build_instance(const FontRequest& request)
{
    auto font = std::make_unique<FontInstance>();
    std::string name(request.face, strnlen(request.face, sizeof(request.face)));
    int charSet = request.charSet;
    static const char CyrSuffix[] = " cyr";
    const size_t suffix = sizeof(CyrSuffix) - 1;
    if (name.size() > suffix && ascii_lower(name.substr(name.size() - suffix)) == CyrSuffix) {
        name.resize(name.size() - suffix);
        charSet = RUSSIAN_CHARSET;
    }
    font->metrics.codePage = charSet == ANSI_CHARSET ? 1252 : 1251;
    font->metrics.charSet = charSet;
    font->metrics.weight = request.weight;
    for (int byte = 0; byte < 256; ++byte)
        font->unicode[byte] = font->metrics.codePage == 1252
                                  ? cp1252_to_unicode(static_cast<unsigned char>(byte))
                                  : cp1251_to_unicode(static_cast<unsigned char>(byte));

    const bool bold = request.weight >= BoldWeight;
    const Resolved resolved = resolve(name, bold, request.pitchAndFamily, charSet != ANSI_CHARSET);
    if (resolved.face) {
        int pixelsPerEm = 0;
        face_metrics(resolved.face->tables, request.height, &font->metrics, &pixelsPerEm);
        if (request.weight == FW_DONTCARE)
            font->metrics.weight = resolved.face->tables.weight > 0 ? resolved.face->tables.weight : FW_NORMAL;
        font->size = face_size(resolved.face, pixelsPerEm, resolved.embolden, font->metrics.ascent,
                               font->metrics.height);
        return font;
    }
    // No face at all: cells of the requested height with nothing in them, so that opaque text
    // still paints its background.
    const int64_t height = request.height == 0 ? DefaultCellHeight
                                               : std::clamp<int64_t>(std::abs(int64_t{request.height}), 1, MaxPixelsPerEm);
    FontMetrics& metrics = font->metrics;
    metrics.ascent = static_cast<int>(height - height / 5);
    metrics.descent = static_cast<int>(height / 5);
    metrics.height = static_cast<int>(height);
    metrics.averageWidth = static_cast<int>(std::max<int64_t>(1, height * 7 / 16));
    metrics.maxWidth = metrics.averageWidth;
    if (metrics.weight == FW_DONTCARE)
        metrics.weight = FW_NORMAL;
    font->blank.advance = metrics.averageWidth;
    for (auto& glyph : font->byByte)
        glyph = &font->blank;
    return font;
}

}  // namespace

FontInstance* font_realise(const FontRequest& request)
{
    Caches& all = caches();
    auto it = all.instances.find(request);
    if (it != all.instances.end())
        return it->second.get();
    if (all.instances.size() >= MaxInstances || all.glyphBytes > MaxGlyphBytes)
        flush_caches();
    return all.instances.emplace(request, build_instance(request)).first->second.get();
}

int font_char_advance(FontInstance* font, uint8_t byte) { return glyph_of(*font, byte)->advance; }

int64_t font_text_advance(FontInstance* font, const uint8_t* text, size_t count)
{
    return run_advance(*font, text, count);
}

void font_fill_box(const SurfacePixels& target, int64_t left, int64_t top, int64_t right,
                   int64_t bottom, const ClipBox& clip, uint32_t pixel)
{
    fill_background(target, left, top, right, bottom, clip, pixel);
}

uint32_t font_cache_generation() { return caches().generation; }

const FontMetrics& font_metrics(const FontInstance* font) { return font->metrics; }

bool font_face_file(const FontInstance* font, FontFile* file)
{
    if (!font->size)
        return false;
    *file = font->size->face->file;
    if (font->size->embolden)
        file->style += " (emboldened)";
    return true;
}

int64_t font_draw_text(const SurfacePixels& target, FontInstance* font, int64_t x, int64_t y,
                       const uint8_t* text, size_t count, const ClipBox& clip,
                       const TextPaint& paint, bool wantAdvance)
{
    if (count == 0 || !text)
        return 0;
    int64_t advance = 0;
    if (paint.opaque) {
        // The box spans the run's whole extent, however little of it the clip lets through.
        advance = run_advance(*font, text, count);
        fill_background(target, x, y, x + advance, y + font->metrics.height, clip, paint.backPixel);
        wantAdvance = false;
    }
    if (!font->size)
        return wantAdvance ? run_advance(*font, text, count) : advance;
    int64_t stamped = 0;
    switch (target.bitsPerPixel) {
    case 8:
        stamped = stamp_run<uint8_t>(target, *font, x, y, text, count, clip,
                                     static_cast<uint8_t>(paint.textPixel), wantAdvance);
        break;
    case 16:
        stamped = stamp_run<uint16_t>(target, *font, x, y, text, count, clip,
                                      static_cast<uint16_t>(paint.textPixel), wantAdvance);
        break;
    case 32:
        stamped = stamp_run<uint32_t>(target, *font, x, y, text, count, clip, paint.textPixel,
                                      wantAdvance);
        break;
    default:
        break;
    }
    return paint.opaque ? advance : stamped;
}
