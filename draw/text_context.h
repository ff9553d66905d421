// text_context.h -- what the text files share: the two faces, the box's format, and borrowing a
// surface's device context with a font for one call (text.cpp, text_layout.cpp); not API
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "../app/platform.h"

// The faces of DrawTextBox (serif, normal weight) and DrawTextLine (sans-serif, bold).
constexpr const char* BoxFace = "Times New Roman Cyr";
constexpr const char* LineFace = "Arial Cyr";
// DrawTextBox's format: line ends obeyed, tabs expanded, '&' drawn as itself.
constexpr UINT BoxFormat = DT_NOPREFIX | DT_EXPANDTABS;

// The length of a string as the int the text calls take.
inline int TextLength(const char* text)
{
    return static_cast<int>(std::min<size_t>(strlen(text), INT32_MAX));
}

// Borrows the surface's device context, selects a new font of the face, weight and height, sets
// the colour over a transparent background, runs work on the context and gives everything back.
// False, with nothing run, when there is no surface or it gives no context.
template <typename Work>
bool WithTextContext(IDirectDrawSurface7* surface, int32_t fontHeight, int weight,
                     const char* faceName, COLORREF color, Work work)
{
    HDC dc = nullptr;
    if (!surface || surface->GetDC(&dc) != DD_OK)
        return false;
    HFONT font = CreateFontA(fontHeight, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_DONTCARE,
                             faceName);
    SelectObject(dc, font);
    SetTextColor(dc, color);
    SetBkMode(dc, TRANSPARENT);
    work(dc);
    surface->ReleaseDC(dc);
    // Only now, with the context given back, is the font no longer selected anywhere.
    DeleteObject(font);
    return true;
}
