// window_table.h -- the windows and classes user32's modules share: the window table lives in
// window.cpp, the message queue in messages.cpp
#pragma once

#include <set>
#include <string>

#include "internal.h"

namespace user32 {

struct WindowClass {
    WNDCLASSA info;
    std::string name;
};

struct Window {
    WindowClass* windowClass = nullptr;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    HINSTANCE instance = nullptr;
    int width = 0;
    int height = 0;
    SDL_Window* sdl = nullptr;
    bool visible = false;
    bool minimized = false;
    bool active = false;
    bool needsPaint = false;
    bool destroying = false;
};

// Every window alive; a handle is the address of its Window.
std::set<Window*>& windows();
// The window behind a handle; null for a handle that is not a live window.
Window* window_from_handle(HWND handle);
inline HWND handle_of(Window* window) { return reinterpret_cast<HWND>(window); }

// The window is going: its timers, queued messages and pending click and key-down go with it.
void messages_forget_window(HWND window);

}  // namespace user32
