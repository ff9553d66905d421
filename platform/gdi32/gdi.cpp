// gdi.cpp -- gdi32 on DirectDraw surfaces: device contexts, stock objects, fonts, colours,
// TextOutA, GetTextExtentPoint32A, GetTextMetricsA
//
// A DirectDraw GetDC gives a memory DC over the surface's pixels, with the defaults of a new DC:
// white background, OPAQUE mode, black text, the stock System font, top-left alignment. Colours
// are converted into the surface's format as GDI converts them: XRGB8888 at 32 bits, RGB565 by
// truncation at 16, the nearest palette entry at 8. Nothing is drawn outside the surface.
// Handles are checked: a DC or font that was deleted, or a value that never was one, makes the
// call fail; handles carry a generation, so a stale one is told apart from its slot's next user.
// CreateFontA only records the request; the font is realised (font.cpp) when text is first drawn
// with it, and realised fonts are shared, so creating and deleting a font per call costs little.
// Left out on purpose: pens, brushes as drawing tools, regions, mapping modes, text alignment
// other than top-left, italic/underlined/struck-out/stretched/rotated fonts (refused).

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "font.h"
#include "faults.h"
#include "gdi32/surface_dc.h"
#include "testing.h"
#include "unsupported.h"

namespace {

// The calls here that a test can make fail.
const FaultHook CreateFontAFault("CreateFontA");
const FaultHook SelectObjectFault("SelectObject");
const FaultHook DeleteObjectFault("DeleteObject");
const FaultHook SetBkColorFault("SetBkColor");
const FaultHook SetTextColorFault("SetTextColor");
const FaultHook SetBkModeFault("SetBkMode");
const FaultHook TextOutAFault("TextOutA");
const FaultHook GetTextExtentPoint32AFault("GetTextExtentPoint32A");
const FaultHook GetTextMetricsAFault("GetTextMetricsA");

constexpr uint32_t PaletteIndexTag = 0x01000000;
constexpr uint32_t DibIndexTag = 0x10FF0000;

// A handle is kind << 28 | generation << 16 | slot. Stock objects have generation 0 and their
// stock number as the slot.
enum class Kind : uint32_t { Dc = 1, Font = 2, StockBrush = 3, StockFont = 4 };
constexpr uint32_t MaxSlots = 0x10000;
constexpr uint32_t GenerationMask = 0xFFF;
// The platform's per-process quota of GDI objects; a program that leaks fonts fails here as it
// would there.
constexpr uint32_t MaxFonts = 10000;

uintptr_t make_handle(Kind kind, uint32_t generation, uint32_t slot)
{
    return (static_cast<uintptr_t>(kind) << 28) | (static_cast<uintptr_t>(generation) << 16) | slot;
}

Kind handle_kind(uintptr_t handle) { return static_cast<Kind>((handle >> 28) & 0xF); }

// Live objects in numbered slots; a freed slot is taken again with the next generation.
template <typename T>
class SlotTable {
public:
    explicit SlotTable(Kind kind, uint32_t limit) : kind_(kind), limit_(limit) {}

    T* find(uintptr_t handle)
    {
        if (handle > 0xFFFFFFFFu || handle_kind(handle) != kind_)
            return nullptr;
        const uint32_t slot = handle & 0xFFFF;
        if (slot >= slots_.size())
            return nullptr;
        Slot& entry = slots_[slot];
        if (!entry.live || entry.generation != ((handle >> 16) & GenerationMask))
            return nullptr;
        return &entry.object;
    }

    // The new object's handle, or 0 when the table is full.
    uintptr_t add(const T& object)
    {
        uint32_t slot;
        if (!free_.empty()) {
            slot = free_.back();
            free_.pop_back();
        } else {
            if (slots_.size() >= limit_)
                return 0;
            slot = static_cast<uint32_t>(slots_.size());
            slots_.emplace_back();
        }
        Slot& entry = slots_[slot];
        entry.object = object;
        entry.live = true;
        entry.generation = entry.generation % GenerationMask + 1;  // 1..0xFFF, never 0
        return make_handle(kind_, entry.generation, slot);
    }

    void remove(uintptr_t handle)
    {
        const uint32_t slot = handle & 0xFFFF;
        slots_[slot].live = false;
        free_.push_back(slot);
    }

    template <typename F>
    void for_each(F visit)
    {
        for (Slot& entry : slots_)
            if (entry.live)
                visit(entry.object);
    }

private:
    struct Slot {
        T object{};
        uint32_t generation = 0;
        bool live = false;
    };
    Kind kind_;
    uint32_t limit_;
    std::deque<Slot> slots_;  // a deque keeps objects in place as it grows
    std::vector<uint32_t> free_;
};

struct FontObject {
    FontRequest request;
    int selections = 0;                // DCs it is selected into
    FontInstance* realised = nullptr;  // valid while realisedGeneration is current
    uint32_t realisedGeneration = 0;
};

struct DeviceContext {
    SurfacePixels target;
    COLORREF background = RGB(255, 255, 255);
    int backgroundMode = OPAQUE;
    COLORREF textColor = RGB(0, 0, 0);
    uintptr_t font = 0;
    uintptr_t brush = 0;
};

SlotTable<DeviceContext>& contexts()
{
    static auto* table = new SlotTable<DeviceContext>(Kind::Dc, MaxSlots);
    return *table;
}

SlotTable<FontObject>& fonts()
{
    static auto* table = new SlotTable<FontObject>(Kind::Font, MaxFonts);
    return *table;
}

// The stock System font: a bold sans-serif face in a 16-pixel cell, reading the system code page.
FontObject& system_font()
{
    static FontObject font = [] {
        FontObject object;
        strcpy(object.request.face, "System");
        object.request.height = 16;
        object.request.weight = FW_BOLD;
        object.request.charSet = DEFAULT_CHARSET;
        object.request.pitchAndFamily = VARIABLE_PITCH | FF_SWISS;
        return object;
    }();
    return font;
}

uintptr_t stock_handle(int object)
{
    if (object >= WHITE_BRUSH && object <= NULL_BRUSH)
        return make_handle(Kind::StockBrush, 0, static_cast<uint32_t>(object));
    if (object == SYSTEM_FONT)
        return make_handle(Kind::StockFont, 0, SYSTEM_FONT);
    return 0;
}

bool is_stock(uintptr_t handle)
{
    const Kind kind = handle_kind(handle);
    if (handle > 0xFFFFFFFFu || (handle >> 16 & GenerationMask) != 0)
        return false;
    const uint32_t slot = handle & 0xFFFF;
    return (kind == Kind::StockBrush && slot <= NULL_BRUSH) || (kind == Kind::StockFont && slot == SYSTEM_FONT);
}

// The font object behind a handle: a created font or the stock one; null for anything else.
FontObject* font_object(uintptr_t handle)
{
    if (handle_kind(handle) == Kind::StockFont)
        return is_stock(handle) ? &system_font() : nullptr;
    return fonts().find(handle);
}

DeviceContext* context_from_handle(HDC dc) { return contexts().find(reinterpret_cast<uintptr_t>(dc)); }

FontInstance* realised_font(FontObject& font)
{
    const uint32_t generation = font_cache_generation();
    if (!font.realised || font.realisedGeneration != generation) {
        font.realised = font_realise(font.request);
        font.realisedGeneration = font_cache_generation();
    }
    return font.realised;
}

}  // namespace

uint32_t gdi_color_to_pixel(COLORREF color, int bitsPerPixel, const PALETTEENTRY* palette)
{
    if (bitsPerPixel == 8 && (color & 0xFF000000) == PaletteIndexTag)
        return color & 0xFF;
    if (bitsPerPixel == 8 && (color & 0xFFFF0000) == DibIndexTag)
        return color & 0xFF;
    const uint32_t r = GetRValue(color);
    const uint32_t g = GetGValue(color);
    const uint32_t b = GetBValue(color);
    switch (bitsPerPixel) {
    case 32:
        return (r << 16) | (g << 8) | b;
    case 16:
        return ((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3);  // truncated, not rounded
    case 8: {
        if (!palette)
            return 0;
        // The nearest entry by squared distance; an exact match ends the search, ties go to
        // the lowest index.
        uint32_t best = 0;
        uint32_t bestDistance = UINT32_MAX;
        for (uint32_t i = 0; i < 256; ++i) {
            const int dr = int(palette[i].peRed) - int(r);
            const int dg = int(palette[i].peGreen) - int(g);
            const int db = int(palette[i].peBlue) - int(b);
            const uint32_t distance = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
            if (distance < bestDistance) {
                best = i;
                bestDistance = distance;
                if (distance == 0)
                    break;
            }
        }
        return best;
    }
    default:
        return 0;
    }
}

HDC gdi_create_surface_dc(const SurfacePixels& pixels)
{
    DeviceContext context;
    context.target = pixels;
    context.font = stock_handle(SYSTEM_FONT);
    context.brush = stock_handle(WHITE_BRUSH);
    return reinterpret_cast<HDC>(contexts().add(context));
}

void gdi_delete_surface_dc(HDC dc)
{
    DeviceContext* context = context_from_handle(dc);
    if (!context)
        return;
    // The DC's selection goes with it, so its font may be deleted afterwards.
    if (FontObject* font = fonts().find(context->font))
        --font->selections;
    contexts().remove(reinterpret_cast<uintptr_t>(dc));
}

const SurfacePixels* gdi_dc_target(HDC dc)
{
    DeviceContext* context = context_from_handle(dc);
    return context ? &context->target : nullptr;
}

bool gdi_dc_text(HDC dc, DcText* text)
{
    DeviceContext* context = context_from_handle(dc);
    if (!context)
        return false;
    FontObject* font = font_object(context->font);
    if (!font)
        font = &system_font();
    const SurfacePixels& target = context->target;
    text->target = &target;
    text->font = realised_font(*font);
    text->paint.opaque = context->backgroundMode == OPAQUE;
    text->paint.textPixel = gdi_color_to_pixel(context->textColor, target.bitsPerPixel, target.palette);
    text->paint.backPixel = text->paint.opaque
                                ? gdi_color_to_pixel(context->background, target.bitsPerPixel, target.palette)
                                : 0;
    return true;
}

HGDIOBJ WINAPI GetStockObject(int object)
{
    return reinterpret_cast<HGDIOBJ>(stock_handle(object));
}

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                         DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                         DWORD pitchAndFamily, LPCSTR faceName)
{
    if (layer_fault_sets_last_error(CreateFontAFault))
        return nullptr;
    if (weight < 0 || weight > 1000) {
        layer_failed(CreateFontAFault, ERROR_INVALID_PARAMETER, "\"%s\"", "weight %ld", faceName ? faceName : "", weight);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const char* refused = nullptr;
    if (width != 0 || escapement != 0 || orientation != 0)
        refused = "a width, escapement or orientation";
    else if (italic || underline || strikeOut)
        refused = "an italic, underlined or struck-out font";
    else if (charSet != ANSI_CHARSET && charSet != DEFAULT_CHARSET && charSet != RUSSIAN_CHARSET)
        refused = "a character set other than ANSI, default and Russian";
    else if (outPrecision != OUT_DEFAULT_PRECIS || clipPrecision != CLIP_DEFAULT_PRECIS)
        refused = "an output or clipping precision other than the default";
    else if (quality > NONANTIALIASED_QUALITY)
        refused = "antialiased or ClearType quality";
    else if (pitchAndFamily > 0xFF)
        refused = "a pitch-and-family value above one byte";
    if (refused) {
        note_unsupported("CreateFontA", refused);
        layer_failed(CreateFontAFault, ErrorNotSupported, "\"%s\"", "%s", faceName ? faceName : "", refused);
        SetLastError(ErrorNotSupported);
        return nullptr;
    }
    FontObject font;
    if (faceName)
        strncpy(font.request.face, faceName, LF_FACESIZE - 1);  // longer names are cut, as the record holds 32
    font.request.height = height;
    font.request.weight = weight;
    font.request.charSet = static_cast<uint8_t>(charSet);
    font.request.pitchAndFamily = static_cast<uint8_t>(pitchAndFamily);
    const uintptr_t handle = fonts().add(font);
    if (!handle)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return reinterpret_cast<HFONT>(handle);
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object)
{
    if (layer_fault_sets_last_error(SelectObjectFault))
        return nullptr;
    DeviceContext* context = context_from_handle(dc);
    const uintptr_t handle = reinterpret_cast<uintptr_t>(object);
    if (!context) {
        layer_failed(SelectObjectFault, ERROR_INVALID_HANDLE, "%p, %p", "not a DC", static_cast<void*>(dc), object);
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (FontObject* font = font_object(handle)) {
        const uintptr_t previous = context->font;
        if (previous == handle)
            return object;
        if (FontObject* old = fonts().find(previous))
            --old->selections;
        if (handle_kind(handle) == Kind::Font)
            ++font->selections;
        context->font = handle;
        return reinterpret_cast<HGDIOBJ>(previous);
    }
    if (handle_kind(handle) == Kind::StockBrush && is_stock(handle)) {
        const uintptr_t previous = context->brush;
        context->brush = handle;
        return reinterpret_cast<HGDIOBJ>(previous);
    }
    layer_failed(SelectObjectFault, ERROR_INVALID_HANDLE, "%p, %p", "not a font or stock brush", static_cast<void*>(dc), object);
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

BOOL WINAPI DeleteObject(HGDIOBJ object)
{
    if (layer_fault_sets_last_error(DeleteObjectFault))
        return FALSE;
    const uintptr_t handle = reinterpret_cast<uintptr_t>(object);
    if (is_stock(handle))
        return TRUE;  // stock objects are never deleted; asking is harmless
    FontObject* font = fonts().find(handle);
    if (!font) {
        layer_failed(DeleteObjectFault, ERROR_INVALID_HANDLE, "%p", nullptr, object);
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A font still selected into a DC stays alive and the call fails.
    if (font->selections > 0)
        return layer_failed(DeleteObjectFault, 0, "%p", "the font is still selected into a DC", object), FALSE;
    fonts().remove(handle);
    return TRUE;
}

namespace {

// A DC setter's common steps: the fault hook, then the handle and the value (an invalid one
// answers failed, with ERROR_INVALID_HANDLE or ERROR_INVALID_PARAMETER), then the field is
// replaced and its previous value returned.
template <typename Value>
Value set_context_field(const FaultHook& fault, HDC dc, Value DeviceContext::*field, Value value,
                        Value failed, bool valid = true)
{
    if (layer_fault_sets_last_error(fault))
        return failed;
    DeviceContext* context = context_from_handle(dc);
    if (!context || !valid) {
        layer_failed(fault, context ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE, "%p", context ? "bad value" : "not a DC", static_cast<void*>(dc));
        SetLastError(context ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return failed;
    }
    const Value previous = context->*field;
    context->*field = value;
    return previous;
}

}  // namespace

COLORREF WINAPI SetBkColor(HDC dc, COLORREF color)
{
    return set_context_field(SetBkColorFault, dc, &DeviceContext::background, color, CLR_INVALID);
}

COLORREF WINAPI SetTextColor(HDC dc, COLORREF color)
{
    return set_context_field(SetTextColorFault, dc, &DeviceContext::textColor, color, CLR_INVALID);
}

int WINAPI SetBkMode(HDC dc, int mode)
{
    return set_context_field(SetBkModeFault, dc, &DeviceContext::backgroundMode, mode, 0,
                             mode == OPAQUE || mode == TRANSPARENT);
}

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int count)
{
    if (layer_fault_sets_last_error(TextOutAFault))
        return FALSE;
    DcText state;
    if (!gdi_dc_text(dc, &state) || count < 0 || (count > 0 && !text))
        return layer_failed(TextOutAFault, 0, "%p, %ld, %ld, text, %ld", "not a DC of a surface, or a bad count", static_cast<void*>(dc), x, y, count), FALSE;
    if (count == 0)
        return TRUE;
    // Control characters are not interpreted: CR, LF and TAB are drawn as the font's glyphs.
    const SurfacePixels& target = *state.target;
    const ClipBox surface{0, 0, target.width, target.height};
    font_draw_text(target, state.font, x, y, reinterpret_cast<const uint8_t*>(text),
                   static_cast<size_t>(count), surface, state.paint, false);
    return TRUE;
}

// The extent is the sum of the characters' advances and the cell height; no character is
// interpreted, so a tab or a line end is measured as the font's glyph for it, as TextOutA draws it.
BOOL WINAPI GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size)
{
    if (layer_fault_sets_last_error(GetTextExtentPoint32AFault))
        return FALSE;
    DcText state;
    if (!gdi_dc_text(dc, &state)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (count < 0 || !size || (count > 0 && !text)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const int64_t width = font_text_advance(state.font, reinterpret_cast<const uint8_t*>(text),
                                            static_cast<size_t>(count));
    size->cx = static_cast<LONG>(std::min<int64_t>(width, INT32_MAX));
    size->cy = font_metrics(state.font).height;
    return TRUE;
}

// The realised font's cell as GDI reports a TrueType font's: no overhang, 96 dpi, characters
// 0x20 to 0xFF with '?' standing in for missing ones.
BOOL WINAPI GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics)
{
    if (layer_fault_sets_last_error(GetTextMetricsAFault))
        return FALSE;
    DcText state;
    if (!gdi_dc_text(dc, &state)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!metrics) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const FontMetrics& font = font_metrics(state.font);
    FontFile file;
    const bool known = font_face_file(state.font, &file);
    const bool mono = known && file.family.find("Mono") != std::string::npos;
    const bool serif = known && !mono && file.family.find("Serif") != std::string::npos;
    *metrics = TEXTMETRICA{};
    metrics->tmHeight = font.height;
    metrics->tmAscent = font.ascent;
    metrics->tmDescent = font.descent;
    metrics->tmInternalLeading = font.internalLeading;
    metrics->tmExternalLeading = font.externalLeading;
    metrics->tmAveCharWidth = font.averageWidth;
    metrics->tmMaxCharWidth = font.maxWidth;
    metrics->tmWeight = font.weight;
    metrics->tmDigitizedAspectX = 96;
    metrics->tmDigitizedAspectY = 96;
    metrics->tmFirstChar = 0x20;
    metrics->tmLastChar = 0xFF;
    metrics->tmDefaultChar = '?';
    metrics->tmBreakChar = ' ';
    metrics->tmPitchAndFamily = static_cast<BYTE>((mono ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE |
                                                  (mono ? FF_MODERN : serif ? FF_ROMAN : FF_SWISS));
    metrics->tmCharSet = static_cast<BYTE>(font.charSet);
    return TRUE;
}

bool layer_font_face(HDC dc, std::string* family, std::string* style)
{
    DcText state;
    FontFile file;
    if (!gdi_dc_text(dc, &state) || !font_face_file(state.font, &file))
        return false;
    if (family)
        *family = file.family;
    if (style)
        *style = file.style;
    return true;
}
