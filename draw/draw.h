// draw.h -- drawing on surfaces: filled rectangles, frames and bevels, lines, circles and
// ellipses made of colour fills or of stores into the screen surface's memory, blits, and text
#pragma once

#include <cstdint>

#include "../display/display.h"
#include "trace.h"

// --- Rectangles and figures made of colour fills -------------------------------------------------
// Rectangles are position and size: columns x to x + width - 1, rows y to y + height - 1. Every
// span or pixel is one colour-fill blit, passed to the surface unclipped; a rectangle that is
// empty, inverted or reaches past its surface draws nothing. The given-surface forms take the
// target last. Nothing is drawn while AppActive is false.

void FillScreenRect(int32_t x, int32_t y, int32_t width, int32_t height, NativePixel colour);
void FillSurfaceRect(int32_t x, int32_t y, int32_t width, int32_t height, NativePixel colour,
                     IDirectDrawSurface7* surface);
// Fills the intersection of the rectangle with the clip rectangle.
void FillScreenRectClipped(int32_t x, int32_t y, int32_t width, int32_t height, int32_t clipX,
                           int32_t clipY, int32_t clipWidth, int32_t clipHeight, NativePixel colour);
void FillSurfaceRectClipped(int32_t x, int32_t y, int32_t width, int32_t height, int32_t clipX,
                            int32_t clipY, int32_t clipWidth, int32_t clipHeight, NativePixel colour,
                            IDirectDrawSurface7* surface);
// A one-pixel outline: bottom, right, top and left edges, in that order.
void DrawScreenFrame(int32_t x, int32_t y, int32_t width, int32_t height, NativePixel colour);
void DrawSurfaceFrame(int32_t x, int32_t y, int32_t width, int32_t height, NativePixel colour,
                      IDirectDrawSurface7* surface);
// The outline with its bottom and right edges in one colour, then its top and left in the other:
// three corners end in topLeftColour, the bottom-right one in bottomRightColour.
void DrawScreenBevel(int32_t x, int32_t y, int32_t width, int32_t height, NativePixel topLeftColour,
                     NativePixel bottomRightColour);
void DrawSurfaceBevel(int32_t x, int32_t y, int32_t width, int32_t height,
                      NativePixel topLeftColour, NativePixel bottomRightColour,
                      IDirectDrawSurface7* surface);
// The outline cut to the clip rectangle (and to the surface's top-left corner). An edge on the
// clip rectangle's first row or column, or outside it, is left out; one on its last is drawn.
void DrawScreenFrameClipped(int32_t x, int32_t y, int32_t width, int32_t height, int32_t clipX,
                            int32_t clipY, int32_t clipWidth, int32_t clipHeight,
                            NativePixel colour);
void DrawSurfaceFrameClipped(int32_t x, int32_t y, int32_t width, int32_t height, int32_t clipX,
                             int32_t clipY, int32_t clipWidth, int32_t clipHeight,
                             NativePixel colour, IDirectDrawSurface7* surface);
// Lines, circles and ellipses on the screen surface, one 1 x 1 fill per point of TraceLine,
// TraceCircle and TraceEllipse. The ellipse takes its centre and its full width and height.
void DrawLineByFills(int32_t x1, int32_t y1, int32_t x2, int32_t y2, NativePixel colour);
void DrawCircleByFills(int32_t centreX, int32_t centreY, int32_t radius, NativePixel colour);
void DrawEllipseByFills(int32_t centreX, int32_t centreY, int32_t width, int32_t height,
                        NativePixel colour);

// --- Figures stored straight into the screen surface's memory -------------------------------------
// Each figure locks the screen surface once, stores its colour at every point of its tracer, in
// order and as often as the tracer visits it, and unlocks. Pixel (x, y) is element
// y * RasterStride + x from pRasterPixels, 2 bytes in the 16-bit family and 4 in the 32-bit one:
// the caller picks the family of the display's depth. Points off the screen are skipped, and so is
// any point whose element would lie beyond the surface's memory. A failed lock draws nothing.
// These routines draw whether or not AppActive is set.

extern void* pRasterPixels;   // pixel (0, 0) of the screen surface while a figure holds it locked
extern int32_t RasterStride;  // elements from one row to the next: ScreenWidth

void DrawLine16(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint16_t colour);
void DrawCircle16(int32_t centreX, int32_t centreY, int32_t radius, uint16_t colour);
void DrawEllipse16(int32_t centreX, int32_t centreY, int32_t width, int32_t height, uint16_t colour);
// Stores one element through pRasterPixels and RasterStride; does something only while a figure
// of its own family holds the screen surface locked, and only inside it.
void PutPixel16(int32_t x, int32_t y, uint16_t colour);

void DrawLine32(int32_t x1, int32_t y1, int32_t x2, int32_t y2, NativePixel colour);
void DrawCircle32(int32_t centreX, int32_t centreY, int32_t radius, NativePixel colour);
void DrawEllipse32(int32_t centreX, int32_t centreY, int32_t width, int32_t height,
                   NativePixel colour);
void PutPixel32(int32_t x, int32_t y, NativePixel colour);

// --- Blits -------------------------------------------------------------------------------------
// A rectangle of source (top-left srcX, srcY) copied to the screen or to a given surface. Nothing
// is drawn while AppActive is false; a copy the surfaces refuse draws nothing.

// Copies every pixel to (destX, destY) of the screen, uncut.
void BlitToScreen(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY, int32_t width,
                  int32_t height, IDirectDrawSurface7* source);
// Scales the source rectangle into the destination rectangle. A destination that reaches off the
// screen is cut to it, and the source rectangle is cut back in proportion: each cut source edge
// lands on the source pixel boundary nearest to where the whole copy would have put it.
void StretchBlitToScreen(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY,
                         int32_t srcWidth, int32_t srcHeight, int32_t destWidth,
                         int32_t destHeight, IDirectDrawSurface7* source);
// Copies the pixels that differ from the source's colour key, cut to the screen.
void BlitKeyedToScreen(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY, int32_t width,
                       int32_t height, IDirectDrawSurface7* source);
// The same onto destination, still cut to the screen's size whatever the destination's own.
void BlitKeyedToSurface(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY, int32_t width,
                        int32_t height, IDirectDrawSurface7* source,
                        IDirectDrawSurface7* destination);

// --- Turned, scaled and flipped blits --------------------------------------------------------------
// The source rectangle turned by angle degrees (positive turns clockwise on the screen), scaled by
// scale (1/256 to 256) and mirrored as flags ask, placed so that its pivot lands on point (destX,
// destY) of the target, where point (x, y) is the top-left corner of pixel (x, y). The source's
// colour key is left out (every pixel is drawn when it has none), everything is cut to the screen
// (and to the target's own size), and pixels are written straight into the locked surfaces, at
// the display's depth. Nothing is drawn while AppActive is false, for a source rectangle that
// reaches past its surface, for a scale out of range, or when source and target are one surface.
//
// Each target pixel whose centre maps back inside the source rectangle shows the source pixel that
// the centre falls in: positions are kept in units of 2^-32 of a source pixel, the steps
// cos(angle) / scale and sin(angle) / scale are rounded to the nearest multiple of 2^-31 (exact at
// multiples of 90 degrees), and a centre that falls exactly on a source pixel's edge takes the
// pixel to its right or below. So at 0 degrees and scale 1 the result is BlitKeyedToScreen's;
// at 90, 180 and 270 degrees it is the turned pixels, exactly, whenever the pivot lies on a pixel
// corner of the source (a pivot on a pixel centre, as the centre of an odd-sized rectangle is,
// puts mapped centres on pixel edges, and the picture lands one pixel right or down of the
// mirror image). The flips mirror the rectangle in place before it is turned, exactly at any
// angle: column k shows column width - 1 - k.

constexpr uint32_t BlitFlipHorizontal = 1;  // mirror left to right
constexpr uint32_t BlitFlipVertical = 2;    // mirror top to bottom

// Turns the source rectangle about its centre, which lands on (destX, destY) of the screen.
void BlitRotatedToScreen(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY, int32_t width,
                         int32_t height, double angle, double scale, uint32_t flags,
                         IDirectDrawSurface7* source);
// Turns it about the pivot (pivotX, pivotY), in source pixels from the rectangle's top-left corner
// (width / 2, height / 2 is the centre), which lands on (destX, destY) of the screen.
void BlitRotatedPivotToScreen(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY,
                              int32_t width, int32_t height, double pivotX, double pivotY,
                              double angle, double scale, uint32_t flags,
                              IDirectDrawSurface7* source);
// The same onto destination, cut to the screen's size and to destination's.
void BlitRotatedToSurface(int32_t destX, int32_t destY, int32_t srcX, int32_t srcY, int32_t width,
                          int32_t height, double pivotX, double pivotY, double angle, double scale,
                          uint32_t flags, IDirectDrawSurface7* source,
                          IDirectDrawSurface7* destination);

// --- Text ----------------------------------------------------------------------------------------

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
