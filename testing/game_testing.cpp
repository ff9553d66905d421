// game_testing.cpp -- the installed test library for games, on the layer's own test hooks: the
// game's window found among user32's windows, input posted to it as the SDL backend posts it,
// the controller an SDL virtual joystick, the sound mixed by hand into memory
//
// Linux only, like the layer it reaches into; nothing here is part of the engine.

#include "testing/game_testing.h"

#include <SDL.h>

#include <cstdlib>
#include <string>

#include "testing.h"
#include "user32/window_table.h"

namespace {

WPARAM heldButtons = 0;  // the MK_ flags of the scripted buttons that are down
SDL_Joystick* controller = nullptr;
SDL_JoystickID controllerId = -1;

// The game's window: the active visible one, else any visible one; null before it is shown.
HWND game_window()
{
    HWND visible = nullptr;
    for (user32::Window* window : user32::windows()) {
        if (window->destroying || !window->visible)
            continue;
        if (window->active)
            return user32::handle_of(window);
        visible = user32::handle_of(window);
    }
    return visible;
}

// The characters TranslateMessage makes of a key going down, for the keys that make one alone.
std::string control_chars(int virtualKey)
{
    switch (virtualKey) {
    case VK_BACK: return "\b";
    case VK_TAB: return "\t";
    case VK_RETURN: return "\r";
    case VK_ESCAPE: return "\x1b";
    default: return "";
    }
}

}  // namespace

void UseHeadlessDisplay()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

void CaptureGameSound() { layer_capture_sound(true); }

void SetTestClock(DWORD milliseconds) { layer_set_time(milliseconds); }

void AdvanceTestClock(DWORD milliseconds) { layer_advance_time(milliseconds); }

void UseRealClock() { layer_use_real_time(); }

bool ScriptKey(int virtualKey, bool down)
{
    const HWND window = game_window();
    if (!window || virtualKey <= 0 || virtualKey > 0xFE)
        return false;
    // Repeat count 1; a release has the previous-state and transition bits set.
    const LPARAM lParam = down ? 1 : static_cast<LPARAM>(0xC0000001u);
    window_post_key(window, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(virtualKey), lParam,
                    down ? control_chars(virtualKey) : std::string());
    layer_set_key_state(virtualKey, down);
    return true;
}

bool ScriptText(const char* text)
{
    const HWND window = game_window();
    if (!window || !text)
        return false;
    window_post_text(window, text);  // after a key still without its characters, as that key's
    return true;
}

bool ScriptMouseMove(int x, int y)
{
    const HWND window = game_window();
    if (!window)
        return false;
    window_post_mouse(window, WM_MOUSEMOVE, x, y, heldButtons);
    return true;
}

bool ScriptMouseButton(int button, bool down, int x, int y)
{
    static const UINT presses[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    static const WPARAM flags[] = {MK_LBUTTON, MK_RBUTTON, MK_MBUTTON};
    const HWND window = game_window();
    if (!window || button < 0 || button > 2)
        return false;
    heldButtons = down ? heldButtons | flags[button] : heldButtons & ~flags[button];
    // The up message of each button follows its down message.
    const UINT message = down ? presses[button] : presses[button] + (WM_LBUTTONUP - WM_LBUTTONDOWN);
    window_post_mouse(window, message, x, y, heldButtons);
    return true;
}

bool ScriptClick(int x, int y) { return ScriptMouseButton(0, true, x, y) && ScriptMouseButton(0, false, x, y); }

bool ScriptMouseWheel(int delta, int x, int y)
{
    const HWND window = game_window();
    if (!window)
        return false;
    const WPARAM wParam = MAKEWPARAM(static_cast<WORD>(heldButtons), static_cast<WORD>(static_cast<short>(delta)));
    window_post_mouse(window, WM_MOUSEWHEEL, x, y, wParam);
    return true;
}

bool AttachTestController(int axes, int buttons)
{
    DetachTestController();
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
        return false;
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, axes, buttons, 0);
    if (index < 0)
        return false;
    controllerId = SDL_JoystickGetDeviceInstanceID(index);
    controller = SDL_JoystickOpen(index);
    return controller != nullptr;
}

void SetTestControllerAxis(int axis, int value)
{
    if (controller)
        SDL_JoystickSetVirtualAxis(controller, axis, static_cast<Sint16>(value < -32768 ? -32768 : value > 32767 ? 32767 : value));
}

void SetTestControllerButton(int button, bool down)
{
    if (controller)
        SDL_JoystickSetVirtualButton(controller, button, down ? SDL_PRESSED : SDL_RELEASED);
}

void DetachTestController()
{
    if (!controller)
        return;
    SDL_JoystickClose(controller);
    controller = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == controllerId)
            SDL_JoystickDetachVirtual(i);
    controllerId = -1;
}

void OnEveryFrame(std::function<void()> callback) { layer_on_present(std::move(callback)); }

bool ReadScreen(ScreenPixels* screen)
{
    LayerPicture picture;
    if (!screen || !layer_window_picture(&picture))
        return false;
    screen->width = picture.width;
    screen->height = picture.height;
    screen->pixels = std::move(picture.pixels);
    return true;
}

int CapturedSoundRate()
{
    LayerAudioOutput output;
    return layer_audio_output(&output) ? output.rate : 0;
}

std::vector<int16_t> TakeCapturedSound(size_t frames)
{
    std::vector<int16_t> samples(frames * 2);
    samples.resize(layer_mix_captured_sound(samples.data(), frames) * 2);
    return samples;
}
