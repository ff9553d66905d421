// text.h -- text on surfaces through GDI: a multi-line box and the bold status line
#pragma once

#include <cstdint>

#include "../app/platform.h"

// Lays 8-bit Windows-1251 text into the rectangle x, y, width, height of a surface in the
// normal-weight serif face at the font height: lines break only at the line ends in the text,
// tabs are expanded, '&' is drawn as itself, and everything is cut to the rectangle. The
// background between glyphs is left as it was. Draws nothing while the application is inactive
// or when the surface gives no device context.
void DrawTextBox(int32_t x, int32_t y, int32_t width, int32_t height, int32_t fontHeight,
                 COLORREF color, IDirectDrawSurface7* surface, const char* text);

// Writes one line of 8-bit Windows-1251 text on the screen surface in the bold sans-serif face,
// its top-left corner at (x, y); line-end characters are drawn as characters, not obeyed. The
// background is left as it was. Draws nothing while the application is inactive.
void DrawTextLine(int32_t x, int32_t y, int32_t fontHeight, COLORREF color, const char* text);
