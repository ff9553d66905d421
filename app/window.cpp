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

constexpr UINT_PTR TickTimerId = 1;

// "Программа прервана\nОшибка в %s" in Windows-1251: the program was aborted, error in <step>.
constexpr char AbortFormat[] =
    "\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 \xEF\xF0\xE5\xF0\xE2\xE0\xED\xE0\n"
    "\xCE\xF8\xE8\xE1\xEA\xE0 \xE2 %s";
constexpr char AbortCaption[] = "Vorel";
constexpr size_t AbortMessageBytes = 256;
// The longest step that fits the message: the format's text without its "%s", and the zero.
constexpr size_t AbortStepLimit = AbortMessageBytes - (sizeof(AbortFormat) - 1 - 2) - 1;
static_assert(AbortStepLimit == 227, "the format leaves 227 characters for the step");

}  // namespace

void AbortProgram(HWND window, const char* step)
{
    ReleaseDirectDraw();
    ReleaseSounds();
    ReleaseDirectInput();
    ShowWindow(window, SW_HIDE);
    // wsprintfA writes up to 1024 bytes: a long step (a file name) is cut to what the message
    // holds before it is formatted.
    char shownStep[AbortStepLimit + 1] = "";
    if (step)
        strncat(shownStep, step, AbortStepLimit);
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
    // The button messages store the point of the last move, not the one they carry.
    case WM_LBUTTONDOWN:
        InputState.LeftButton = true;
        InputState.LeftDownX = InputState.MouseX;
        InputState.LeftDownY = InputState.MouseY;
        return 0;
    case WM_LBUTTONUP:
        InputState.LeftButton = false;
        InputState.LeftUpX = InputState.MouseX;
        InputState.LeftUpY = InputState.MouseY;
        return 0;
    case WM_LBUTTONDBLCLK:
        // A double click stores its point as a press but does not mark the button held.
        InputState.LeftDoubleClick = true;
        InputState.LeftDownX = InputState.MouseX;
        InputState.LeftDownY = InputState.MouseY;
        return 0;
    case WM_RBUTTONDOWN:
        InputState.RightButton = true;
        InputState.RightDownX = InputState.MouseX;
        InputState.RightDownY = InputState.MouseY;
        return 0;
    case WM_RBUTTONUP:
        InputState.RightButton = false;
        InputState.RightUpX = InputState.MouseX;
        InputState.RightUpY = InputState.MouseY;
        return 0;
    case WM_RBUTTONDBLCLK:
        InputState.RightDoubleClick = true;
        InputState.RightDownX = InputState.MouseX;
        InputState.RightDownY = InputState.MouseY;
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
