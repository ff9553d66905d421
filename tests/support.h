// support.h -- what the tests share: a display brought up as the program brings it up, a scratch
// directory to run in, files written byte by byte, and the SDL window behind a window handle
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <testing.h>

#include "app/app.h"
#include "display/display.h"

struct SDL_Window;

// Registers the class "game" with the engine's window procedure, creates and shows the window
// (so AppActive is true) and keeps it in hMainWindow.
HWND OpenGameWindow();

// OpenGameWindow, then InitDirectDraw at 800 x 600 and the depth, with message boxes captured.
// Returns InitDirectDraw's answer.
bool BringUpDisplay(int depth);

// A fresh temporary directory that is the working directory while the object lives.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

// An 8-bit BMP of width x height whose colour table entry i is (i, 255 - i, i / 2) except where
// entries says otherwise (index, red, green, blue).
struct TableEntry {
    int index;
    uint8_t red, green, blue;
};
std::vector<uint8_t> PaletteBitmap(const std::vector<TableEntry>& entries = {});

// The one SDL window of the test process, for pushing window events at it.
SDL_Window* OnlySdlWindow();
void PushWindowEvent(int windowEvent);

// Fills every byte of a surface's rows (padding included) with value.
void FillSurfaceBytes(IDirectDrawSurface7* surface, uint8_t value);

// The abort box's text for a step, in Windows-1251, typed out byte by byte.
std::string AbortText(const std::string& step);
