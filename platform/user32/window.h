// window.h -- what user32's windows offer the layer's other libraries (window.cpp)
#pragma once

#include "windows.h"

struct SDL_Window;

bool window_is_valid(HWND window);
SDL_Window* window_sdl(HWND window);
// The window is visible, active and not minimized.
bool window_is_foreground(HWND window);

// What the window module tells the libraries that draw and read input on a window.
// The window left the foreground (deactivated, minimized, hidden or destroyed): devices held in
// the foreground for it lose their input (dinput.cpp).
void dinput_window_deactivated(HWND window);
// The window is going: the display object lets go of it (ddraw.cpp).
void ddraw_window_destroyed(HWND window);
// The window's contents were lost (uncovered, restored): show the primary again (ddraw.cpp).
void ddraw_window_exposed(HWND window);
