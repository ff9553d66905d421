// messages.cpp -- user32's message queue: posting, sent and queued input, double clicks,
// PeekMessageA, TranslateMessage, DispatchMessageA, the quit message and timers
//
// One thread, one queue, as the engine uses it. Posted messages and input wait in the queue for
// PeekMessageA, which also synthesises WM_PAINT and WM_TIMER when nothing else is pending.
// Left out on purpose: GetMessage (the engine never waits), message filters by window hierarchy.
//
// Input arrives from the SDL backend as finished messages. Here a mouse press becomes a double
// click where the class has CS_DBLCLKS, a mouse move replaces one still queued (as the platform
// keeps only the latest), and each key-down carries the characters that TranslateMessage posts
// for it as WM_CHAR: the typed text in Windows-1251, or the control character of the key.

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "mmsystem.h"
#include "testing.h"
#include "user32/sdl_window.h"
#include "user32/window_table.h"

using namespace user32;

namespace {

constexpr DWORD ErrorInvalidTimer = 1402;
constexpr UINT MinimumTimerPeriod = 10;  // USER_TIMER_MINIMUM
constexpr DWORD DoubleClickTime = 500;   // milliseconds, the platform's default
constexpr int DoubleClickSlack = 1;      // pixels either way: half the default 4 x 4 rectangle

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT period;
    DWORD lastFired;
    TIMERPROC proc;
};

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
POINT lastPointer{0, 0};
std::function<void(const MSG&)> dispatchHook;

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

}  // namespace

void user32::messages_forget_window(HWND handle)
{
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

void window_post_wheel(HWND handle, int delta, WPARAM keys)
{
    Window* window = window_from_handle(handle);
    if (!window || window->destroying)
        return;
    // The pointer in screen coordinates, as signed 16-bit values. The full-screen picture stands
    // where the platform's screen would after a mode change, so they are the picture's points.
    const WPARAM wParam = MAKEWPARAM(keys, static_cast<WORD>(static_cast<SHORT>(delta)));
    const MSG msg = make_message(handle, WM_MOUSEWHEEL, wParam, MAKELPARAM(lastPointer.x, lastPointer.y));
    inputMessages.push_back(QueuedInput{msg, {}});  // each turn counts: wheel messages never merge
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
            return id == 0 ? 1 : id;  // the same answer as when it was made
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
// Test hooks

BOOL layer_post_message(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return window_post(window, message, wParam, lParam);
}

void layer_on_dispatch(std::function<void(const MSG&)> callback) { dispatchHook = std::move(callback); }

