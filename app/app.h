// app.h -- the application shell: window, main loop, fatal-error exit
#pragma once

#include "platform.h"

extern HWND hMainWindow;      // the one application window; null until created
extern bool AppActive;        // true while the window is not minimized; gates all frame work
extern bool QuitRequested;    // set by game code to end the program after the next active frame
extern bool JoystickPresent;  // a game controller was set up at start-up

// Releases display, sounds and input, shows the fatal-error box naming the step that failed and
// destroys the window. Every caller returns failure right after it.
void AbortProgram(HWND window, const char* step);

// Handles at most one message without waiting; true when it took the quit message.
bool PumpMessages();

// The window procedure of class "game".
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
