// internal.h -- what the layer's modules share among themselves; not API, never seen by the engine
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ddraw.h"
#include "dinput.h"
#include "mmsystem.h"
#include "windows.h"

struct SDL_Window;
struct _SDL_Joystick;
typedef struct _SDL_Joystick SDL_Joystick;

// --- faults (faults.cpp) -----------------------------------------------------------------------
// True when a test made this call fail; *result then holds the HRESULT to return. Every API entry
// asks, so the question costs one flag test while no test has armed a failure.
extern bool layerFaultsArmed;
bool layer_fault_lookup(const char* name, HRESULT* result);
inline bool layer_fault(const char* name, HRESULT* result = nullptr)
{
    return layerFaultsArmed && layer_fault_lookup(name, result);
}

// --- code page (codepage.cpp) ------------------------------------------------------------------
// Windows-1251 bytes to UTF-8 and back; characters outside the code page become '?'.
std::string cp1251_to_utf8(const char* text, size_t length);
std::string utf8_to_cp1251(const char* text);
char32_t cp1251_to_unicode(unsigned char byte);
// The Windows-1251 byte of a character, or -1 when the code page has none.
int unicode_to_cp1251(char32_t ch);

// --- windows and messages (window.cpp) ---------------------------------------------------------
bool window_is_valid(HWND window);
SDL_Window* window_sdl(HWND window);
HWND window_from_sdl(SDL_Window* sdl);
LRESULT window_send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL window_post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// A mouse message at (x, y) in window coordinates with the MK_ flags in keys. A press becomes a
// double click where the window's class asks for them; a move replaces a move still queued.
void window_post_mouse(HWND window, UINT message, int x, int y, WPARAM keys);
// A key message; chars are the Windows-1251 characters TranslateMessage makes of a key-down
// (the control characters of Backspace, Tab, Enter, Esc and Ctrl with a letter).
void window_post_key(HWND window, UINT message, WPARAM virtualKey, LPARAM lParam,
                     const std::string& chars);
// Typed text in Windows-1251: the characters of the key-down queued just before it, or, without
// one, characters of their own.
void window_post_text(HWND window, const std::string& chars);
// The window is visible, active and not minimized.
bool window_is_foreground(HWND window);
// What the SDL backend reports about a window; each sends the platform's messages.
void window_on_minimized(HWND window, bool minimized);
void window_on_focus(HWND window, bool focused);
void window_on_exposed(HWND window);

// --- SDL window backend (sdl_window.cpp) -------------------------------------------------------
// Brings SDL's video up once; false (with a note on stderr) when there is no display at all.
bool sdl_video_ready();
SDL_Window* sdl_create_window(const char* titleUtf8, int x, int y, int width, int height,
                              bool borderless);
void sdl_destroy_window(SDL_Window* sdl);
void sdl_show_window(SDL_Window* sdl, bool show);
void sdl_minimize_window(SDL_Window* sdl, bool minimize);
void sdl_window_size(SDL_Window* sdl, int* width, int* height);
void sdl_show_cursor(bool show);
bool sdl_key_down(int virtualKey);
// Takes SDL's pending events and turns them into the platform's messages.
void sdl_pump_events();

// --- SDL joystick backend (sdl_joystick.cpp) --------------------------------------------------
struct JoystickDevice {
    int32_t id = -1;        // SDL's instance id, the same while the device stays attached
    std::string name;       // UTF-8
    int type = 0;           // DI8DEVTYPE_*
    uint16_t vendor = 0;
    uint16_t product = 0;
};
struct JoystickReading {
    static constexpr int MostAxes = 8;
    static constexpr int MostButtons = 32;
    static constexpr int MostHats = 4;
    int32_t axes[MostAxes] = {};     // -32768 .. 32767
    bool buttons[MostButtons] = {};
    int32_t hats[MostHats] = {};     // hundredths of a degree clockwise from north, -1 centred
};
// Brings SDL's joystick support up once; false (with a note on stderr) when it cannot be had.
bool sdl_joystick_ready();
// The attached controllers, in SDL's order.
std::vector<JoystickDevice> sdl_joystick_list();
// Opens the attached device with that id; null when it is gone.
SDL_Joystick* sdl_joystick_open(int32_t id);
void sdl_joystick_close(SDL_Joystick* joystick);
// How many axes, buttons and hats the device has, each at most what a reading holds.
void sdl_joystick_counts(SDL_Joystick* joystick, int* axes, int* buttons, int* hats);
// The device's state now; false when it has been unplugged.
bool sdl_joystick_read(SDL_Joystick* joystick, JoystickReading* reading);

// --- DirectInput (dinput.cpp) ------------------------------------------------------------------
// The window left the foreground (deactivated, minimized, hidden or destroyed): devices held in
// the foreground for it lose their input.
void dinput_window_deactivated(HWND window);

// --- display (present.cpp) ---------------------------------------------------------------------
// Shows a width x height picture full screen on the window (scaled and letterboxed), or in a
// window of that size where no full screen can be had.
bool present_set_mode(HWND window, int width, int height, int bitsPerPixel);
// Sends the picture to the window; palette (256 entries 0x00RRGGBB) only at 8 bits.
void present_frame(const uint8_t* pixels, int pitch, int bitsPerPixel, const uint32_t* palette);
// Scans a changed picture out if its refresh period has passed; called at every message poll.
void present_pump();
// The primary whose memory this is is going away: nothing is read from it again.
void present_forget(const uint8_t* pixels);
// Leaves full screen and drops the renderer; called when the display object goes or the window
// is destroyed.
void present_release(HWND window);
bool present_fullscreen(HWND window);
// The size of the desktop the window is on; false when it cannot be told.
bool present_desktop_size(int* width, int* height);

// --- ddraw <-> gdi -----------------------------------------------------------------------------
// The pixels a device context draws into.
struct SurfacePixels {
    uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;
    int bitsPerPixel = 0;
    const PALETTEENTRY* palette = nullptr;  // 256 entries at 8 bits, else null
};
HDC gdi_create_surface_dc(const SurfacePixels& pixels);
void gdi_delete_surface_dc(HDC dc);
// The pixels behind a surface DC; null for a handle that is not one.
const SurfacePixels* gdi_dc_target(HDC dc);
// A COLORREF as GDI stores it into a surface of that depth.
uint32_t gdi_color_to_pixel(COLORREF color, int bitsPerPixel, const PALETTEENTRY* palette);

// --- sound output (sdl_audio.cpp) --------------------------------------------------------------
// Opens the output that every DirectSound object shares (counted: the last close shuts it):
// SDL's default audio device, or a null output that mixes in real time where there is none.
bool sdl_audio_open();
void sdl_audio_close();

// --- present bookkeeping (ddraw.cpp) -----------------------------------------------------------
// The window is going: the display object lets go of it.
void ddraw_window_destroyed(HWND window);
// The window's contents were lost (uncovered, restored): show the primary again.
void ddraw_window_exposed(HWND window);
