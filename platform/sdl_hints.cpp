// sdl_hints.cpp -- the SDL settings the layer relies on, made once before SDL starts anything

#include "sdl_hints.h"

#include <SDL.h>

void sdl_hints_once()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // Ctrl+C in a terminal should end the program as it would any other, not become an event.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A controller in exclusive foreground mode is given up by DirectInput, not by SDL.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // The picture is scaled to the monitor pixel by pixel, and presents never wait for the
    // monitor's refresh: the present paces itself.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    // Only drivers that show a picture are tried. With no display to reach, SDL would otherwise
    // fall back to one that shows nothing and the program would run unseen until killed.
    // SDL_VIDEODRIVER in the environment still names any driver (the tests' dummy display).
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland,KMSDRM");
}
