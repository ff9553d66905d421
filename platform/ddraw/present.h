// present.h -- the display behind DirectDraw's primary surface (present.cpp)
#pragma once

#include <cstdint>

#include "windows.h"

// Shows a width x height picture full screen on the window (scaled and letterboxed), or in a
// window of that size where no full screen can be had; in a resizable development window when
// ENGINE_WINDOW asks for one.
bool present_set_mode(HWND window, int width, int height, int bitsPerPixel);
// In a development window (ENGINE_WINDOW), goes from window to full screen or back; otherwise
// does nothing.
void present_switch_screen(HWND window);
// Sends a width x height picture to the window; palette (256 entries 0x00RRGGBB) only at 8 bits.
// A picture of another size or depth than the mode set is not shown.
void present_frame(const uint8_t* pixels, int width, int height, int pitch, int bitsPerPixel,
                   const uint32_t* palette);
// Scans a changed picture out if its refresh period has passed; called at every message poll.
void present_pump();
// The primary whose memory this is is going away: nothing is read from it again.
void present_forget(const uint8_t* pixels);
// Leaves full screen and drops the renderer; called when the display object goes or the window
// is destroyed.
void present_release(HWND window);
// The monitor's refresh rate in hertz while a display mode is set; 60 where it does not say.
int present_refresh_rate();
// The size of the desktop the window is on; false when it cannot be told.
bool present_desktop_size(int* width, int* height);
