// window.cpp -- the window procedure's lifecycle half, the message pump for game code and the
// fatal-error exit

#include "app.h"
#include "../display/display.h"
#include "../sound/sound.h"

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

}  // namespace

void AbortProgram(HWND window, const char* step)
{
    ReleaseDirectDraw();
    ReleaseSounds();
    ShowWindow(window, SW_HIDE);
    char message[256];
    wsprintfA(message, AbortFormat, step);
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
    case WM_DESTROY:
        AppActive = false;
        KillTimer(hMainWindow, TickTimerId);
        ReleaseDirectDraw();
        ReleaseSounds();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
