// sdl_joystick.h -- the SDL joystick backend behind DirectInput's game controllers
// (sdl_joystick.cpp)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct _SDL_Joystick;
typedef struct _SDL_Joystick SDL_Joystick;

struct JoystickDevice {
    int32_t id = -1;        // SDL's instance id, the same while the device stays attached
    std::string name;       // UTF-8
    int type = 0;           // DI8DEVTYPE_*
    uint16_t vendor = 0;
    uint16_t product = 0;
};
struct JoystickReading {
    static constexpr int MostAxes = 8;
    static constexpr int MostButtons = 32;
    static constexpr int MostHats = 4;
    int32_t axes[MostAxes] = {};     // -32768 .. 32767
    bool buttons[MostButtons] = {};
    int32_t hats[MostHats] = {};     // hundredths of a degree clockwise from north, -1 centred
};
// Brings SDL's joystick support up once; false (with a note on stderr) when it cannot be had.
bool sdl_joystick_ready();
// The attached controllers, in SDL's order.
std::vector<JoystickDevice> sdl_joystick_list();
// Opens the attached device with that id; null when it is gone.
SDL_Joystick* sdl_joystick_open(int32_t id);
void sdl_joystick_close(SDL_Joystick* joystick);
// How many axes, buttons and hats the device has, each at most what a reading holds.
void sdl_joystick_counts(SDL_Joystick* joystick, int* axes, int* buttons, int* hats);
// The device's state now; false when it has been unplugged.
bool sdl_joystick_read(SDL_Joystick* joystick, JoystickReading* reading);
