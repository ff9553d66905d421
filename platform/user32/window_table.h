// window_table.h -- the windows and classes user32's modules share: the window table lives in
// window.cpp, the message queue in messages.cpp
#pragma once

#include <set>
#include <string>

#include "user32/window.h"

// What the SDL backend (sdl_window.cpp) hands the window module and its queue.
HWND window_from_sdl(SDL_Window* sdl);
LRESULT window_send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL window_post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// A mouse message at (x, y) in window coordinates with the MK_ flags in keys. A press becomes a
// double click where the window's class asks for them; a move replaces a move still queued.
void window_post_mouse(HWND window, UINT message, int x, int y, WPARAM keys);
// A key message; chars are the Windows-1251 characters TranslateMessage makes of a key-down
// (the control characters of Backspace, Tab, Enter, Esc and Ctrl with a letter).
void window_post_key(HWND window, UINT message, WPARAM virtualKey, LPARAM lParam,
                     const std::string& chars);
// Typed text in Windows-1251: the characters of the key-down queued just before it, or, without
// one, characters of their own.
void window_post_text(HWND window, const std::string& chars);
// A key or mouse button went down (not an auto-repeat): GetAsyncKeyState's bit 0 is set for it.
void key_note_press(int virtualKey);
// A wheel message for the turn (WHEEL_DELTA per notch) with the MK_ flags in keys, at the
// pointer's last position.
void window_post_wheel(HWND window, int delta, WPARAM keys);
// What the SDL backend reports about a window; each sends the platform's messages.
void window_on_minimized(HWND window, bool minimized);
void window_on_focus(HWND window, bool focused);
void window_on_exposed(HWND window);
// The size of the picture shown on the window (window_set_picture); 0 x 0 when none.
void window_picture_size(HWND window, int* width, int* height);
// Alt+Enter belongs to the layer, not the game: a display shows a picture on the window and a
// development window was asked for, so the key switches between window and full screen.
bool window_keeps_alt_enter(HWND window);
// Tells every listener of the window event.
void window_notify(HWND window, WindowEvent event);

namespace user32 {

// The context bit of a key message's lParam: Alt was held.
constexpr LPARAM KeyAltDown = LPARAM(1) << 29;

struct WindowClass {
    WNDCLASSA info;
    std::string name;
};

struct Window {
    WindowClass* windowClass = nullptr;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    SDL_Window* sdl = nullptr;
    bool visible = false;
    bool minimized = false;
    bool active = false;
    bool needsPaint = false;
    bool destroying = false;
    int pictureWidth = 0;   // the picture a display shows on the window, 0 x 0 when none
    int pictureHeight = 0;
    bool fullscreen = false;
};

// Every window alive; a handle is the address of its Window.
std::set<Window*>& windows();
// The window behind a handle; null for a handle that is not a live window.
Window* window_from_handle(HWND handle);
inline HWND handle_of(Window* window) { return reinterpret_cast<HWND>(window); }

// The window is going: its timers, queued messages and pending click and key-down go with it.
void messages_forget_window(HWND window);

}  // namespace user32
