// device.h -- the joystick device and its data format as the dinput8 modules share them: the
// DirectInput object (dinput.cpp) makes devices, device.cpp runs them, data_format.cpp holds
// c_dfDIJoystick
#pragma once

#include <cstdint>

#include "dinput.h"
#include "dinput8/sdl_joystick.h"
#include "user32/window.h"

namespace di {

constexpr int AxisSlots = JoystickReading::MostAxes;  // X, Y, Z, Rx, Ry, Rz, two sliders
constexpr int PovSlots = 4;
constexpr int ButtonSlots = 32;
constexpr int JoystickObjectCount = AxisSlots + PovSlots + ButtonSlots;

// The format describes the same objects at the same places as c_dfDIJoystick.
bool is_joystick_format(const DIDATAFORMAT& format);

// A device on the opened controller with SDL instance id `id`. The device keeps its owner alive
// and closes the controller when its last reference goes; the caller releases it.
IDirectInputDevice8A* create_device(IDirectInput8A* owner, int32_t id, SDL_Joystick* joystick);

// A window that leaves the foreground (deactivated, minimized, hidden or destroyed) takes the
// input of the devices held in the foreground for it.
void on_window_event(HWND window, WindowEvent event);

}  // namespace di
