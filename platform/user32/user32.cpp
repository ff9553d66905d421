// user32.cpp -- the small user32 calls: the cursor, key state, stock icons and cursors, SetRect

#include <map>

#include "user32/sdl_window.h"
#include "user32/window_table.h"
#include "windows.h"
#include "testing.h"

namespace {

constexpr DWORD ErrorResourceNotFound = 1814;

constexpr int KeyCount = 256;
constexpr SHORT KeyDownNow = static_cast<SHORT>(0x8000);
constexpr SHORT KeyPressedSinceLastCall = 0x0001;

int cursorCount = 0;
std::map<int, bool> injectedKeys;
bool pressedSinceRead[KeyCount] = {};  // per virtual key: went down since GetAsyncKeyState read it

// Stock objects handed out by LoadIconA and LoadCursorA; their addresses are the handles.
HICON__ stockIcon{};
HICON__ stockCursor{};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Cursor, keys, resources, rectangles

int WINAPI ShowCursor(BOOL show)
{
    cursorCount += show ? 1 : -1;
    sdl_show_cursor(cursorCount >= 0);  // visible while the count is not negative
    return cursorCount;
}

void key_note_press(int virtualKey)
{
    if (virtualKey >= 0 && virtualKey < KeyCount)
        pressedSinceRead[virtualKey] = true;
}

// Bit 15: the key is down now. Bit 0: it went down since the last call for it, which that call
// then clears; auto-repeat is no new press. Codes outside 0 to 255 name no key: 0.
SHORT WINAPI GetAsyncKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey >= KeyCount)
        return 0;
    auto injected = injectedKeys.find(virtualKey);
    const bool down = injected != injectedKeys.end() ? injected->second : sdl_key_down(virtualKey);
    const bool pressed = pressedSinceRead[virtualKey];
    pressedSinceRead[virtualKey] = false;
    return static_cast<SHORT>((down ? KeyDownNow : 0) | (pressed ? KeyPressedSinceLastCall : 0));
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

void layer_set_key_state(int virtualKey, bool down)
{
    auto injected = injectedKeys.find(virtualKey);
    const bool wasDown = injected != injectedKeys.end() ? injected->second : sdl_key_down(virtualKey);
    if (down && !wasDown)
        key_note_press(virtualKey);
    injectedKeys[virtualKey] = down;
}

void layer_clear_key_states() { injectedKeys.clear(); }

