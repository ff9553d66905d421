// keys.cpp -- keys, mouse buttons, controller buttons and the wheel as events: what the window
// procedure's messages and the controller's polls left between two frames, latched per frame

#include "app.h"
#include "../input/input.h"

namespace {

constexpr int KeyCount = 256;
constexpr int JoyButtonCount = 11;
constexpr LPARAM KeyWasDown = LPARAM(1) << 30;  // lParam bit 30: an auto-repeat of a held key

// Per virtual key: down now, and the edges gathered since the last latch and latched for the
// frame that BeginFrame began.
bool Held[KeyCount] = {};
bool PressSeen[KeyCount] = {};
bool ReleaseSeen[KeyCount] = {};
bool FramePressed[KeyCount] = {};
bool FrameReleased[KeyCount] = {};

bool JoyHeld[JoyButtonCount] = {};      // as the last frame's poll left them
bool JoyPressed[JoyButtonCount] = {};
bool JoyReleased[JoyButtonCount] = {};

int32_t WheelSeen = 0;   // the turn gathered since the last latch
uint32_t LastFrameStart = 0;
uint32_t LastFrameLength = 0;
bool FrameBegun = false;

bool IsKey(int virtualKey) { return virtualKey >= 0 && virtualKey < KeyCount; }

void Press(int virtualKey)
{
    if (!IsKey(virtualKey))
        return;
    Held[virtualKey] = true;
    PressSeen[virtualKey] = true;
}

void Release(int virtualKey)
{
    if (!IsKey(virtualKey) || !Held[virtualKey])
        return;
    Held[virtualKey] = false;
    ReleaseSeen[virtualKey] = true;
}

// The window stops hearing the keyboard and the mouse when it goes to the background: whatever
// was held is released there, so no key stays down for good.
void ReleaseEverything()
{
    for (int key = 0; key < KeyCount; ++key)
        Release(key);
}

const bool* JoyButtons[JoyButtonCount] = {
    &InputState.JoyButton0, &InputState.JoyButton1, &InputState.JoyButton2, &InputState.JoyButton3,
    &InputState.JoyButton4, &InputState.JoyButton5, &InputState.JoyButton6, &InputState.JoyButton7,
    &InputState.JoyButton8, &InputState.JoyButton9, &InputState.JoyButton10};

void LatchJoyButtons()
{
    if (JoystickPresent)
        PollJoystick();
    for (int i = 0; i < JoyButtonCount; ++i) {
        const bool down = *JoyButtons[i];
        JoyPressed[i] = down && !JoyHeld[i];
        JoyReleased[i] = !down && JoyHeld[i];
        JoyHeld[i] = down;
    }
}

}  // namespace

void RecordInputMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // An auto-repeat says the key was already down: no new press.
        if (!(lParam & KeyWasDown))
            Press(static_cast<int>(wParam));
        else if (IsKey(static_cast<int>(wParam)))
            Held[wParam] = true;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        Release(static_cast<int>(wParam));
        break;
    // A double click is a press of its button as well.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        Press(VK_LBUTTON);
        break;
    case WM_LBUTTONUP:
        Release(VK_LBUTTON);
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        Press(VK_RBUTTON);
        break;
    case WM_RBUTTONUP:
        Release(VK_RBUTTON);
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        Press(VK_MBUTTON);
        break;
    case WM_MBUTTONUP:
        Release(VK_MBUTTON);
        break;
    case WM_MOUSEWHEEL:
        WheelSeen += static_cast<int16_t>(HIWORD(wParam));
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE || HIWORD(wParam) != 0)
            ReleaseEverything();
        break;
    case WM_KILLFOCUS:
        ReleaseEverything();
        break;
    default:
        break;
    }
}

bool BeginFrame()
{
    WaitForFrameSlot();
    const uint32_t now = timeGetTime();
    LastFrameLength = FrameBegun ? now - LastFrameStart : 0;  // unsigned: right across a wrap
    LastFrameStart = now;
    FrameBegun = true;

    // Every message waiting now, so that a burst of mouse moves or keys is taken in one frame;
    // but InputState holds one typed character, so a character ends the frame's messages and
    // the next one waits for the next frame.
    bool quit = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (message.message == WM_CHAR)
            break;
    }

    for (int key = 0; key < KeyCount; ++key) {
        FramePressed[key] = PressSeen[key];
        FrameReleased[key] = ReleaseSeen[key];
        PressSeen[key] = ReleaseSeen[key] = false;
    }
    InputState.Wheel = WheelSeen;
    WheelSeen = 0;
    LatchJoyButtons();
    return quit;
}

uint32_t FrameMilliseconds() { return LastFrameLength; }

bool KeyHeld(int virtualKey) { return IsKey(virtualKey) && Held[virtualKey]; }

bool KeyPressed(int virtualKey) { return IsKey(virtualKey) && FramePressed[virtualKey]; }

bool KeyReleased(int virtualKey) { return IsKey(virtualKey) && FrameReleased[virtualKey]; }

bool JoyButtonHeld(int button) { return button >= 0 && button < JoyButtonCount && JoyHeld[button]; }

bool JoyButtonPressed(int button)
{
    return button >= 0 && button < JoyButtonCount && JoyPressed[button];
}

bool JoyButtonReleased(int button)
{
    return button >= 0 && button < JoyButtonCount && JoyReleased[button];
}

int MouseWheel() { return InputState.Wheel; }
