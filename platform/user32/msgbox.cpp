// msgbox.cpp -- MessageBoxA: an SDL message box where a display exists, always also on stderr
//
// The box is modal: the call returns IDOK once the user closes it. Text and caption are
// Windows-1251 and are shown as UTF-8. Where no box can be shown (no display, SDL's dummy video
// driver) the text on standard error is all there is, and the call returns IDOK at once.

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "faults.h"
#include "kernel32/codepage.h"
#include "user32/sdl_window.h"
#include "testing.h"

namespace {

// The calls here that a test can make fail.
const FaultHook MessageBoxAFault("MessageBoxA");

bool captureBoxes = false;
std::vector<LayerMessageBox> capturedBoxes;

}  // namespace

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    if (layer_fault_sets_last_error(MessageBoxAFault))
        return 0;
    const char* body = text ? text : "";
    const char* title = caption ? caption : "Error";  // the platform's caption when none is given
    const std::string bodyUtf8 = cp1251_to_utf8(body, strlen(body));
    const std::string titleUtf8 = cp1251_to_utf8(title, strlen(title));
    fprintf(stderr, "%s: %s\n", titleUtf8.c_str(), bodyUtf8.c_str());
    fflush(stderr);

    if (captureBoxes) {
        LayerWindowInfo info;
        const bool visible = layer_window_info(owner, &info) && info.visible;
        capturedBoxes.push_back(LayerMessageBox{owner, body, title, type, visible});
        return IDOK;
    }
    if (!sdl_video_ready())
        return IDOK;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || strcmp(driver, "dummy") == 0)
        return IDOK;
    const Uint32 kind = (type & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    // Blocks until the user closes the box.
    SDL_ShowSimpleMessageBox(kind, titleUtf8.c_str(), bodyUtf8.c_str(), nullptr);
    return IDOK;
}

void layer_capture_message_boxes(bool capture)
{
    captureBoxes = capture;
    capturedBoxes.clear();
}

const std::vector<LayerMessageBox>& layer_message_boxes() { return capturedBoxes; }
