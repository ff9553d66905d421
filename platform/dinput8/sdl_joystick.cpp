// sdl_joystick.cpp -- the SDL side of game controllers: which are attached, and what one reports
//
// The only file that calls SDL's joystick API. It lists the attached joysticks in SDL's order,
// opens them by SDL's instance id (which stays the same while a device is attached) and reads
// axes, buttons and hats as raw values; what DirectInput makes of them is device.cpp's business.
// SDL's joystick events are switched off: state is read on demand, and the layer decides itself
// whether its window is in the foreground, so SDL is told to report input in the background too.
// SDL's virtual joysticks come through here like any other device, which is how tests drive it.

#include <SDL.h>

#include <cstdio>

#include "dinput.h"
#include "dinput8/sdl_joystick.h"
#include "sdl_hints.h"

namespace {

bool joystickTried = false;
bool joystickUp = false;

int device_type(SDL_JoystickType type)
{
    switch (type) {
    case SDL_JOYSTICK_TYPE_GAMECONTROLLER:
        return DI8DEVTYPE_GAMEPAD;
    case SDL_JOYSTICK_TYPE_WHEEL:
        return DI8DEVTYPE_DRIVING;
    case SDL_JOYSTICK_TYPE_FLIGHT_STICK:
    case SDL_JOYSTICK_TYPE_THROTTLE:
        return DI8DEVTYPE_FLIGHT;
    case SDL_JOYSTICK_TYPE_GUITAR:
    case SDL_JOYSTICK_TYPE_DRUM_KIT:
    case SDL_JOYSTICK_TYPE_DANCE_PAD:
        return DI8DEVTYPE_SUPPLEMENTAL;
    default:
        return DI8DEVTYPE_JOYSTICK;
    }
}

// A hat's direction in hundredths of a degree clockwise from north; -1 when centred.
int32_t hat_angle(Uint8 hat)
{
    switch (hat) {
    case SDL_HAT_UP:
        return 0;
    case SDL_HAT_RIGHTUP:
        return 4500;
    case SDL_HAT_RIGHT:
        return 9000;
    case SDL_HAT_RIGHTDOWN:
        return 13500;
    case SDL_HAT_DOWN:
        return 18000;
    case SDL_HAT_LEFTDOWN:
        return 22500;
    case SDL_HAT_LEFT:
        return 27000;
    case SDL_HAT_LEFTUP:
        return 31500;
    default:
        return -1;
    }
}

int clamp_count(int count, int most) { return count < 0 ? 0 : count > most ? most : count; }

}  // namespace

bool sdl_joystick_ready()
{
    if (joystickTried)
        return joystickUp;
    joystickTried = true;
    sdl_hints_once();
    joystickUp = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    if (!joystickUp) {
        fprintf(stderr, "layer: no game controllers can be read (SDL: %s)\n", SDL_GetError());
        return false;
    }
    SDL_JoystickEventState(SDL_IGNORE);
    return true;
}

std::vector<JoystickDevice> sdl_joystick_list()
{
    std::vector<JoystickDevice> list;
    if (!sdl_joystick_ready())
        return list;
    SDL_JoystickUpdate();  // takes note of devices plugged in or out since the last look
    const int count = SDL_NumJoysticks();
    for (int index = 0; index < count; ++index) {
        JoystickDevice device;
        device.id = SDL_JoystickGetDeviceInstanceID(index);
        if (device.id < 0)
            continue;
        const char* name = SDL_JoystickNameForIndex(index);
        device.name = name ? name : "";
        device.type = device_type(SDL_JoystickGetDeviceType(index));
        device.vendor = SDL_JoystickGetDeviceVendor(index);
        device.product = SDL_JoystickGetDeviceProduct(index);
        list.push_back(device);
    }
    return list;
}

SDL_Joystick* sdl_joystick_open(int32_t id)
{
    if (!sdl_joystick_ready())
        return nullptr;
    const int count = SDL_NumJoysticks();
    for (int index = 0; index < count; ++index)
        if (SDL_JoystickGetDeviceInstanceID(index) == id)
            return SDL_JoystickOpen(index);
    return nullptr;
}

void sdl_joystick_close(SDL_Joystick* joystick)
{
    if (joystick)
        SDL_JoystickClose(joystick);
}

void sdl_joystick_counts(SDL_Joystick* joystick, int* axes, int* buttons, int* hats)
{
    *axes = clamp_count(SDL_JoystickNumAxes(joystick), JoystickReading::MostAxes);
    *buttons = clamp_count(SDL_JoystickNumButtons(joystick), JoystickReading::MostButtons);
    *hats = clamp_count(SDL_JoystickNumHats(joystick), JoystickReading::MostHats);
}

bool sdl_joystick_read(SDL_Joystick* joystick, JoystickReading* reading)
{
    *reading = JoystickReading{};
    SDL_JoystickUpdate();
    if (!joystick || !SDL_JoystickGetAttached(joystick))
        return false;
    int axes = 0, buttons = 0, hats = 0;
    sdl_joystick_counts(joystick, &axes, &buttons, &hats);
    for (int i = 0; i < axes; ++i)
        reading->axes[i] = SDL_JoystickGetAxis(joystick, i);
    for (int i = 0; i < buttons; ++i)
        reading->buttons[i] = SDL_JoystickGetButton(joystick, i) != 0;
    for (int i = 0; i < hats; ++i)
        reading->hats[i] = hat_angle(SDL_JoystickGetHat(joystick, i));
    return true;
}
