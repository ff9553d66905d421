// input_support.h -- what the input tests share: SDL mouse, keyboard and text events pushed at the
// test's window, and SDL virtual joysticks that DirectInput finds like real controllers
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

#include "support.h"

// Events for the one SDL window of the test process; PeekMessageA turns them into messages.
void PushMouseMotion(int x, int y);
void PushMouseButton(Uint8 button, bool down, int x, int y);
void PushKey(SDL_Scancode scancode, bool down, Uint16 modifiers = KMOD_NONE, bool repeat = false);
void PushText(const char* utf8);
// A turn of the vertical wheel: whole notches, or a fine-grained wheel's fraction of one.
void PushWheel(int notches, float precise = 0.0f, bool flipped = false);

// Takes every waiting message, translating and dispatching each as the main loop does, and
// returns them in order; WM_PAINT, WM_TIMER and WM_ACTIVATE are left out.
std::vector<MSG> TakeMessages();

// An SDL virtual joystick, attached while the object lives. Skip the test when ready() is false.
class VirtualStick {
public:
    VirtualStick(int axes = 2, int buttons = 12, int hats = 1);
    ~VirtualStick();
    bool ready() const { return joystick_ != nullptr; }
    void axis(int axis, Sint16 value);
    void button(int button, bool down);
    void hat(int hat, Uint8 value);
    void unplug();

private:
    SDL_Joystick* joystick_ = nullptr;
    SDL_JoystickID id_ = -1;
};

// True when every controller SDL sees is a virtual one; a machine with a real one plugged in
// cannot run the tests that count controllers.
bool NoRealControllers();

// Skips the test when a real controller is plugged in or SDL has no virtual joysticks.
#define SKIP_WITHOUT_VIRTUAL_STICK(stick)                                      \
    if (!NoRealControllers())                                                  \
        GTEST_SKIP() << "a game controller is plugged in";                     \
    if (!(stick).ready())                                                      \
        GTEST_SKIP() << "SDL has no virtual joysticks: " << SDL_GetError()
