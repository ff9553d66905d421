// scene.h -- the demonstration scene: a status line, a pulsing frame with the text in it, and the
// pre-rendered text scrolling across the screen
#pragma once

#include <cstdint>

#include "display/display.h"

// Scene colours in the display's format, computed once the display mode is set.
extern NativePixel ColorDark;
extern NativePixel ColorWhite;
extern NativePixel ColorBlue;
extern NativePixel ColorRed;
extern NativePixel ColorGreen;
extern NativePixel ColorOrange;
extern NativePixel ColorYellow;
extern NativePixel ColorPurple;
extern NativePixel ColorOlive;
extern NativePixel ColorGray;
extern NativePixel ColorSilver;
extern NativePixel ColorSlate;
extern NativePixel ColorMaroon;

extern IDirectDrawSurface7* pTextSurface;  // 450 x 800: the text on the transparent colour
extern char* TextBuffer;                   // text.txt and a terminating zero; null without a file
extern uint32_t TextLength;                // bytes of text.txt; 0 without a file
extern int32_t BoxSize;                    // the frame's pulse, -1 to 301
extern bool BoxGrowing;                    // the pulse grows by one per frame, else shrinks
extern int32_t ScrollY;                    // screen row of the text surface's top, -801 to 101
extern bool ScrollDown;                    // the text moves down by one row per frame, else up

void InitScene();
// Gives back the text surface and the text read from text.txt; safe to call again.
void ReleaseScene();
void LoadText();
void DrawScene();
