// sdl_window.cpp -- the SDL side of windows: video start-up, SDL windows, cursor, key state and
// the translation of SDL's window events into the platform's messages
//
// Minimizing, restoring and focus changes become WM_ACTIVATE, sent inside PeekMessageA; the
// window manager's close button becomes WM_CLOSE. Keys are read from SDL's keyboard state.
// Works under SDL's dummy video driver, where no event ever arrives on its own.

#include <SDL.h>

#include <cstdio>

#include "internal.h"

namespace {

bool videoTried = false;
bool videoUp = false;

struct KeyName {
    int virtualKey;
    SDL_Scancode scancode;
};

// Virtual keys that have one SDL scancode; letters, digits and function keys are ranges below.
const KeyName NamedKeys[] = {
    {VK_BACK, SDL_SCANCODE_BACKSPACE}, {VK_TAB, SDL_SCANCODE_TAB},
    {VK_RETURN, SDL_SCANCODE_RETURN},  {VK_PAUSE, SDL_SCANCODE_PAUSE},
    {VK_ESCAPE, SDL_SCANCODE_ESCAPE},  {VK_SPACE, SDL_SCANCODE_SPACE},
    {VK_PRIOR, SDL_SCANCODE_PAGEUP},   {VK_NEXT, SDL_SCANCODE_PAGEDOWN},
    {VK_END, SDL_SCANCODE_END},        {VK_HOME, SDL_SCANCODE_HOME},
    {VK_LEFT, SDL_SCANCODE_LEFT},      {VK_UP, SDL_SCANCODE_UP},
    {VK_RIGHT, SDL_SCANCODE_RIGHT},    {VK_DOWN, SDL_SCANCODE_DOWN},
    {VK_INSERT, SDL_SCANCODE_INSERT},  {VK_DELETE, SDL_SCANCODE_DELETE},
    {VK_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY}, {VK_ADD, SDL_SCANCODE_KP_PLUS},
    {VK_SUBTRACT, SDL_SCANCODE_KP_MINUS},    {VK_DECIMAL, SDL_SCANCODE_KP_PERIOD},
    {VK_DIVIDE, SDL_SCANCODE_KP_DIVIDE},
};

SDL_Scancode scancode_of(int virtualKey)
{
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return static_cast<SDL_Scancode>(SDL_SCANCODE_A + (virtualKey - 'A'));
    if (virtualKey >= '1' && virtualKey <= '9')
        return static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (virtualKey - '1'));
    if (virtualKey == '0')
        return SDL_SCANCODE_0;
    if (virtualKey >= VK_F1 && virtualKey <= VK_F12)
        return static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + (virtualKey - VK_F1));
    if (virtualKey >= VK_NUMPAD0 + 1 && virtualKey <= VK_NUMPAD0 + 9)
        return static_cast<SDL_Scancode>(SDL_SCANCODE_KP_1 + (virtualKey - VK_NUMPAD0 - 1));
    if (virtualKey == VK_NUMPAD0)
        return SDL_SCANCODE_KP_0;
    for (const KeyName& key : NamedKeys)
        if (key.virtualKey == virtualKey)
            return key.scancode;
    return SDL_SCANCODE_UNKNOWN;
}

void window_event(const SDL_WindowEvent& event)
{
    const HWND window = window_from_sdl(SDL_GetWindowFromID(event.windowID));
    if (!window)
        return;
    switch (event.event) {
    case SDL_WINDOWEVENT_MINIMIZED:
        window_on_minimized(window, true);
        break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        window_on_minimized(window, false);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        window_on_focus(window, true);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        window_on_focus(window, false);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        window_on_exposed(window);
        ddraw_window_exposed(window);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        window_send(window, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

}  // namespace

bool sdl_video_ready()
{
    if (videoTried)
        return videoUp;
    videoTried = true;
    // Ctrl+C in a terminal should end the program as it would any other, not become an event.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    videoUp = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!videoUp)
        fprintf(stderr, "layer: no display could be opened (SDL: %s)\n", SDL_GetError());
    return videoUp;
}

SDL_Window* sdl_create_window(const char* titleUtf8, int x, int y, int width, int height,
                              bool borderless)
{
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (borderless)
        flags |= SDL_WINDOW_BORDERLESS;
    SDL_Window* sdl = SDL_CreateWindow(titleUtf8, x, y, width, height, flags);
    if (!sdl)
        fprintf(stderr, "layer: SDL_CreateWindow failed: %s\n", SDL_GetError());
    return sdl;
}

void sdl_destroy_window(SDL_Window* sdl)
{
    if (sdl)
        SDL_DestroyWindow(sdl);
}

void sdl_show_window(SDL_Window* sdl, bool show)
{
    if (!sdl)
        return;
    if (show) {
        SDL_ShowWindow(sdl);
        SDL_RaiseWindow(sdl);
    } else {
        SDL_HideWindow(sdl);
    }
}

void sdl_minimize_window(SDL_Window* sdl, bool minimize)
{
    if (!sdl)
        return;
    if (minimize)
        SDL_MinimizeWindow(sdl);
    else
        SDL_RestoreWindow(sdl);
}

void sdl_window_size(SDL_Window* sdl, int* width, int* height)
{
    *width = 0;
    *height = 0;
    if (sdl)
        SDL_GetWindowSize(sdl, width, height);
}

void sdl_show_cursor(bool show)
{
    if (videoUp)
        SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool sdl_key_down(int virtualKey)
{
    if (!videoUp)
        return false;
    if (virtualKey == VK_LBUTTON || virtualKey == VK_RBUTTON || virtualKey == VK_MBUTTON) {
        const Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
        const Uint32 mask = virtualKey == VK_LBUTTON   ? SDL_BUTTON_LMASK
                            : virtualKey == VK_RBUTTON ? SDL_BUTTON_RMASK
                                                       : SDL_BUTTON_MMASK;
        return (buttons & mask) != 0;
    }
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    switch (virtualKey) {
    case VK_SHIFT:
        return keys[SDL_SCANCODE_LSHIFT] || keys[SDL_SCANCODE_RSHIFT];
    case VK_CONTROL:
        return keys[SDL_SCANCODE_LCTRL] || keys[SDL_SCANCODE_RCTRL];
    case VK_MENU:
        return keys[SDL_SCANCODE_LALT] || keys[SDL_SCANCODE_RALT];
    default: {
        const SDL_Scancode scancode = scancode_of(virtualKey);
        return scancode != SDL_SCANCODE_UNKNOWN && keys[scancode];
    }
    }
}

void sdl_pump_events()
{
    if (!videoUp)
        return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_WINDOWEVENT)
            window_event(event.window);
    }
    present_pump();
}
