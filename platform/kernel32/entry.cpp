// entry.cpp -- the process entry: main() hands control to WinMain as the C runtime does on
// Windows, with the module handle, the command line after the program name and SW_SHOWDEFAULT

#include <SDL.h>

#include <string>

#include "windows.h"

namespace {

// The module handle of the executable; its address is what WinMain receives.
HINSTANCE__ moduleInstance{};

}  // namespace

int main(int argc, char** argv)
{
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    const int result = WinMain(&moduleInstance, nullptr, commandLine.data(), SW_SHOWDEFAULT);
    SDL_Quit();
    return result;
}
