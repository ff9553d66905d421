// font.h -- the layer's font machinery as gdi.cpp, user32/drawtext.cpp, font.cpp and font_source.cpp
// share it; not API, never seen by the engine
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gdi32/surface_dc.h"

// --- installed fonts: fontconfig and FreeType (font_source.cpp) --------------------------------

// An installed face as fontconfig names it.
struct FontFile {
    std::string path;
    int index = 0;        // face index within the file
    std::string family;   // the face's own family name, e.g. "Liberation Serif"
    std::string style;    // e.g. "Bold"
    bool bold = false;    // the face itself is bold (weight demibold or more)
};

enum class GenericFamily { Serif, Sans, Mono };

// Finds the installed outline face of a family, bold or not. True only when the face found is
// that family or one of fontconfig's metric-compatible stand-ins for it ("Times New Roman" ->
// "Liberation Serif"); a family fontconfig does not know gives false. cyrillic asks for a face
// that covers Russian where there is a choice.
bool font_source_find(const std::string& family, bool bold, bool cyrillic, FontFile* file);
// The best installed outline face of a generic family; false when there is none at all.
bool font_source_find_generic(GenericFamily generic, bool bold, bool cyrillic, FontFile* file);

// The font-wide values in design units that the cell metrics are worked out from.
struct FaceTables {
    int unitsPerEm = 0;
    int winAscent = 0;       // OS/2 usWinAscent
    int winDescent = 0;      // OS/2 usWinDescent
    int hheaAscender = 0;    // hhea ascender
    int hheaDescender = 0;   // hhea descender (negative below the baseline)
    int hheaLineGap = 0;     // hhea line gap
    int averageWidth = 0;    // OS/2 xAvgCharWidth; 0 when the font has no OS/2 table
    int boxWidth = 0;        // head xMax - xMin: the widest any glyph reaches
    int weight = 0;          // OS/2 usWeightClass; 0 when the font has no OS/2 table
};

struct SourceFace;  // an open FreeType face

// Opens a face and reads its tables; null when FreeType cannot load it as a scalable face. The
// face stays open until the process ends.
SourceFace* font_source_open(const FontFile& file, FaceTables* tables);

// One rendered glyph: a 1-bit-per-pixel bitmap (most significant bit first) placed relative to
// the pen on the baseline, and the hinted advance in whole pixels.
struct GlyphImage {
    int width = 0;
    int rows = 0;
    int pitch = 0;     // bytes per row of bits
    int left = 0;      // from the pen to the bitmap's left column
    int top = 0;       // from the baseline up to the bitmap's top row
    int advance = 0;
    std::vector<uint8_t> bits;
};

// Renders the glyph of a character (the font's missing-glyph shape when it has none), hinted
// for monochrome output, without antialiasing. embolden widens a regular face's strokes by one
// pixel for a bold request the family cannot serve. False when FreeType fails.
bool font_source_render(SourceFace* face, int pixelsPerEm, bool embolden, char32_t ch,
                        GlyphImage* image);

// --- realised fonts, glyph cache and glyph stamping (font.cpp) --------------------------------

// What CreateFontA records and the mapper needs.
struct FontRequest {
    char face[LF_FACESIZE] = {};  // as given, cut to 31 characters, zero-padded
    int height = 0;
    int weight = 0;
    uint8_t charSet = 0;
    uint8_t pitchAndFamily = 0;
};

// The cell of a realised font, in pixels, as GDI reports it.
struct FontMetrics {
    int ascent = 0;
    int descent = 0;
    int height = 0;           // ascent + descent: the cell and the line height
    int averageWidth = 0;
    int maxWidth = 0;         // the face's bounding box width at this size
    int internalLeading = 0;  // the part of the cell above the em square
    int externalLeading = 0;  // the gap the face asks for between lines, outside the cell
    int weight = 0;           // as requested, or the face's own when the request says 0
    int charSet = 0;          // the character set the font was realised with
    int codePage = 1251;      // how 8-bit text is read with this font
};

struct FontInstance;

// The font the mapper picks for a request, realised once and then shared; never null. Pointers
// stay valid until font_cache_generation() changes.
FontInstance* font_realise(const FontRequest& request);
uint32_t font_cache_generation();
const FontMetrics& font_metrics(const FontInstance* font);
// The installed face behind a realised font; false when no face could be had at all.
bool font_face_file(const FontInstance* font, FontFile* file);

// The advance of one 8-bit character, and the sum of a run's, in whole pixels: how far drawing
// moves the pen. Every byte is a character; nothing is interpreted.
int font_char_advance(FontInstance* font, uint8_t byte);
int64_t font_text_advance(FontInstance* font, const uint8_t* text, size_t count);

// Where text may go: [left, right) x [top, bottom), already inside the surface.
struct ClipBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct TextPaint {
    uint32_t textPixel = 0;
    uint32_t backPixel = 0;
    bool opaque = false;
};

// Draws one run of 8-bit text with the cell's top-left corner at (x, y), cut to clip: in opaque
// mode first the background box of the run's full extent and cell height, then the glyphs.
// Nothing is interpreted: every byte is a character. Returns the run's advance when
// wantAdvance is set (otherwise 0; drawing may then stop at the clip's right edge).
int64_t font_draw_text(const SurfacePixels& target, FontInstance* font, int64_t x, int64_t y,
                       const uint8_t* text, size_t count, const ClipBox& clip,
                       const TextPaint& paint, bool wantAdvance);

// Fills [left, right) x [top, bottom) cut to clip with pixel: the underline of a prefixed
// character.
void font_fill_box(const SurfacePixels& target, int64_t left, int64_t top, int64_t right,
                   int64_t bottom, const ClipBox& clip, uint32_t pixel);

// --- device contexts for text (gdi.cpp) -------------------------------------------------------

// What a DC gives a text call: its pixels, its realised font and its colours converted.
struct DcText {
    const SurfacePixels* target = nullptr;
    FontInstance* font = nullptr;
    TextPaint paint;
};
// False for a handle that is not a live DC.
bool gdi_dc_text(HDC dc, DcText* text);
