// input_support.cpp -- SDL input events and virtual joysticks for the input tests

#include "input_support.h"

#include <gtest/gtest.h>

namespace {

Uint32 WindowId()
{
    SDL_Window* window = OnlySdlWindow();
    EXPECT_NE(window, nullptr);
    return window ? SDL_GetWindowID(window) : 0;
}

void JoystickSubsystem()
{
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_InitSubSystem(SDL_INIT_JOYSTICK);
}

}  // namespace

void PushMouseMotion(int x, int y)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = WindowId();
    event.motion.x = x;
    event.motion.y = y;
    SDL_PushEvent(&event);
}

void PushMouseButton(Uint8 button, bool down, int x, int y)
{
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.windowID = WindowId();
    event.button.button = button;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = x;
    event.button.y = y;
    SDL_PushEvent(&event);
}

void PushKey(SDL_Scancode scancode, bool down, Uint16 modifiers, bool repeat)
{
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = WindowId();
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
    event.key.keysym.mod = modifiers;
    SDL_PushEvent(&event);
}

void PushText(const char* utf8)
{
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = WindowId();
    SDL_strlcpy(event.text.text, utf8, sizeof(event.text.text));
    SDL_PushEvent(&event);
}

void PushWheel(int notches, float precise, bool flipped)
{
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = WindowId();
    event.wheel.y = notches;
    event.wheel.preciseY = precise != 0.0f ? precise : static_cast<float>(notches);
    event.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&event);
}

std::vector<MSG> TakeMessages()
{
    std::vector<MSG> taken;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (message.message != WM_PAINT && message.message != WM_TIMER && message.message != WM_ACTIVATE)
            taken.push_back(message);
    }
    return taken;
}

VirtualStick::VirtualStick(int axes, int buttons, int hats)
{
    JoystickSubsystem();
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, axes, buttons, hats);
    if (index < 0)
        return;
    id_ = SDL_JoystickGetDeviceInstanceID(index);
    joystick_ = SDL_JoystickOpen(index);
}

VirtualStick::~VirtualStick()
{
    if (joystick_)
        SDL_JoystickClose(joystick_);
    unplug();
}

void VirtualStick::axis(int axis, Sint16 value) { SDL_JoystickSetVirtualAxis(joystick_, axis, value); }

void VirtualStick::button(int button, bool down)
{
    SDL_JoystickSetVirtualButton(joystick_, button, down ? SDL_PRESSED : SDL_RELEASED);
}

void VirtualStick::hat(int hat, Uint8 value) { SDL_JoystickSetVirtualHat(joystick_, hat, value); }

void VirtualStick::unplug()
{
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
        if (SDL_JoystickGetDeviceInstanceID(index) == id_) {
            SDL_JoystickDetachVirtual(index);
            break;
        }
    }
    id_ = -1;
}

bool NoRealControllers()
{
    JoystickSubsystem();
    SDL_JoystickUpdate();
    for (int index = 0; index < SDL_NumJoysticks(); ++index)
        if (!SDL_JoystickIsVirtual(index))
            return false;
    return true;
}
