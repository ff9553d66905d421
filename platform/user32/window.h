// window.h -- what user32's windows offer the layer's other libraries (window.cpp)
#pragma once

#include "windows.h"

struct SDL_Window;

bool window_is_valid(HWND window);
SDL_Window* window_sdl(HWND window);
// The window is visible, active and not minimized.
bool window_is_foreground(HWND window);

// What the libraries that draw and read input on a window hear of it. user32 knows nothing of
// them: each listens from its first object on.
enum class WindowEvent {
    Deactivated,  // left the foreground: deactivated, minimized, hidden or destroyed
    Destroyed,    // going: nothing may hold it from now on
    Exposed,      // its contents were lost (uncovered, restored) and are to be shown again
    Polled,       // the application polled its messages (window null): time for late work
    SwitchScreen, // Alt+Enter in a development window: the display goes full screen or back
};
using WindowListener = void (*)(HWND window, WindowEvent event);
// Adds a listener; adding one already there changes nothing. Listeners are heard in the order
// they were added.
void window_listen(WindowListener listener);

// The picture a display shows on the window: its size, to which the pointer is held, and whether
// it fills the screen; 0 x 0 when none is shown.
void window_set_picture(HWND window, int width, int height, bool fullscreen);

// The development window asked for with ENGINE_WINDOW: how many times the picture's size the
// window shows it at (a number above 0, up to 16); 0 when unset, which leaves the display full
// screen. A value that is not such a number is named on stderr once and counts as unset.
double window_development_scale();
