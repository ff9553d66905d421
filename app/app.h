// app.h -- the application shell: window, main loop, fatal-error exit, input state, key and
// button events, frame pacing, frame rate
#pragma once

#include <cstdint>

#include "platform.h"

extern HWND hMainWindow;      // the one application window; null until created
extern bool AppActive;        // true while the window is not minimized; gates all frame work
extern bool QuitRequested;    // set by game code to end the program after the next active frame
extern bool JoystickPresent;  // a game controller was set up at start-up

// The id of the one-second timer the entry sets on the window; WM_DESTROY stops it.
constexpr UINT_PTR TickTimerId = 1;

// Releases display, sounds and input, shows the fatal-error box naming the step that failed and
// destroys the window. Every caller returns failure right after it.
void AbortProgram(HWND window, const char* step);

// --- Failures a game can show ------------------------------------------------------------------

// The reason the last routine that may fail without ending the program gave for failing, naming
// the file where there is one ("sounds/boom.wav: no data chunk"); empty before any failure.
const char* LastEngineError();
// Sets that reason, formatted as printf does (cut to 511 bytes), and writes it with
// OutputDebugStringA. ClearEngineError empties it.
void SetEngineError(const char* format, ...);
void ClearEngineError();

// Handles at most one message without waiting; true when it took the quit message.
bool PumpMessages();

// The window procedure of class "game".
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// --- Input from window messages and the joystick ------------------------------------------------

// What the mouse, the keyboard's characters and the joystick left for game code to read in its
// frame. Click points are -1, -1 while none is stored.
struct InputRecord {
    int32_t MouseX = 0;          // last mouse position, window coordinates
    int32_t MouseY = 0;
    bool LeftButton = false;     // held
    bool RightButton = false;
    bool LeftDoubleClick = false;   // set by a double click; cleared only by its consumer
    bool RightDoubleClick = false;
    int32_t LeftDownX = -1;      // point of the last left press, consumed by LeftDownInRect
    int32_t LeftDownY = -1;
    int32_t LeftUpX = -1;        // point of the last left release, consumed by LeftUpInRect
    int32_t LeftUpY = -1;
    int32_t RightDownX = -1;
    int32_t RightDownY = -1;
    int32_t RightUpX = -1;
    int32_t RightUpY = -1;
    uint32_t CharCode = 0;       // the last character, Windows-1251
    uint32_t CharParam = 0;      // its message's repeat count, scan code and flags
    bool CharReady = false;      // a character arrived; cleared only by its consumer
    int32_t JoyX = 0;            // joystick cursor, screen coordinates
    int32_t JoyY = 0;
    bool JoyLeft = false;        // stick pushed that way
    bool JoyRight = false;
    bool JoyUp = false;
    bool JoyDown = false;
    bool JoyButton0 = false;     // joystick buttons held
    bool JoyButton1 = false;
    bool JoyButton2 = false;
    bool JoyButton3 = false;
    bool JoyButton4 = false;
    bool JoyButton5 = false;
    bool JoyButton6 = false;
    bool JoyButton7 = false;
    bool JoyButton8 = false;
    bool JoyButton9 = false;
    bool JoyButton10 = false;
    int32_t Wheel = 0;           // the wheel's turn over the last frame, WHEEL_DELTA (120) a notch,
                                 // positive away from the user; set by BeginFrame
};

extern InputRecord InputState;

// Hit tests: is the stored point inside the rectangle, both edges included? The four click tests
// consume their point (set it to -1, -1) when they answer true.
bool LeftDownInRect(int32_t x, int32_t y, int32_t width, int32_t height);
bool LeftUpInRect(int32_t x, int32_t y, int32_t width, int32_t height);
bool RightDownInRect(int32_t x, int32_t y, int32_t width, int32_t height);
bool RightUpInRect(int32_t x, int32_t y, int32_t width, int32_t height);
bool MouseInRect(int32_t x, int32_t y, int32_t width, int32_t height);

// --- Keys, buttons and the wheel as events, frame by frame -------------------------------------

// Takes every waiting message without waiting for any (up to a typed character, so that each
// character has a frame of its own), after holding the caller to its frame's slot
// (SetFrameRate), then latches the frame's key, button and wheel edges and polls the controller
// while JoystickPresent; true once it took the quit message. Call it once at each frame's top.
bool BeginFrame();
// Milliseconds from the BeginFrame before the last to the last one, for motion by time; 0 until
// two frames have begun.
uint32_t FrameMilliseconds();

// Whether the key (a VK_ code, 'A' to 'Z', '0' to '9', or VK_LBUTTON, VK_RBUTTON, VK_MBUTTON for
// the mouse's buttons) is down now, as the key and button messages taken so far tell.
bool KeyHeld(int virtualKey);
// Whether it went down (up) between the last two BeginFrame calls. A tap that went down and up
// within one frame reads as one press and one release; auto-repeat is no new press.
bool KeyPressed(int virtualKey);
bool KeyReleased(int virtualKey);
// The same for controller buttons 0 to 10, as the polls of the last two frames saw them: a press
// shorter than a frame is not seen. False for other numbers.
bool JoyButtonHeld(int button);
bool JoyButtonPressed(int button);
bool JoyButtonReleased(int button);
// The wheel's turn between the last two BeginFrame calls, added up: WHEEL_DELTA (120) per notch,
// positive away from the user; finer wheels give parts of a notch.
int MouseWheel();
// Notes the key, button, wheel and activation messages for the routines above; MainWndProc
// calls it for every message. A window procedure of a game's own that handles them calls it too.
void RecordInputMessage(UINT message, WPARAM wParam, LPARAM lParam);

// --- Frame pacing ------------------------------------------------------------------------------

constexpr int FrameRateUnlimited = 0;  // frames as fast as the machine allows: the default
constexpr int FrameRateMonitor = -1;   // one frame per refresh of the monitor

// Holds each BeginFrame to slots of 1/framesPerSecond (1 to 1000) on average, sleeping between
// frames; FrameRateMonitor waits for the monitor's vertical blank instead, and FrameRateUnlimited
// never waits. False, with LastEngineError set and the pace unchanged, for any other value.
bool SetFrameRate(int framesPerSecond);
// The rate SetFrameRate last set: frames per second, FrameRateUnlimited or FrameRateMonitor.
int FrameRate();
// Sleeps until the next frame's slot at the rate set; a frame that began late starts a fresh
// schedule, so a game that falls behind gets no burst of frames. BeginFrame calls it.
void WaitForFrameSlot();

// --- Frame-rate counter and random numbers -----------------------------------------------------

extern int32_t FrameCount;     // frames counted since the last measurement, 0 to 9
extern uint32_t FpsPrevTime;   // timeGetTime of the measurement before the last, milliseconds
extern uint32_t FpsTime;       // timeGetTime of the last measurement, milliseconds
extern int32_t LastFps;        // frames per second at the last measurement
extern uint32_t RandomState;   // the generator's state; 1 at start, never seeded

// Counts one frame; every tenth call measures the rate over the last ten. Returns the last rate.
int UpdateFps();
// A pseudo-random integer from low to high - 1; low when high is not greater than low.
int RandomRange(int low, int high);
// A pseudo-random number from low to high, both ends included.
double RandomRangeReal(double low, double high);
