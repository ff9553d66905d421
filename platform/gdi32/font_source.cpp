// font_source.cpp -- installed fonts: fontconfig finds the faces, FreeType opens and renders them
//
// The only file that calls fontconfig and FreeType. Callers cache what it answers: fontconfig
// is asked once per distinct request and each face is opened once. Glyphs are hinted by the
// TrueType bytecode interpreter in its classic mode (the full hinting that bi-level rasterisers
// apply) and rendered one bit per pixel: no antialiasing, no sub-pixel rendering.
// Left out on purpose: bitmap-only fonts, colour glyphs, kerning, variable-font axes.
// FreeType pieces: FT_New_Face, FT_Get_Sfnt_Table (OS/2, hhea), FT_Set_Pixel_Sizes,
// FT_Load_Glyph with FT_LOAD_TARGET_MONO, FT_Outline_EmboldenXY, FT_Render_Glyph.

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_DRIVER_H
#include FT_MODULE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "font.h"

struct SourceFace {
    FT_Face face = nullptr;
    int pixelsPerEm = 0;  // the size the face is set to
};

namespace {

// fontconfig's configuration, loaded once; false (with a note) when it cannot be had.
bool fontconfig_ready()
{
    static const bool ready = [] {
        if (FcInit())
            return true;
        fprintf(stderr, "layer: fontconfig could not be initialised; text has no fonts\n");
        return false;
    }();
    return ready;
}

FT_Library freetype()
{
    static FT_Library library = [] {
        FT_Library created = nullptr;
        if (FT_Init_FreeType(&created) != 0) {
            fprintf(stderr, "layer: FreeType could not be initialised; text has no fonts\n");
            return static_cast<FT_Library>(nullptr);
        }
        // The classic interpreter hints stems to whole pixels in both directions, which is what
        // one-bit glyphs need to stay even.
        FT_UInt version = TT_INTERPRETER_VERSION_35;
        FT_Property_Set(created, "truetype", "interpreter-version", &version);
        return created;
    }();
    return library;
}

void add_request(FcPattern* pattern, bool bold, bool cyrillic)
{
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    if (cyrillic)
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ru"));
}

bool describe(FcPattern* font, FontFile* file)
{
    FcChar8* path = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &path) != FcResultMatch || !path)
        return false;
    FcBool outline = FcFalse;
    if (FcPatternGetBool(font, FC_OUTLINE, 0, &outline) != FcResultMatch || !outline)
        return false;
    file->path = reinterpret_cast<const char*>(path);
    int index = 0;
    file->index = FcPatternGetInteger(font, FC_INDEX, 0, &index) == FcResultMatch ? index : 0;
    FcChar8* text = nullptr;
    file->family = FcPatternGetString(font, FC_FAMILY, 0, &text) == FcResultMatch
                       ? reinterpret_cast<const char*>(text) : "";
    file->style = FcPatternGetString(font, FC_STYLE, 0, &text) == FcResultMatch
                      ? reinterpret_cast<const char*>(text) : "";
    int weight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
    file->bold = weight >= FC_WEIGHT_DEMIBOLD;
    return true;
}

// Family names compare as fontconfig compares them: without regard to case or blanks.
bool same_family(const char* a, const char* b)
{
    for (;;) {
        while (*a == ' ')
            ++a;
        while (*b == ' ')
            ++b;
        if (!*a || !*b)
            return !*a && !*b;
        const char ca = (*a >= 'A' && *a <= 'Z') ? char(*a - 'A' + 'a') : *a;
        const char cb = (*b >= 'A' && *b <= 'Z') ? char(*b - 'A' + 'a') : *b;
        if (ca != cb)
            return false;
        ++a;
        ++b;
    }
}

// True when one of the font's family names (a face may carry several) is among names.
bool has_family(FcPattern* font, const std::vector<std::string>& names)
{
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &family) == FcResultMatch; ++i)
        for (const std::string& name : names)
            if (same_family(reinterpret_cast<const char*>(family), name.c_str()))
                return true;
    return false;
}

// Goes through the installed fonts in fontconfig's order of preference for the pattern and
// takes the first outline face whose family is among names (any family when names is empty).
bool pick(FcPattern* pattern, const std::vector<std::string>& names, FontFile* file)
{
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
    if (!sorted)
        return false;
    bool found = false;
    for (int i = 0; i < sorted->nfont && !found; ++i)
        if (names.empty() || has_family(sorted->fonts[i], names))
            found = describe(sorted->fonts[i], file);
    FcFontSetDestroy(sorted);
    return found;
}

}  // namespace

bool font_source_find(const std::string& family, bool bold, bool cyrillic, FontFile* file)
{
    if (family.empty() || !fontconfig_ready())
        return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    add_request(pattern, bold, cyrillic);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    // The configuration adds the family's stand-ins bound as strongly as the name itself
    // (metric-compatible faces) and generic defaults bound weakly; only the first kind counts as
    // the family being found.
    std::vector<std::string> names;
    FcValue value;
    FcValueBinding binding;
    for (int i = 0; FcPatternGetWithBinding(pattern, FC_FAMILY, i, &value, &binding) == FcResultMatch; ++i)
        if (binding != FcValueBindingWeak && value.type == FcTypeString)
            names.emplace_back(reinterpret_cast<const char*>(value.u.s));
    const bool found = !names.empty() && pick(pattern, names, file);
    FcPatternDestroy(pattern);
    return found;
}

bool font_source_find_generic(GenericFamily generic, bool bold, bool cyrillic, FontFile* file)
{
    if (!fontconfig_ready())
        return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    const char* name = generic == GenericFamily::Serif ? "serif"
                       : generic == GenericFamily::Mono ? "monospace" : "sans-serif";
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name));
    add_request(pattern, bold, cyrillic);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    const bool found = pick(pattern, {}, file);
    FcPatternDestroy(pattern);
    return found;
}

SourceFace* font_source_open(const FontFile& file, FaceTables* tables)
{
    FT_Library library = freetype();
    if (!library)
        return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.path.c_str(), file.index, &face) != 0)
        return nullptr;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    // Without a Unicode character map every character shows the missing-glyph shape.
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);

    *tables = FaceTables{};
    tables->unitsPerEm = face->units_per_EM;
    tables->boxWidth = static_cast<int>(face->bbox.xMax - face->bbox.xMin);
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    if (hhea) {
        tables->hheaAscender = hhea->Ascender;
        tables->hheaDescender = hhea->Descender;
        tables->hheaLineGap = hhea->Line_Gap;
    } else {
        tables->hheaAscender = face->ascender;
        tables->hheaDescender = face->descender;
    }
    if (os2 && os2->version != 0xFFFF) {
        tables->winAscent = os2->usWinAscent;
        tables->weight = os2->usWeightClass;
        tables->winDescent = os2->usWinDescent;
        tables->averageWidth = os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : 0;
    }
    auto* source = new SourceFace;
    source->face = face;
    return source;
}

bool font_source_render(SourceFace* source, int pixelsPerEm, bool embolden, char32_t ch,
                        GlyphImage* image)
{
    FT_Face face = source->face;
    if (source->pixelsPerEm != pixelsPerEm) {
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelsPerEm)) != 0)
            return false;
        source->pixelsPerEm = pixelsPerEm;
    }
    const FT_UInt index = FT_Get_Char_Index(face, ch);
    if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0)
        return false;
    FT_GlyphSlot slot = face->glyph;
    int extra = 0;
    if (embolden && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline_EmboldenXY(&slot->outline, 64, 0);
        extra = 1;
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
        return false;

    const FT_Bitmap& bitmap = slot->bitmap;
    image->width = static_cast<int>(bitmap.width);
    image->rows = static_cast<int>(bitmap.rows);
    image->pitch = (image->width + 7) / 8;
    image->left = slot->bitmap_left;
    image->top = slot->bitmap_top;
    image->advance = static_cast<int>((slot->advance.x + 32) >> 6) + extra;
    image->bits.assign(static_cast<size_t>(image->pitch) * image->rows, 0);
    // A negative pitch means the rows are stored bottom-up.
    const bool upward = bitmap.pitch < 0;
    const int sourcePitch = upward ? -bitmap.pitch : bitmap.pitch;
    for (int row = 0; row < image->rows; ++row) {
        const int stored = upward ? image->rows - 1 - row : row;
        const unsigned char* from = bitmap.buffer + static_cast<ptrdiff_t>(stored) * sourcePitch;
        uint8_t* to = image->bits.data() + static_cast<size_t>(row) * image->pitch;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
            memcpy(to, from, static_cast<size_t>(image->pitch));
        } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            // An embedded grey bitmap: a pixel is ink from half coverage up.
            for (int x = 0; x < image->width; ++x)
                if (from[x] >= 128)
                    to[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        } else {
            image->bits.assign(image->bits.size(), 0);  // colour bitmaps are not drawn
            break;
        }
    }
    return true;
}
