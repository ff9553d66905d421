// game_testing.h -- what a game's own tests use to run the game headless and script it: the
// clock, keys, characters, the mouse and its wheel, a controller, the screen's pixels and the
// sound the game plays (Linux; libengine-testing, engine::testing)
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "windows.h"

// Plain functions for any test framework. Call them from the test's own main() or test case, in
// the same process as the game's code (its WinMain or its frame routine). Input goes to the game's
// window as the platform's messages, posted: the game sees it at its next PumpMessages.

// ---------------------------------------------------------------------------------------------
// Set-up: call before the game opens its window and its sound.

// The display without a visible window and sound without a sound card (SDL's dummy drivers).
void UseHeadlessDisplay();
// The game's sound goes to memory instead of a device (see TakeCapturedSound).
void CaptureGameSound();

// ---------------------------------------------------------------------------------------------
// The clock that timeGetTime answers: frozen at a value, moved by hand, or real time again.

void SetTestClock(DWORD milliseconds);
void AdvanceTestClock(DWORD milliseconds);
void UseRealClock();

// ---------------------------------------------------------------------------------------------
// Scripted input. False when the game has no window yet.

// A key goes down or up (virtual-key code, VK_ESCAPE, 'A'): WM_KEYDOWN or WM_KEYUP, and
// GetAsyncKeyState reports it held until it is released. It types no character: see ScriptText.
bool ScriptKey(int virtualKey, bool down);
// Characters typed, one WM_CHAR per byte of the Windows-1251 text; right after a ScriptKey down
// they are that key's characters, made by TranslateMessage as it translates the key.
bool ScriptText(const char* text);
// The mouse moves to display coordinates (0..799, 0..599 on an 800 x 600 display): WM_MOUSEMOVE.
bool ScriptMouseMove(int x, int y);
// A button goes down or up at x, y: button 0 is the left, 1 the right, 2 the middle one.
bool ScriptMouseButton(int button, bool down, int x, int y);
// Down and up of the left button at x, y.
bool ScriptClick(int x, int y);
// The wheel turns by delta at x, y: WM_MOUSEWHEEL with delta in the high word of wParam
// (120 per notch, positive away from the user), the held buttons in its low word and x, y in
// lParam.
bool ScriptMouseWheel(int delta, int x, int y);

// ---------------------------------------------------------------------------------------------
// A controller that DirectInput finds like a plugged-in one. Attach it before the game looks for
// controllers (InitDirectInput); axes go from -32768 to 32767. False when SDL cannot make one.

bool AttachTestController(int axes, int buttons);
void SetTestControllerAxis(int axis, int value);
void SetTestControllerButton(int button, bool down);
void DetachTestController();

// ---------------------------------------------------------------------------------------------
// Frames and the screen.

// Called after every frame the game shows (each present of the screen surface), until replaced;
// an empty function stops the calls. The callback may script input and read the screen.
void OnEveryFrame(std::function<void()> callback);

// The screen surface as last shown: 0x00RRGGBB pixels, rows top to bottom, the palette applied at
// 8 bits. False while the game shows no display.
struct ScreenPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
bool ReadScreen(ScreenPixels* screen);

// ---------------------------------------------------------------------------------------------
// Captured sound (after CaptureGameSound).

// The rate of the game's sound output in frames per second (44100), 0 while it has none open.
int CapturedSoundRate();
// Mixes the next frames of the game's sound and hands them over: 16-bit signed samples,
// interleaved left then right, so 2 * frames values at CapturedSoundRate(). Nothing plays on its
// own meanwhile: sounds advance only as frames are taken. Empty while no output is open.
std::vector<int16_t> TakeCapturedSound(size_t frames);
