// msgbox.cpp -- MessageBoxA: an SDL message box where a display exists, always also on stderr
//
// The box is modal: the call returns IDOK once the user closes it. Text and caption are
// Windows-1251 and are shown as UTF-8. Where no box can be shown (no display, SDL's dummy video
// driver) the text on standard error is all there is, and the call returns IDOK at once.
// SDL's X11 box takes its character set from the environment's locale: under a locale that is
// not UTF-8 (C or POSIX, as on a bare machine) it draws no Cyrillic at all, so the box is shown
// under a UTF-8 locale there. Its text needs X fonts with Cyrillic (xfonts-base).

#include <SDL.h>

#include <langinfo.h>
#include <locale.h>
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
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

// True when the named locale (empty: the one the environment gives) exists and is UTF-8.
bool locale_is_utf8(const char* name)
{
    locale_t locale = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0));
    if (!locale)
        return false;
    const char* codeset = nl_langinfo_l(CODESET, locale);
    const bool utf8 = codeset && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0);
    freelocale(locale);
    return utf8;
}

// While it lives, the environment names a UTF-8 locale where it named another one, so that the
// box SDL draws (in a process of its own) can show any text; the environment is put back after.
class Utf8Environment {
public:
    Utf8Environment()
    {
        if (locale_is_utf8(""))
            return;
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            if (!locale_is_utf8(name))
                continue;
            const char* previous = getenv("LC_ALL");
            hadPrevious_ = previous != nullptr;
            previous_ = previous ? previous : "";
            setenv("LC_ALL", name, 1);
            changed_ = true;
            return;
        }
    }
    ~Utf8Environment()
    {
        if (!changed_)
            return;
        if (hadPrevious_)
            setenv("LC_ALL", previous_.c_str(), 1);
        else
            unsetenv("LC_ALL");
    }

private:
    bool changed_ = false;
    bool hadPrevious_ = false;
    std::string previous_;
};

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
    const Utf8Environment environment;
    SDL_ShowSimpleMessageBox(kind, titleUtf8.c_str(), bodyUtf8.c_str(), nullptr);
    return IDOK;
}

void layer_capture_message_boxes(bool capture)
{
    captureBoxes = capture;
    capturedBoxes.clear();
}

const std::vector<LayerMessageBox>& layer_message_boxes() { return capturedBoxes; }
