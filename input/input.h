// input.h -- the game controller: DirectInput set-up, the per-frame poll into InputState, release
#pragma once

#include <cstdint>

#include "../app/platform.h"

constexpr int JoystickErrorSize = 255;

extern IDirectInput8A* pDirectInput;       // the DirectInput object; null when none
extern IDirectInputDevice8A* pJoystick;    // the controller; null when none
extern GUID JoystickGuid;                  // instance GUID of the controller enumeration chose
extern int32_t JoystickFound;              // 1 once enumeration found a controller; never cleared
extern HWND JoystickWindow;                // the window set-up was given
extern char JoystickError[JoystickErrorSize];  // which axis property failed at set-up; "" until then

// Sets up the first attached game controller for the window: exclusive foreground access, the
// joystick data format, axis ranges from the current screen size, dead zone and saturation, then
// acquires it. 1 when the controller is ready, 0 otherwise; what was created stays for
// ReleaseDirectInput.
int InitDirectInput(HWND window);
// Enumeration callback: keeps the first controller listed and stops.
BOOL CALLBACK EnumJoystickCallback(LPCDIDEVICEINSTANCEA instance, LPVOID context);
// Sets range, dead zone and saturation of the X and Y axes; 0 without a controller, and 0 at
// the first failure, with its text in JoystickError.
int SetJoystickProperties();
// Acquires the controller (flag non-zero) or lets it go (zero); nothing without a controller.
void AcquireJoystick(int acquire);
// Reads the controller into the joystick fields of InputState; a failed read changes nothing.
void PollJoystick();
// Gives back the controller and the DirectInput object; safe to call again.
void ReleaseDirectInput();
