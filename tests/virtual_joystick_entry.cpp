// virtual_joystick_entry.cpp -- a process entry for the examples test: attaches an SDL virtual
// controller with its stick pushed right and a little up and buttons 3 and 10 held, then runs
// the example's WinMain, so the joystick example can be checked with a controller present

#include <SDL.h>

#include <string>

#include "windows.h"

namespace {

HINSTANCE__ moduleInstance{};

}  // namespace

int main(int argc, char** argv)
{
    if (SDL_Init(SDL_INIT_JOYSTICK) != 0)
        return 2;
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 11, 0);
    SDL_Joystick* joystick = index < 0 ? nullptr : SDL_JoystickOpen(index);
    if (!joystick)
        return 2;
    SDL_JoystickSetVirtualAxis(joystick, 0, 24000);
    SDL_JoystickSetVirtualAxis(joystick, 1, -12000);
    SDL_JoystickSetVirtualButton(joystick, 3, 1);
    SDL_JoystickSetVirtualButton(joystick, 10, 1);
    std::string commandLine = argc > 1 ? argv[1] : "";
    const int result = WinMain(&moduleInstance, nullptr, commandLine.data(), SW_SHOWDEFAULT);
    SDL_Quit();
    return result;
}
