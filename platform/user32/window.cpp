// window.cpp -- user32 windows and messages: classes, windows, the message queue, timers, keys
//
// One thread, one queue, as the engine uses it. Messages the platform sends (activation,
// WM_PAINT from UpdateWindow, WM_DESTROY) call the window procedure at once; posted messages and
// input wait in the queue for PeekMessageA, which also synthesises WM_PAINT and WM_TIMER when
// nothing else is pending. SDL is reached only through sdl_window.cpp. Left out on purpose:
// child windows, GetMessage (the engine never waits), message filters by window hierarchy.
//
// Input arrives from the SDL backend as finished messages. Here a mouse press becomes a double
// click where the class has CS_DBLCLKS, a mouse move replaces one still queued (as the platform
// keeps only the latest), and each key-down carries the characters that TranslateMessage posts
// for it as WM_CHAR: the typed text in Windows-1251, or the control character of the key.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "internal.h"
#include "testing.h"

namespace {

constexpr DWORD ErrorInvalidTimer = 1402;
constexpr DWORD ErrorResourceNotFound = 1814;
constexpr UINT MinimumTimerPeriod = 10;  // USER_TIMER_MINIMUM
constexpr LPARAM KeyAltDown = LPARAM(1) << 29;  // context bit of a key message's lParam
constexpr DWORD DoubleClickTime = 500;   // milliseconds, the platform's default
constexpr int DoubleClickSlack = 1;      // pixels either way: half the default 4 x 4 rectangle

struct WindowClass {
    WNDCLASSA info;
    std::string name;
};

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT period;
    DWORD lastFired;
    TIMERPROC proc;
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

// Registered classes by lower-case name; they last until the process ends, as an application's
// classes do, and windows point at their entries, which never move.
std::map<std::string, WindowClass>& classes()
{
    static std::map<std::string, WindowClass> table;
    return table;
}

std::set<Window*>& windows()
{
    static std::set<Window*> table;
    return table;
}

// A mouse or keyboard message, with the characters a key-down translates to.
struct QueuedInput {
    MSG msg;
    std::string chars;
};

// The last press that may become the first half of a double click.
struct Click {
    HWND window = nullptr;
    UINT message = 0;
    DWORD time = 0;
    int x = 0;
    int y = 0;
};

std::deque<MSG> postedMessages;
std::deque<QueuedInput> inputMessages;
QueuedInput lastKeyDown;  // the key-down last taken from the queue, for TranslateMessage
Click lastClick;
std::vector<Timer> timers;
bool quitPosted = false;
int quitCode = 0;
ATOM nextAtom = 0xC000;
int cursorCount = 0;
POINT lastPointer{0, 0};
std::map<int, bool> injectedKeys;
std::function<void(const MSG&)> dispatchHook;

// Stock objects handed out by LoadIconA and LoadCursorA; their addresses are the handles.
HICON__ stockIcon{};
HICON__ stockCursor{};

std::string lower(const char* text)
{
    std::string out = text ? text : "";
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

Window* window_from_handle(HWND handle)
{
    auto* window = reinterpret_cast<Window*>(handle);
    return handle && windows().count(window) ? window : nullptr;
}

HWND handle_of(Window* window) { return reinterpret_cast<HWND>(window); }

MSG make_message(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    msg.pt = lastPointer;
    return msg;
}

bool in_filter(const MSG& msg, HWND window, UINT filterMin, UINT filterMax)
{
    if (window && msg.hwnd != window)
        return false;
    if (filterMin == 0 && filterMax == 0)
        return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

bool take_from(std::deque<MSG>& queue, LPMSG out, HWND window, UINT filterMin, UINT filterMax,
               bool remove)
{
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (!in_filter(*it, window, filterMin, filterMax))
            continue;
        *out = *it;
        if (remove)
            queue.erase(it);
        return true;
    }
    return false;
}

bool is_key_down(UINT message) { return message == WM_KEYDOWN || message == WM_SYSKEYDOWN; }

bool take_input(LPMSG out, HWND window, UINT filterMin, UINT filterMax, bool remove)
{
    for (auto it = inputMessages.begin(); it != inputMessages.end(); ++it) {
        if (!in_filter(it->msg, window, filterMin, filterMax))
            continue;
        *out = it->msg;
        if (remove) {
            if (is_key_down(it->msg.message))
                lastKeyDown = *it;
            inputMessages.erase(it);
        }
        return true;
    }
    return false;
}

bool same_message(const MSG& a, const MSG& b)
{
    return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam &&
           a.lParam == b.lParam && a.time == b.time;
}

bool is_button_down(UINT message)
{
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

// A press of the same button on the same window, soon enough and close enough to the one before,
// is a double click; it also ends the pair, so a third quick press is a plain press again.
UINT click_message(Window* window, const MSG& press, int x, int y)
{
    if (!(window->windowClass->info.style & CS_DBLCLKS)) {
        lastClick = Click{};
        return press.message;
    }
    const bool pair = lastClick.window == press.hwnd && lastClick.message == press.message &&
                      press.time - lastClick.time < DoubleClickTime &&  // unsigned: wrap-safe
                      std::abs(x - lastClick.x) <= DoubleClickSlack &&
                      std::abs(y - lastClick.y) <= DoubleClickSlack;
    if (pair) {
        lastClick = Click{};
        return press.message + (WM_LBUTTONDBLCLK - WM_LBUTTONDOWN);
    }
    lastClick = Click{press.hwnd, press.message, press.time, x, y};
    return press.message;
}

void activate(Window* window, bool active, bool minimized)
{
    if (window->active == active && window->minimized == minimized)
        return;
    window->active = active;
    window->minimized = minimized;
    if (!active || minimized)
        dinput_window_deactivated(handle_of(window));
    // The high word tells whether the window is minimized as it gains or loses activation.
    window_send(handle_of(window), WM_ACTIVATE,
                MAKEWPARAM(active ? WA_ACTIVE : WA_INACTIVE, minimized ? 1 : 0), 0);
}

}  // namespace

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

BOOL window_post(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window && !window_is_valid(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    postedMessages.push_back(make_message(window, message, wParam, lParam));
    return TRUE;
}

void window_post_mouse(HWND handle, UINT message, int x, int y, WPARAM keys)
{
    Window* window = window_from_handle(handle);
    if (!window || window->destroying)
        return;
    lastPointer = POINT{x, y};  // a full-screen popup at the origin: window = screen coordinates
    // Each coordinate travels as a signed 16-bit value.
    MSG msg = make_message(handle, message, keys, MAKELPARAM(x, y));
    if (is_button_down(message))
        msg.message = click_message(window, msg, x, y);
    if (message == WM_MOUSEMOVE && !inputMessages.empty() &&
        inputMessages.back().msg.message == WM_MOUSEMOVE && inputMessages.back().msg.hwnd == handle) {
        inputMessages.back().msg = msg;
        return;
    }
    inputMessages.push_back(QueuedInput{msg, {}});
}

void window_post_key(HWND window, UINT message, WPARAM virtualKey, LPARAM lParam,
                     const std::string& chars)
{
    if (window_is_valid(window))
        inputMessages.push_back(QueuedInput{make_message(window, message, virtualKey, lParam), chars});
}

void window_post_text(HWND window, const std::string& chars)
{
    if (!window_is_valid(window) || chars.empty())
        return;
    // SDL reports the text of a key right after the key itself.
    if (!inputMessages.empty()) {
        QueuedInput& last = inputMessages.back();
        if (last.msg.hwnd == window && is_key_down(last.msg.message) && last.chars.empty()) {
            last.chars = chars;
            return;
        }
    }
    // Text with no key of its own (an input method's result) arrives as characters alone.
    for (char c : chars)
        inputMessages.push_back(QueuedInput{
            make_message(window, WM_CHAR, static_cast<unsigned char>(c), 1), {}});
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
}

// ---------------------------------------------------------------------------------------------
// Classes and windows

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass)
{
    if (layer_fault("RegisterClassA"))
        return 0;
    if (!windowClass || !windowClass->lpfnWndProc || !windowClass->lpszClassName ||
        IS_INTRESOURCE(windowClass->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string name = lower(windowClass->lpszClassName);
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
    if (layer_fault("CreateWindowExA"))
        return nullptr;
    if (!className || IS_INTRESOURCE(className)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto found = classes().find(lower(className));
    if (found == classes().end()) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (parent || menu || (exStyle & ~static_cast<DWORD>(WS_EX_TOPMOST)) != 0) {
        fprintf(stderr, "layer: CreateWindowExA: child windows, menus and extended styles other "
                        "than WS_EX_TOPMOST are not supported\n");
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!sdl_video_ready())
        return nullptr;

    auto* window = new Window;
    window->windowClass = &found->second;
    window->proc = found->second.info.lpfnWndProc;
    window->style = style;
    window->instance = instance;
    window->width = std::max(width, 1);
    window->height = std::max(height, 1);
    const std::string title = windowName ? cp1251_to_utf8(windowName, strlen(windowName)) : "";
    window->sdl = sdl_create_window(title.c_str(), x, y, window->width, window->height,
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
    dinput_window_deactivated(handle);
    window->proc(handle, WM_DESTROY, 0, 0);
    window->proc(handle, WM_NCDESTROY, 0, 0);

    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [handle](const Timer& t) { return t.window == handle; }),
                 timers.end());
    auto ofWindow = [handle](const MSG& m) { return m.hwnd == handle; };
    postedMessages.erase(std::remove_if(postedMessages.begin(), postedMessages.end(), ofWindow),
                         postedMessages.end());
    inputMessages.erase(std::remove_if(inputMessages.begin(), inputMessages.end(),
                                       [&](const QueuedInput& q) { return ofWindow(q.msg); }),
                        inputMessages.end());
    if (lastClick.window == handle)
        lastClick = Click{};
    if (lastKeyDown.msg.hwnd == handle)
        lastKeyDown = QueuedInput{};
    ddraw_window_destroyed(handle);
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
        fprintf(stderr, "layer: GetWindowLongPtrA: only GWLP_HINSTANCE is supported\n");
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return reinterpret_cast<LONG_PTR>(window->instance);
}

// ---------------------------------------------------------------------------------------------
// Messages

BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    if (!message) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Sent messages (activation, close) are delivered inside the call, before anything is taken.
    sdl_pump_events();
    const bool remove = (removeFlags & PM_REMOVE) != 0;

    if (take_from(postedMessages, message, window, filterMin, filterMax, remove))
        return TRUE;
    if (quitPosted) {
        *message = make_message(nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0);
        if (remove)
            quitPosted = false;
        return TRUE;
    }
    if (take_input(message, window, filterMin, filterMax, remove))
        return TRUE;
    for (Window* w : windows()) {
        const MSG paint = make_message(handle_of(w), WM_PAINT, 0, 0);
        if (w->visible && w->needsPaint && !w->destroying && in_filter(paint, window, filterMin, filterMax)) {
            *message = paint;  // stays pending until the window procedure validates the window
            return TRUE;
        }
    }
    const DWORD now = timeGetTime();
    for (Timer& timer : timers) {
        const MSG tick = make_message(timer.window, WM_TIMER, timer.id,
                                      reinterpret_cast<LPARAM>(timer.proc));
        // Unsigned difference: the clock may wrap between two ticks.
        if (now - timer.lastFired >= timer.period && in_filter(tick, window, filterMin, filterMax)) {
            *message = tick;
            if (remove)
                timer.lastFired = now;  // missed periods are not queued up
            return TRUE;
        }
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* message)
{
    if (!message)
        return FALSE;
    const UINT kind = message->message;
    if (is_key_down(kind) && same_message(*message, lastKeyDown.msg)) {
        // The characters go to the posted queue, so they are taken before any further input.
        const UINT charMessage = kind == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
        for (char c : lastKeyDown.chars)
            window_post(message->hwnd, charMessage, static_cast<unsigned char>(c), message->lParam);
    }
    return is_key_down(kind) || kind == WM_KEYUP || kind == WM_SYSKEYUP;
}

LRESULT WINAPI DispatchMessageA(const MSG* message)
{
    if (!message)
        return 0;
    if (dispatchHook)
        dispatchHook(*message);
    if (message->message == WM_TIMER && message->lParam != 0) {
        auto proc = reinterpret_cast<TIMERPROC>(message->lParam);
        proc(message->hwnd, WM_TIMER, message->wParam, timeGetTime());
        return 0;
    }
    if (!message->hwnd)
        return 0;  // thread messages, WM_QUIT among them, have no window procedure
    return window_send(message->hwnd, message->message, message->wParam, message->lParam);
}

void WINAPI PostQuitMessage(int exitCode)
{
    quitPosted = true;
    quitCode = exitCode;
}

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC timerProc)
{
    if (!window_is_valid(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const UINT period = std::max(elapse, MinimumTimerPeriod);
    for (Timer& timer : timers) {
        if (timer.window == window && timer.id == id) {
            timer.period = period;
            timer.proc = timerProc;
            timer.lastFired = timeGetTime();
            return id;
        }
    }
    timers.push_back(Timer{window, id, period, timeGetTime(), timerProc});
    return id == 0 ? 1 : id;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id)
{
    for (auto it = timers.begin(); it != timers.end(); ++it) {
        if (it->window == window && it->id == id) {
            timers.erase(it);
            return TRUE;
        }
    }
    SetLastError(ErrorInvalidTimer);
    return FALSE;
}

// ---------------------------------------------------------------------------------------------
// Cursor, keys, resources, rectangles

int WINAPI ShowCursor(BOOL show)
{
    cursorCount += show ? 1 : -1;
    sdl_show_cursor(cursorCount >= 0);  // visible while the count is not negative
    return cursorCount;
}

SHORT WINAPI GetAsyncKeyState(int virtualKey)
{
    auto injected = injectedKeys.find(virtualKey);
    const bool down = injected != injectedKeys.end() ? injected->second : sdl_key_down(virtualKey);
    return down ? static_cast<SHORT>(0x8000) : 0;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    // Linux executables carry no Windows resources, so an application's own icon is not found;
    // the system's stock icons are.
    if (instance != nullptr || !IS_INTRESOURCE(name)) {
        SetLastError(ErrorResourceNotFound);
        return nullptr;
    }
    return &stockIcon;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    if (instance != nullptr || name != IDC_ARROW) {
        SetLastError(ErrorResourceNotFound);
        return nullptr;
    }
    return &stockCursor;
}

BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    if (!rect)
        return FALSE;
    rect->left = left;
    rect->top = top;
    rect->right = right;
    rect->bottom = bottom;
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Test hooks

void layer_set_key_state(int virtualKey, bool down) { injectedKeys[virtualKey] = down; }

void layer_clear_key_states() { injectedKeys.clear(); }

BOOL layer_post_message(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return window_post(window, message, wParam, lParam);
}

LRESULT layer_send_message(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return window_send(window, message, wParam, lParam);
}

void layer_on_dispatch(std::function<void(const MSG&)> callback) { dispatchHook = std::move(callback); }

bool layer_window_info(HWND handle, LayerWindowInfo* info)
{
    Window* window = window_from_handle(handle);
    if (!window || !info)
        return false;
    info->visible = window->visible;
    info->minimized = window->minimized;
    info->fullscreen = present_fullscreen(handle);
    sdl_window_size(window->sdl, &info->width, &info->height);
    return true;
}
