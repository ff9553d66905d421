// testing.h -- the platform layer's back door for tests: fault injection, injected input and time,
// captured message boxes and a view of what the window shows. The engine never includes it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ddraw.h"
#include "windows.h"

// Makes the named API call fail. nth = 0: every call from now on; nth = k: only the k-th call
// from now on. Names are the API's own ("CreateFileA", "DirectDrawCreateEx") and, for interface
// methods, "Interface::Method" ("IDirectDraw7::SetDisplayMode", "IDirectDrawSurface7::Restore").
// Calls that return an HRESULT return result; the others fail as the platform does (FALSE, null,
// 0, INVALID_HANDLE_VALUE) with result's code (its low 16 bits) as the last error. A name that no
// call of the layer answers to ends the program with a message: such a test could only pass.
void layer_fail_call(const char* name, int nth = 0, HRESULT result = E_FAIL);
void layer_clear_faults();

// The video memory that off-screen, primary and back-buffer surfaces may take; creation in video
// memory fails with DDERR_OUTOFVIDEOMEMORY beyond it.
void layer_set_video_memory(size_t bytes);
size_t layer_video_memory_used();

// Fills and copies keep to the instructions every x86-64 processor has (no AVX2, no string
// stores), so that tests reach the paths other machines take.
void layer_use_baseline_pixel_paths(bool baseline);

// Loses one surface, or every surface the platform loses when an exclusive application loses the
// display (the primary chain and all video-memory surfaces).
void layer_set_surface_lost(IDirectDrawSurface7* surface);
void layer_lose_surfaces();

// Reads a setting in ENGINE_TRACE's syntax ("ddraw,kernel32", "all+calls", "" for none) in place of
// the one the program started with, after writing the repeat counts the previous one held.
void layer_set_trace(const char* setting);

// Key states seen by GetAsyncKeyState in place of the keyboard's own.
void layer_set_key_state(int virtualKey, bool down);
void layer_clear_key_states();

// Posts or sends a message as another part of the system would.
BOOL layer_post_message(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT layer_send_message(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The millisecond clock of timeGetTime: frozen at a value, moved by hand, or back to real time.
// While it is frozen, Sleep and the waits built on it move it on instead of waiting.
void layer_set_time(DWORD milliseconds);
void layer_advance_time(DWORD milliseconds);
void layer_use_real_time();

// Message boxes recorded instead of shown (they are still written to standard error).
struct LayerMessageBox {
    HWND owner;
    std::string text;     // as passed, Windows-1251
    std::string caption;  // as passed, Windows-1251
    UINT type;
    bool ownerVisible;    // whether the owner window was shown when the box came up
};
void layer_capture_message_boxes(bool capture);
const std::vector<LayerMessageBox>& layer_message_boxes();

// What the window shows: the primary surface's picture as 0x00RRGGBB pixels, the palette applied.
struct LayerPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
bool layer_window_picture(LayerPicture* picture);
unsigned layer_present_count();

struct LayerWindowInfo {
    bool visible = false;
    bool minimized = false;
    bool fullscreen = false;
    int width = 0;   // the window's own size
    int height = 0;
};
bool layer_window_info(HWND window, LayerWindowInfo* info);

// Callbacks: after every present of the primary, and before every DispatchMessageA.
void layer_on_present(std::function<void()> callback);
void layer_on_dispatch(std::function<void(const MSG&)> callback);

// The installed face that text drawn on a DC with its selected font comes from, as fontconfig
// names it (family "Liberation Serif", style "Bold"); false for a bad DC or when no face at all
// could be had.
bool layer_font_face(HDC dc, std::string* family, std::string* style);
// The sound output that DirectSound objects play into, while one is open: its rate, its
// channels, whether it is the null output of a machine without audio, and how many frames it
// has mixed since it opened (they advance in real time).
struct LayerAudioOutput {
    bool null = false;
    int rate = 0;
    int channels = 0;
    uint64_t framesMixed = 0;
};
bool layer_audio_output(LayerAudioOutput* output);

// With capture on, the sound output that DirectSound objects open next is memory instead of a
// device: nothing is heard and nothing advances on its own; layer_mix_captured_sound mixes the
// next frames (16-bit stereo, interleaved left then right, at the output's rate) into samples and
// answers how many, 0 when no captured output is open. Set it before the first DirectSound object.
void layer_capture_sound(bool capture);
size_t layer_mix_captured_sound(int16_t* samples, size_t frames);
