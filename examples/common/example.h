// example.h -- the shell every example program shares: window, display, sound, joystick, the
// message loop, Esc to quit and F12 to save the screen (as screen.bmp and screen.png). An example
// defines the four names below and draws its frames; everything else is the engine's own
// routines, called as a game calls them.
#pragma once

#include <cstdint>

#include "app/app.h"
#include "display/display.h"
#include "draw/draw.h"
#include "input/input.h"
#include "sound/sound.h"

// Defined by each example.
extern const char ExampleName[];  // window title and class name
extern const int ExampleDepth;    // colour depth unless the command line names 8, 16 or 32
// Called once, after the display, the sounds and the controller are set up; false ends the
// program with status 1.
bool ExampleStart();
// Called every active frame: draw into pScreenSurface. The shell presents it afterwards.
void ExampleFrame();

// Milliseconds since ExampleStart was called, from timeGetTime: motion that follows the clock
// plays at the same pace at any frame rate.
uint32_t ExampleTime();
// True once per press of a key held down now (read with GetAsyncKeyState).
bool ExampleKeyPressed(int virtualKey);
