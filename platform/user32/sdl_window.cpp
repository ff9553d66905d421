// sdl_window.cpp -- the SDL side of windows: video start-up, SDL windows, cursor, key state and
// the translation of SDL's window, mouse and keyboard events into the platform's messages
//
// Minimizing, restoring and focus changes become WM_ACTIVATE, sent inside PeekMessageA; the
// window manager's close button becomes WM_CLOSE. Mouse motion and the left, right and middle
// buttons become mouse messages in the coordinates of the picture shown: once a display mode is
// set, SDL's renderer scales the pointer back into its logical size, and points on the bars
// around a letterboxed picture are held to the picture's nearest edge. The vertical wheel becomes
// WM_MOUSEWHEEL, WHEEL_DELTA per notch and fractions of it from fine-grained wheels. Keys become
// WM_KEYDOWN and WM_KEYUP (the SYS forms with Alt) with the platform's virtual keys and set-1
// scan codes; SDL's text input gives the characters that TranslateMessage later posts, and the
// control keys SDL types no text for get theirs here. Key state for GetAsyncKeyState is SDL's
// keyboard state; each press (not an auto-repeat) sets its "pressed since the last call" bit.
// In a development window (ENGINE_WINDOW) Alt+Enter is the layer's own key: it switches between
// window and full screen and never reaches the game.
// Left out on purpose: the horizontal wheel and the extra mouse buttons, which the engine never
// reads.
// Works under SDL's dummy video driver, where no event ever arrives on its own.

#include <SDL.h>

#include <cstdio>

#include "kernel32/codepage.h"
#include "sdl_hints.h"
#include "user32/sdl_window.h"
#include "user32/window_table.h"

namespace {

bool videoTried = false;
bool videoUp = false;

struct KeyName {
    int virtualKey;
    SDL_Scancode scancode;
    uint8_t scan;   // the PC keyboard's set-1 scan code, as key messages carry it
    bool extended;  // the key sends the E0 prefix: cursor block, right Ctrl and Alt, keypad Enter
};

// Keys other than letters, digits and F1 to F12, which are ranges below. The OEM keys carry the
// virtual keys of the US layout.
const KeyName NamedKeys[] = {
    {VK_BACK, SDL_SCANCODE_BACKSPACE, 0x0E, false},  {VK_TAB, SDL_SCANCODE_TAB, 0x0F, false},
    {VK_RETURN, SDL_SCANCODE_RETURN, 0x1C, false},   {VK_PAUSE, SDL_SCANCODE_PAUSE, 0x45, false},
    {VK_ESCAPE, SDL_SCANCODE_ESCAPE, 0x01, false},   {VK_SPACE, SDL_SCANCODE_SPACE, 0x39, false},
    {VK_CAPITAL, SDL_SCANCODE_CAPSLOCK, 0x3A, false},
    {VK_PRIOR, SDL_SCANCODE_PAGEUP, 0x49, true},     {VK_NEXT, SDL_SCANCODE_PAGEDOWN, 0x51, true},
    {VK_END, SDL_SCANCODE_END, 0x4F, true},          {VK_HOME, SDL_SCANCODE_HOME, 0x47, true},
    {VK_LEFT, SDL_SCANCODE_LEFT, 0x4B, true},        {VK_UP, SDL_SCANCODE_UP, 0x48, true},
    {VK_RIGHT, SDL_SCANCODE_RIGHT, 0x4D, true},      {VK_DOWN, SDL_SCANCODE_DOWN, 0x50, true},
    {VK_INSERT, SDL_SCANCODE_INSERT, 0x52, true},    {VK_DELETE, SDL_SCANCODE_DELETE, 0x53, true},
    {VK_SNAPSHOT, SDL_SCANCODE_PRINTSCREEN, 0x37, true},
    {VK_LWIN, SDL_SCANCODE_LGUI, 0x5B, true},        {VK_RWIN, SDL_SCANCODE_RGUI, 0x5C, true},
    {VK_APPS, SDL_SCANCODE_APPLICATION, 0x5D, true},
    {VK_NUMLOCK, SDL_SCANCODE_NUMLOCKCLEAR, 0x45, true},
    {VK_SCROLL, SDL_SCANCODE_SCROLLLOCK, 0x46, false},
    {VK_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY, 0x37, false}, {VK_ADD, SDL_SCANCODE_KP_PLUS, 0x4E, false},
    {VK_SUBTRACT, SDL_SCANCODE_KP_MINUS, 0x4A, false},
    {VK_DECIMAL, SDL_SCANCODE_KP_PERIOD, 0x53, false},
    {VK_DIVIDE, SDL_SCANCODE_KP_DIVIDE, 0x35, true},      {VK_RETURN, SDL_SCANCODE_KP_ENTER, 0x1C, true},
    {VK_SHIFT, SDL_SCANCODE_LSHIFT, 0x2A, false},    {VK_SHIFT, SDL_SCANCODE_RSHIFT, 0x36, false},
    {VK_CONTROL, SDL_SCANCODE_LCTRL, 0x1D, false},   {VK_CONTROL, SDL_SCANCODE_RCTRL, 0x1D, true},
    {VK_MENU, SDL_SCANCODE_LALT, 0x38, false},       {VK_MENU, SDL_SCANCODE_RALT, 0x38, true},
    {VK_OEM_1, SDL_SCANCODE_SEMICOLON, 0x27, false}, {VK_OEM_PLUS, SDL_SCANCODE_EQUALS, 0x0D, false},
    {VK_OEM_COMMA, SDL_SCANCODE_COMMA, 0x33, false}, {VK_OEM_MINUS, SDL_SCANCODE_MINUS, 0x0C, false},
    {VK_OEM_PERIOD, SDL_SCANCODE_PERIOD, 0x34, false}, {VK_OEM_2, SDL_SCANCODE_SLASH, 0x35, false},
    {VK_OEM_3, SDL_SCANCODE_GRAVE, 0x29, false},     {VK_OEM_4, SDL_SCANCODE_LEFTBRACKET, 0x1A, false},
    {VK_OEM_5, SDL_SCANCODE_BACKSLASH, 0x2B, false}, {VK_OEM_6, SDL_SCANCODE_RIGHTBRACKET, 0x1B, false},
    {VK_OEM_7, SDL_SCANCODE_APOSTROPHE, 0x28, false},
    {VK_OEM_102, SDL_SCANCODE_NONUSBACKSLASH, 0x56, false},
};

// Set-1 scan codes of the letters A to Z, of the digits 1 to 9 and 0, and of the keypad's 1 to 9
// and 0, in SDL's scancode order.
const uint8_t LetterScans[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                 0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
const uint8_t DigitScans[10] = {0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B};
const uint8_t KeypadScans[10] = {0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49, 0x52};
const uint8_t FunctionScans[12] = {0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40,
                                   0x41, 0x42, 0x43, 0x44, 0x57, 0x58};

constexpr LPARAM KeyExtended = LPARAM(1) << 24;
constexpr LPARAM KeyWasDown = LPARAM(1) << 30;
constexpr LPARAM KeyReleased = LPARAM(1) << 31;

Uint32 heldButtons = 0;       // SDL button masks of the mouse buttons down, as events told
Uint16 keyModifiers = KMOD_NONE;  // SDL's modifier state at the last key event
// The Enter of an Alt+Enter the layer kept, while it is held.
SDL_Scancode keptEnter = SDL_SCANCODE_UNKNOWN;

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

// The virtual key of an SDL scancode, with its scan code; false for keys the platform lacks.
bool key_of(SDL_Scancode scancode, KeyName* key)
{
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
        const int i = scancode - SDL_SCANCODE_A;
        *key = KeyName{'A' + i, scancode, LetterScans[i], false};
        return true;
    }
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_0) {
        const int i = scancode - SDL_SCANCODE_1;
        *key = KeyName{i == 9 ? '0' : '1' + i, scancode, DigitScans[i], false};
        return true;
    }
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_0) {
        const int i = scancode - SDL_SCANCODE_KP_1;
        *key = KeyName{i == 9 ? VK_NUMPAD0 : VK_NUMPAD0 + 1 + i, scancode, KeypadScans[i], false};
        return true;
    }
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) {
        const int i = scancode - SDL_SCANCODE_F1;
        *key = KeyName{VK_F1 + i, scancode, FunctionScans[i], false};
        return true;
    }
    for (const KeyName& named : NamedKeys) {
        if (named.scancode == scancode) {
            *key = named;
            return true;
        }
    }
    return false;
}

// The character TranslateMessage makes of a key that SDL types no text for: the control keys,
// and Ctrl with a letter or one of [ \ ] (the ASCII control codes).
std::string control_chars(int virtualKey, bool ctrl, bool alt)
{
    if (alt && ctrl)
        return {};
    switch (virtualKey) {
    case VK_BACK:
        return std::string(1, ctrl ? '\x7F' : '\x08');
    case VK_TAB:
        return ctrl ? std::string() : std::string(1, '\t');
    case VK_RETURN:
        return std::string(1, ctrl ? '\n' : '\r');
    case VK_ESCAPE:
        return std::string(1, '\x1B');
    default:
        break;
    }
    if (!ctrl)
        return {};
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return std::string(1, static_cast<char>(virtualKey - 'A' + 1));
    switch (virtualKey) {
    case VK_OEM_4:
        return std::string(1, '\x1B');
    case VK_OEM_5:
        return std::string(1, '\x1C');
    case VK_OEM_6:
        return std::string(1, '\x1D');
    case VK_SPACE:
        return std::string(1, ' ');
    default:
        return {};
    }
}

HWND window_of(Uint32 windowID) { return window_from_sdl(SDL_GetWindowFromID(windowID)); }

// The MK_ flags of a mouse message: the buttons and the Shift and Ctrl keys held.
WPARAM mouse_keys()
{
    WPARAM keys = 0;
    if (heldButtons & SDL_BUTTON_LMASK)
        keys |= MK_LBUTTON;
    if (heldButtons & SDL_BUTTON_RMASK)
        keys |= MK_RBUTTON;
    if (heldButtons & SDL_BUTTON_MMASK)
        keys |= MK_MBUTTON;
    if (keyModifiers & KMOD_SHIFT)
        keys |= MK_SHIFT;
    if (keyModifiers & KMOD_CTRL)
        keys |= MK_CONTROL;
    return keys;
}

// SDL's renderer has already scaled the point into the picture's logical size; a point on the
// bars of a letterboxed picture lies outside it and is held to the nearest edge, as a pointer
// on a real display of that size stops there.
void picture_point(HWND window, int* x, int* y)
{
    int width = 0, height = 0;
    window_picture_size(window, &width, &height);
    if (width <= 0 || height <= 0)
        return;  // no picture yet: window coordinates as they are
    *x = *x < 0 ? 0 : *x >= width ? width - 1 : *x;
    *y = *y < 0 ? 0 : *y >= height ? height - 1 : *y;
}

void mouse_motion(const SDL_MouseMotionEvent& event)
{
    const HWND window = window_of(event.windowID);
    if (!window)
        return;
    int x = event.x, y = event.y;
    picture_point(window, &x, &y);
    window_post_mouse(window, WM_MOUSEMOVE, x, y, mouse_keys());
}

void mouse_button(const SDL_MouseButtonEvent& event)
{
    UINT press;
    Uint32 mask;
    switch (event.button) {
    case SDL_BUTTON_LEFT:
        press = WM_LBUTTONDOWN;
        mask = SDL_BUTTON_LMASK;
        break;
    case SDL_BUTTON_RIGHT:
        press = WM_RBUTTONDOWN;
        mask = SDL_BUTTON_RMASK;
        break;
    case SDL_BUTTON_MIDDLE:
        press = WM_MBUTTONDOWN;
        mask = SDL_BUTTON_MMASK;
        break;
    default:
        return;
    }
    const bool down = event.type == SDL_MOUSEBUTTONDOWN;
    heldButtons = down ? heldButtons | mask : heldButtons & ~mask;
    if (down)
        key_note_press(press == WM_LBUTTONDOWN   ? VK_LBUTTON
                       : press == WM_RBUTTONDOWN ? VK_RBUTTON
                                                 : VK_MBUTTON);
    const HWND window = window_of(event.windowID);
    if (!window)
        return;
    int x = event.x, y = event.y;
    picture_point(window, &x, &y);
    // The down, up and double-click messages of a button follow one another.
    const UINT message = down ? press : press + (WM_LBUTTONUP - WM_LBUTTONDOWN);
    window_post_mouse(window, message, x, y, mouse_keys());
}

// Alt+Enter in a development window switches between window and full screen, and the game
// hears nothing of that Enter: no key or character message for its press, repeats or release,
// and GetAsyncKeyState sees it up.
bool kept_alt_enter(HWND window, const SDL_KeyboardEvent& event)
{
    const SDL_Scancode scancode = event.keysym.scancode;
    if (scancode != SDL_SCANCODE_RETURN && scancode != SDL_SCANCODE_KP_ENTER)
        return false;
    if (event.type == SDL_KEYUP) {
        if (scancode != keptEnter)
            return false;
        keptEnter = SDL_SCANCODE_UNKNOWN;
        return true;
    }
    if (scancode == keptEnter)
        return true;  // a repeat of the kept press
    const Uint16 mod = event.keysym.mod;
    if (!(mod & KMOD_ALT) || (mod & KMOD_CTRL) || !window_keeps_alt_enter(window))
        return false;
    keptEnter = scancode;
    window_notify(window, WindowEvent::SwitchScreen);
    return true;
}

// SDL gives the turn in notches, positive away from the user unless the system flips it, and
// fine-grained wheels in fractions of a notch (preciseY), which pass on as parts of WHEEL_DELTA.
void mouse_wheel(const SDL_MouseWheelEvent& event)
{
    const HWND window = window_of(event.windowID);
    if (!window)
        return;
    const float notches = event.preciseY != 0.0f ? event.preciseY : static_cast<float>(event.y);
    long delta = SDL_lroundf(notches * WHEEL_DELTA);
    if (event.direction == SDL_MOUSEWHEEL_FLIPPED)
        delta = -delta;
    delta = delta < -32768 ? -32768 : delta > 32767 ? 32767 : delta;  // the signed high word
    if (delta != 0)
        window_post_wheel(window, static_cast<int>(delta), mouse_keys());
}

void key_event(const SDL_KeyboardEvent& event)
{
    keyModifiers = event.keysym.mod;
    const HWND window = window_of(event.windowID);
    KeyName key;
    if (!window || !key_of(event.keysym.scancode, &key) || kept_alt_enter(window, event))
        return;
    const bool down = event.type == SDL_KEYDOWN;
    const bool alt = (keyModifiers & KMOD_ALT) != 0;
    const bool ctrl = (keyModifiers & KMOD_CTRL) != 0;
    // Alt without Ctrl, and F10 alone, make the system forms of the messages. The Alt key's own
    // release comes after SDL has cleared Alt from its modifiers; it is a system key all the same
    // unless Ctrl is down (Wine's rule; the platform's is not documented).
    const bool altKey = key.virtualKey == VK_MENU && !ctrl;
    const bool system = (alt && !ctrl) || altKey || key.virtualKey == VK_F10;
    const UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN)
                              : (system ? WM_SYSKEYUP : WM_KEYUP);
    LPARAM lParam = 1 | (LPARAM(key.scan) << 16);  // repeat count 1: each SDL event is one stroke
    if (key.extended)
        lParam |= KeyExtended;
    // The context bit says Alt is held, and only the system forms carry it: WM_KEYDOWN and
    // WM_KEYUP (Ctrl+Alt among them) always have 0 there.
    if (system && (alt || altKey))
        lParam |= user32::KeyAltDown;
    if (down && !event.repeat)
        key_note_press(key.virtualKey);
    if (!down || event.repeat)
        lParam |= KeyWasDown;
    if (!down)
        lParam |= KeyReleased;
    window_post_key(window, message, static_cast<WPARAM>(key.virtualKey), lParam,
                    down ? control_chars(key.virtualKey, ctrl, alt) : std::string());
}

void text_event(const SDL_TextInputEvent& event)
{
    const HWND window = window_of(event.windowID);
    if (window)
        window_post_text(window, utf8_to_cp1251(event.text));  // '?' for what 1251 lacks
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
    sdl_hints_once();
    videoUp = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!videoUp) {
        const char* display = SDL_getenv("DISPLAY");
        fprintf(stderr, "layer: no display could be opened (SDL: %s; DISPLAY is %s%s%s)\n",
                SDL_GetError(), display ? "\"" : "not set", display ? display : "",
                display ? "\"" : "");
    }
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
        SDL_StartTextInput();  // typed characters come as text events
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
    case VK_RETURN:  // an Enter the layer kept is not the game's
        return keys[SDL_SCANCODE_RETURN] && keptEnter != SDL_SCANCODE_RETURN;
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
        switch (event.type) {
        case SDL_WINDOWEVENT:
            window_event(event.window);
            break;
        case SDL_MOUSEMOTION:
            mouse_motion(event.motion);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            mouse_button(event.button);
            break;
        case SDL_MOUSEWHEEL:
            mouse_wheel(event.wheel);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            key_event(event.key);
            break;
        case SDL_TEXTINPUT:
            text_event(event.text);
            break;
        default:
            break;
        }
    }
    window_notify(nullptr, WindowEvent::Polled);
}
