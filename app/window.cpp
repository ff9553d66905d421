// window.cpp -- the window procedure (lifecycle, mouse and characters), the message pump for game
// code and the fatal-error exit

#include <cstring>

#include "app.h"
#include "../display/display.h"
#include "../sound/sound.h"
#include "../input/input.h"

HWND hMainWindow = nullptr;
bool AppActive = false;
bool QuitRequested = false;
bool JoystickPresent = false;

namespace {

// "Программа прервана\nОшибка в %s" in Windows-1251: the program was aborted, error in <step>.
constexpr char AbortFormat[] =
    "\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 \xEF\xF0\xE5\xF0\xE2\xE0\xED\xE0\n"
    "\xCE\xF8\xE8\xE1\xEA\xE0 \xE2 %s";
constexpr char AbortCaption[] = "Vorel";
constexpr size_t AbortMessageBytes = 256;
// The longest step that fits the message: the format's text without its "%s", and the zero.
constexpr size_t AbortStepLimit = AbortMessageBytes - (sizeof(AbortFormat) - 1 - 2) - 1;
static_assert(AbortStepLimit == 227, "the format leaves 227 characters for the step");

// One button's fields in InputState.
struct ButtonState {
    bool& held;
    bool& doubleClick;
    int32_t& downX;
    int32_t& downY;
    int32_t& upX;
    int32_t& upY;
};

// Stores a press, release or double click of the left or right button. The messages store the
// point of the last move, not the one they carry; a double click stores its point as a press but
// does not mark the button held.
void TakeMouseButton(UINT message)
{
    InputRecord& in = InputState;
    const bool left = message == WM_LBUTTONDOWN || message == WM_LBUTTONUP || message == WM_LBUTTONDBLCLK;
    const ButtonState button =
        left ? ButtonState{in.LeftButton, in.LeftDoubleClick, in.LeftDownX, in.LeftDownY, in.LeftUpX, in.LeftUpY}
             : ButtonState{in.RightButton, in.RightDoubleClick, in.RightDownX, in.RightDownY, in.RightUpX, in.RightUpY};
    if (message == WM_LBUTTONUP || message == WM_RBUTTONUP) {
        button.held = false;
        button.upX = in.MouseX;
        button.upY = in.MouseY;
        return;
    }
    if (message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK)
        button.doubleClick = true;
    else
        button.held = true;
    button.downX = in.MouseX;
    button.downY = in.MouseY;
}

}  // namespace

void AbortProgram(HWND window, const char* step)
{
    ReleaseDirectDraw();
    ReleaseSounds();
    ReleaseDirectInput();
    ShowWindow(window, SW_HIDE);
    // wsprintfA writes up to 1024 bytes: a long step (a file name) is cut to what the message
    // holds before it is formatted.
    const char* shownStep = step;
    char cutStep[AbortStepLimit + 1];
    if (step && strlen(step) > AbortStepLimit) {
        memcpy(cutStep, step, AbortStepLimit);
        cutStep[AbortStepLimit] = '\0';
        shownStep = cutStep;
    }
    char message[AbortMessageBytes];
    wsprintfA(message, AbortFormat, shownStep);
    MessageBoxA(window, message, AbortCaption, MB_OK);
    DestroyWindow(window);
}

bool PumpMessages()
{
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (message.message == WM_QUIT)
        return true;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return false;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    RecordInputMessage(message, wParam, lParam);  // key, button and wheel events (keys.cpp)
    switch (message) {
    case WM_ACTIVATE:
        // Only the minimized flag in the high word counts: a window that merely loses the focus
        // goes on drawing.
        AppActive = HIWORD(wParam) == 0;
        return 0;
    case WM_TIMER:
        return 0;
    case WM_CHAR:
        InputState.CharCode = static_cast<uint32_t>(wParam);
        InputState.CharParam = static_cast<uint32_t>(lParam);
        InputState.CharReady = true;
        return 0;
    case WM_MOUSEMOVE:
        // Both words taken as unsigned, 0 to 65535.
        InputState.MouseX = static_cast<int32_t>(lParam & 0xFFFF);
        InputState.MouseY = static_cast<int32_t>((lParam >> 16) & 0xFFFF);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
        TakeMouseButton(message);
        return 0;
    case WM_DESTROY:
        AppActive = false;
        KillTimer(hMainWindow, TickTimerId);
        ReleaseDirectDraw();
        ReleaseSounds();
        ReleaseDirectInput();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
