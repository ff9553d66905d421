// window.cpp -- user32 windows and classes: registration, creation, showing, activation,
// destruction and the default window procedure
//
// One thread, as the engine uses it. Messages the platform sends (activation, WM_PAINT from
// UpdateWindow, WM_DESTROY) call the window procedure at once; the queue is messages.cpp's.
// SDL is reached only through sdl_window.cpp. Left out on purpose: child windows.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "faults.h"
#include "kernel32/codepage.h"
#include "testing.h"
#include "unsupported.h"
#include "user32/sdl_window.h"
#include "user32/window_table.h"

namespace {

// The calls here that a test can make fail.
const FaultHook RegisterClassAFault("RegisterClassA");
const FaultHook CreateWindowExAFault("CreateWindowExA");

}  // namespace

using namespace user32;

namespace {

ATOM nextAtom = 0xC000;

std::vector<WindowListener>& listeners()
{
    static std::vector<WindowListener> table;
    return table;
}

// Registered classes by lower-case name; they last until the process ends, as an application's
// classes do, and windows point at their entries, which never move.
std::map<std::string, WindowClass>& classes()
{
    static std::map<std::string, WindowClass> table;
    return table;
}

void activate(Window* window, bool active, bool minimized)
{
    if (window->active == active && window->minimized == minimized)
        return;
    window->active = active;
    window->minimized = minimized;
    if (!active || minimized)
        window_notify(handle_of(window), WindowEvent::Deactivated);
    // The high word tells whether the window is minimized as it gains or loses activation.
    window_send(handle_of(window), WM_ACTIVATE,
                MAKEWPARAM(active ? WA_ACTIVE : WA_INACTIVE, minimized ? 1 : 0), 0);
}

}  // namespace

namespace user32 {

std::set<Window*>& windows()
{
    static std::set<Window*> table;
    return table;
}

Window* window_from_handle(HWND handle)
{
    auto* window = reinterpret_cast<Window*>(handle);
    return handle && windows().count(window) ? window : nullptr;
}

}  // namespace user32

// ---------------------------------------------------------------------------------------------
// Shared with the other modules

bool window_is_valid(HWND window) { return window_from_handle(window) != nullptr; }

SDL_Window* window_sdl(HWND handle)
{
    Window* window = window_from_handle(handle);
    return window ? window->sdl : nullptr;
}

HWND window_from_sdl(SDL_Window* sdl)
{
    for (Window* window : windows())
        if (window->sdl == sdl && !window->destroying)
            return handle_of(window);
    return nullptr;
}

LRESULT window_send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = window_from_handle(handle);
    if (!window || !window->proc)
        return 0;
    return window->proc(handle, message, wParam, lParam);
}

bool window_is_foreground(HWND handle)
{
    Window* window = window_from_handle(handle);
    return window && !window->destroying && window->visible && window->active && !window->minimized;
}

void window_on_minimized(HWND handle, bool minimized)
{
    Window* window = window_from_handle(handle);
    if (!window || window->destroying)
        return;
    // Minimizing takes the activation away; restoring gives it back.
    activate(window, !minimized, minimized);
}

void window_on_focus(HWND handle, bool focused)
{
    Window* window = window_from_handle(handle);
    if (!window || window->destroying || !window->visible)
        return;
    activate(window, focused, window->minimized);
}

void window_on_exposed(HWND handle)
{
    Window* window = window_from_handle(handle);
    if (window && window->visible)
        window->needsPaint = true;
    window_notify(handle, WindowEvent::Exposed);
}

void window_listen(WindowListener listener)
{
    if (std::find(listeners().begin(), listeners().end(), listener) == listeners().end())
        listeners().push_back(listener);
}

void window_notify(HWND window, WindowEvent event)
{
    for (WindowListener listener : listeners())
        listener(window, event);
}

void window_set_picture(HWND handle, int width, int height, bool fullscreen)
{
    if (Window* window = window_from_handle(handle)) {
        window->pictureWidth = width;
        window->pictureHeight = height;
        window->fullscreen = fullscreen;
    }
}

void window_picture_size(HWND handle, int* width, int* height)
{
    Window* window = window_from_handle(handle);
    *width = window ? window->pictureWidth : 0;
    *height = window ? window->pictureHeight : 0;
}

// ---------------------------------------------------------------------------------------------
// Classes and windows

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass)
{
    if (layer_fault_sets_last_error(RegisterClassAFault))
        return 0;
    if (!windowClass || !windowClass->lpfnWndProc || !windowClass->lpszClassName ||
        IS_INTRESOURCE(windowClass->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string name = ascii_lower(windowClass->lpszClassName);
    if (classes().count(name)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    WindowClass& entry = classes()[name];
    entry = WindowClass{*windowClass, windowClass->lpszClassName};
    entry.info.lpszClassName = entry.name.c_str();
    entry.info.lpszMenuName = nullptr;  // a menu name without a menu resource changes nothing
    return nextAtom++;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID)
{
    if (layer_fault_sets_last_error(CreateWindowExAFault))
        return nullptr;
    if (!className || IS_INTRESOURCE(className)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto found = classes().find(ascii_lower(className));
    if (found == classes().end()) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (parent || menu || (exStyle & ~static_cast<DWORD>(WS_EX_TOPMOST)) != 0) {
        note_unsupported("CreateWindowExA", "a child window, a menu or an extended style other than WS_EX_TOPMOST");
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!sdl_video_ready())
        return nullptr;

    auto* window = new Window;
    window->windowClass = &found->second;
    window->proc = found->second.info.lpfnWndProc;
    window->instance = instance;
    const std::string title = windowName ? cp1251_to_utf8(windowName, strlen(windowName)) : "";
    window->sdl = sdl_create_window(title.c_str(), x, y, std::max(width, 1), std::max(height, 1),
                                    (style & WS_POPUP) != 0);
    if (!window->sdl) {
        delete window;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    windows().insert(window);
    const HWND handle = handle_of(window);
    if (!window_send(handle, WM_NCCREATE, 0, 0) || window_send(handle, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (style & WS_VISIBLE)
        ShowWindow(handle, SW_SHOW);
    return handle;
}

BOOL WINAPI ShowWindow(HWND handle, int showCommand)
{
    Window* window = window_from_handle(handle);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const BOOL wasVisible = window->visible;
    switch (showCommand) {
    case SW_HIDE:
        if (!window->visible)
            break;
        window->visible = false;
        sdl_show_window(window->sdl, false);
        window_send(handle, WM_SHOWWINDOW, FALSE, 0);
        activate(window, false, window->minimized);
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        if (!window->visible) {
            window->visible = true;
            window_send(handle, WM_SHOWWINDOW, TRUE, 0);
        }
        sdl_minimize_window(window->sdl, true);
        activate(window, false, true);
        break;
    default:
        if (!window->visible) {
            window->visible = true;
            window->needsPaint = true;
            window_send(handle, WM_SHOWWINDOW, TRUE, 0);
        }
        sdl_show_window(window->sdl, true);
        if (window->minimized)
            sdl_minimize_window(window->sdl, false);
        if (showCommand != SW_SHOWNA && showCommand != SW_SHOWNOACTIVATE)
            activate(window, true, false);
        break;
    }
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND handle)
{
    Window* window = window_from_handle(handle);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (window->visible && window->needsPaint)
        window_send(handle, WM_PAINT, 0, 0);  // sent at once, not queued
    return TRUE;
}

BOOL WINAPI DestroyWindow(HWND handle)
{
    Window* window = window_from_handle(handle);
    if (!window || window->destroying) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    window->destroying = true;
    // The window is hidden and deactivated first, then told it is going, all synchronously.
    if (window->visible) {
        window->visible = false;
        sdl_show_window(window->sdl, false);
    }
    if (window->active) {
        window->active = false;
        window->proc(handle, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, window->minimized ? 1 : 0), 0);
    }
    window_notify(handle, WindowEvent::Deactivated);
    window->proc(handle, WM_DESTROY, 0, 0);
    window->proc(handle, WM_NCDESTROY, 0, 0);
    messages_forget_window(handle);
    window_notify(handle, WindowEvent::Destroyed);
    sdl_destroy_window(window->sdl);
    windows().erase(window);
    delete window;
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = window_from_handle(handle);
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_PAINT:
        if (window)
            window->needsPaint = false;  // validates the window, as BeginPaint/EndPaint do
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_CLOSE:
        DestroyWindow(handle);
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 asks the window to close.
        if (wParam == VK_F4 && (lParam & KeyAltDown))
            window_send(handle, WM_CLOSE, 0, 0);
        return 0;
    default:
        return 0;
    }
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND handle, int index)
{
    Window* window = window_from_handle(handle);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (index != GWLP_HINSTANCE) {
        note_unsupported("GetWindowLongPtrA", "an index other than GWLP_HINSTANCE");
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return reinterpret_cast<LONG_PTR>(window->instance);
}

// ---------------------------------------------------------------------------------------------
// Test hooks

LRESULT layer_send_message(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return window_send(window, message, wParam, lParam);
}

bool layer_window_info(HWND handle, LayerWindowInfo* info)
{
    Window* window = window_from_handle(handle);
    if (!window || !info)
        return false;
    info->visible = window->visible;
    info->minimized = window->minimized;
    info->fullscreen = window->fullscreen;
    sdl_window_size(window->sdl, &info->width, &info->height);
    return true;
}
