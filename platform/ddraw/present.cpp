// present.cpp -- the display behind DirectDraw's primary surface: an SDL renderer that shows the
// primary's picture full screen, scaled to the monitor and letterboxed
//
// A write to the primary lands in its memory at once, as it lands in video memory on a card; the
// monitor scans that memory out at its refresh rate. Here the scan-out is a texture upload and a
// render, done when the picture changed and at most once per refresh period, at the next write or
// the next message poll, so that a program drawing thousands of frames a second is not held to
// the speed of the renderer and the last picture drawn is always the one shown.
// 16-bit pictures go to an RGB565 texture, 32-bit ones to XRGB8888, 8-bit ones through the
// palette to XRGB8888. Where no full screen can be had, the window takes the picture's size.
//
// An opt-in frame cap, as display drivers offer one: ENGINE_FRAME_CAP set to a number of frames
// per second, or to "vsync" for the monitor's refresh rate, holds each present of the primary to
// that rate, sleeping until the next slot. Unset, presents are never held.
//
// For development, ENGINE_WINDOW (user32 reads it) shows the picture in a resizable window of
// that many times its size instead, centred on the desktop and shrunk, keeping its proportions,
// to what the desktop has room for; the picture scales with the window, letterboxed. Alt+Enter
// then switches between that window and full screen. ENGINE_SCALE chooses how a full screen is
// filled: "fit", the largest picture that fits (the default), "integer", the largest whole
// multiple with black around it, or "smooth", the largest fit filtered instead of pixel by pixel.

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "ddraw/present.h"
#include "user32/window.h"

namespace {

// How the picture fills a full screen (ENGINE_SCALE).
enum class Scaling { Fit, Integer, Smooth };

constexpr int DefaultRefreshRate = 60;  // hertz, where the monitor does not say

struct Display {
    HWND window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    bool fullscreen = false;
    bool borderless = false;    // the window had no frame of its own before the mode was set
    Scaling scaling = Scaling::Fit;
    Uint32 refreshPeriod = 16;  // milliseconds between scan-outs
    int refreshRate = 0;        // the monitor's, in hertz; 0 while it has not said
    Uint32 lastScanOut = 0;
    bool pending = false;       // the primary changed since the last scan-out
    const uint8_t* pixels = nullptr;
    int pitch = 0;
    uint32_t palette[256] = {};
    std::chrono::steady_clock::duration capPeriod{0};  // zero: no frame cap
    std::chrono::steady_clock::time_point nextSlot{};  // the earliest time of the next present
};

Display display;

// The period between presents that ENGINE_FRAME_CAP asks for: zero when it is unset or empty,
// the monitor's refresh period for "vsync" (60 Hz where the monitor does not say), one frame of
// a rate from 1 to 1000 otherwise. Any other value is named on stderr and leaves no cap.
std::chrono::steady_clock::duration frame_cap_period(int refreshRate)
{
    const char* value = getenv("ENGINE_FRAME_CAP");
    if (!value || !*value)
        return std::chrono::steady_clock::duration{0};
    long rate = 0;
    if (SDL_strcasecmp(value, "vsync") == 0) {
        rate = refreshRate > 0 ? refreshRate : DefaultRefreshRate;
    } else {
        char* end = nullptr;
        rate = strtol(value, &end, 10);
        if (*end != 0 || rate < 1 || rate > 1000) {
            fprintf(stderr, "layer: ENGINE_FRAME_CAP=%s is neither a rate from 1 to 1000 nor "
                            "\"vsync\"; presenting without a cap\n", value);
            return std::chrono::steady_clock::duration{0};
        }
    }
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::nanoseconds(1000000000 / rate));
}

// Holds a present until its slot when a frame cap is set. A program that falls behind starts a
// fresh schedule from now rather than presenting a burst of frames to catch up.
void wait_for_slot()
{
    if (display.capPeriod.count() == 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (display.nextSlot > now)
        std::this_thread::sleep_until(display.nextSlot);
    display.nextSlot = std::max(display.nextSlot, now) + display.capPeriod;
}

// The scaling ENGINE_SCALE asks for: Fit when it is unset or empty; any other value than fit,
// integer and smooth is named on stderr and fits.
Scaling scaling_setting()
{
    const char* value = getenv("ENGINE_SCALE");
    if (!value || !*value || SDL_strcasecmp(value, "fit") == 0)
        return Scaling::Fit;
    if (SDL_strcasecmp(value, "integer") == 0)
        return Scaling::Integer;
    if (SDL_strcasecmp(value, "smooth") == 0)
        return Scaling::Smooth;
    fprintf(stderr, "layer: ENGINE_SCALE=%s is none of fit, integer and smooth; scaling to fit\n",
            value);
    return Scaling::Fit;
}

// Lays the window over its whole monitor and makes it full screen; false when no full screen
// can be had. The window is first laid over the monitor by hand, then asked to go full screen:
// a window manager makes it full screen proper, and where none runs (a bare X server) the window
// already covers the screen at the size SDL will report for it.
bool show_full_screen(SDL_Window* sdl)
{
    SDL_SetWindowBordered(sdl, display.borderless ? SDL_FALSE : SDL_TRUE);
    SDL_Rect bounds;
    const int monitor = SDL_GetWindowDisplayIndex(sdl);
    if (monitor >= 0 && SDL_GetDisplayBounds(monitor, &bounds) == 0) {
        SDL_SetWindowPosition(sdl, bounds.x, bounds.y);
        SDL_SetWindowSize(sdl, bounds.w, bounds.h);
    }
    return SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}

// Shows the picture in a framed, resizable window of scale times its size, centred on the
// desktop's free area and shrunk, keeping its proportions, to fit in it. Where the desktop does
// not tell its free area, the window takes the size asked for, centred.
void show_in_window(SDL_Window* sdl, double scale)
{
    SDL_SetWindowFullscreen(sdl, 0);
    SDL_SetWindowBordered(sdl, SDL_TRUE);
    SDL_SetWindowResizable(sdl, SDL_TRUE);
    SDL_Rect usable;
    const int monitor = SDL_GetWindowDisplayIndex(sdl);
    if (monitor < 0 || SDL_GetDisplayUsableBounds(monitor, &usable) != 0 || usable.w <= 0 ||
        usable.h <= 0) {
        SDL_SetWindowSize(sdl, std::max(1, static_cast<int>(display.width * scale)),
                          std::max(1, static_cast<int>(display.height * scale)));
        SDL_SetWindowPosition(sdl, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        return;
    }
    const double room = std::min(static_cast<double>(usable.w) / display.width,
                                 static_cast<double>(usable.h) / display.height);
    const double shown = std::min(scale, room);
    const int width = std::max(1, static_cast<int>(display.width * shown + 1e-9));
    const int height = std::max(1, static_cast<int>(display.height * shown + 1e-9));
    SDL_SetWindowSize(sdl, width, height);
    SDL_SetWindowPosition(sdl, usable.x + (usable.w - width) / 2,
                          usable.y + (usable.h - height) / 2);
}

// Whole-number steps and filtering are the full screen's: a development window shows the
// picture at the largest fit, pixel by pixel.
void apply_scaling()
{
    const bool full = display.fullscreen;
    SDL_RenderSetIntegerScale(display.renderer,
                              full && display.scaling == Scaling::Integer ? SDL_TRUE : SDL_FALSE);
    SDL_SetTextureScaleMode(display.texture, full && display.scaling == Scaling::Smooth
                                                 ? SDL_ScaleModeLinear
                                                 : SDL_ScaleModeNearest);
}

void destroy_renderer()
{
    if (display.texture)
        SDL_DestroyTexture(display.texture);
    if (display.renderer)
        SDL_DestroyRenderer(display.renderer);
    display.texture = nullptr;
    display.renderer = nullptr;
}

void scan_out()
{
    display.pending = false;
    display.lastScanOut = SDL_GetTicks();
    SDL_Window* sdl = window_sdl(display.window);
    if (!sdl || !display.texture || !display.pixels)
        return;
    if (SDL_GetWindowFlags(sdl) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED))
        return;
    void* texels = nullptr;
    int texturePitch = 0;
    if (SDL_LockTexture(display.texture, nullptr, &texels, &texturePitch) != 0)
        return;
    const int rowBytes = display.width * (display.bitsPerPixel == 8 ? 1 : display.bitsPerPixel / 8);
    for (int y = 0; y < display.height; ++y) {
        const uint8_t* from = display.pixels + static_cast<ptrdiff_t>(y) * display.pitch;
        uint8_t* to = static_cast<uint8_t*>(texels) + static_cast<ptrdiff_t>(y) * texturePitch;
        if (display.bitsPerPixel == 8) {
            auto* out = reinterpret_cast<uint32_t*>(to);
            for (int x = 0; x < display.width; ++x)
                out[x] = display.palette[from[x]];
        } else {
            memcpy(to, from, rowBytes);
        }
    }
    SDL_UnlockTexture(display.texture);
    SDL_SetRenderDrawColor(display.renderer, 0, 0, 0, 255);
    SDL_RenderClear(display.renderer);
    SDL_RenderCopy(display.renderer, display.texture, nullptr, nullptr);
    SDL_RenderPresent(display.renderer);
}

}  // namespace

bool present_set_mode(HWND window, int width, int height, int bitsPerPixel)
{
    SDL_Window* sdl = window_sdl(window);
    if (!sdl)
        return false;
    destroy_renderer();
    if (display.window)
        window_set_picture(display.window, 0, 0, false);
    display = Display{};
    display.window = window;
    display.width = width;
    display.height = height;
    display.bitsPerPixel = bitsPerPixel;
    display.borderless = (SDL_GetWindowFlags(sdl) & SDL_WINDOW_BORDERLESS) != 0;
    display.scaling = scaling_setting();

    // A development window is placed once the renderer is made: on X, placed before, it is
    // found back at the place it was created at.
    const double windowScale = window_development_scale();
    if (windowScale <= 0)
        display.fullscreen = show_full_screen(sdl);
    if (!display.fullscreen && windowScale <= 0) {
        fprintf(stderr, "layer: no full screen (SDL: %s); showing %dx%d in a window\n",
                SDL_GetError(), width, height);
        SDL_SetWindowSize(sdl, width, height);
        SDL_SetWindowPosition(sdl, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    SDL_DisplayMode mode;
    int refreshRate = 0;
    if (SDL_GetWindowDisplayMode(sdl, &mode) == 0 && mode.refresh_rate > 0) {
        refreshRate = mode.refresh_rate;
        display.refreshRate = refreshRate;
        display.refreshPeriod = static_cast<Uint32>(1000 / mode.refresh_rate);
    }
    display.capPeriod = frame_cap_period(refreshRate);

    display.renderer = SDL_CreateRenderer(sdl, -1, 0);
    if (!display.renderer)
        display.renderer = SDL_CreateRenderer(sdl, -1, SDL_RENDERER_SOFTWARE);
    if (!display.renderer) {
        fprintf(stderr, "layer: SDL_CreateRenderer failed: %s\n", SDL_GetError());
        return false;
    }
    // The picture keeps its proportions on any monitor, with black bars where they differ.
    SDL_RenderSetLogicalSize(display.renderer, width, height);
    const Uint32 format = bitsPerPixel == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
    display.texture =
        SDL_CreateTexture(display.renderer, format, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!display.texture) {
        fprintf(stderr, "layer: SDL_CreateTexture failed: %s\n", SDL_GetError());
        destroy_renderer();
        return false;
    }
    if (windowScale > 0)
        show_in_window(sdl, windowScale);
    apply_scaling();
    SDL_SetRenderDrawColor(display.renderer, 0, 0, 0, 255);
    SDL_RenderClear(display.renderer);
    SDL_RenderPresent(display.renderer);
    window_set_picture(window, width, height, display.fullscreen);
    return true;
}

void present_switch_screen(HWND window)
{
    SDL_Window* sdl = window_sdl(window);
    const double windowScale = window_development_scale();
    if (!sdl || window != display.window || !display.renderer || windowScale <= 0)
        return;
    if (display.fullscreen) {
        show_in_window(sdl, windowScale);
        display.fullscreen = false;
    } else {
        display.fullscreen = show_full_screen(sdl);
        if (!display.fullscreen) {
            fprintf(stderr, "layer: no full screen (SDL: %s); staying in the window\n",
                    SDL_GetError());
            show_in_window(sdl, windowScale);
        }
    }
    apply_scaling();
    window_set_picture(window, display.width, display.height, display.fullscreen);
    // The picture is shown again at its new size.
    display.pending = display.pixels != nullptr;
    SDL_SetRenderDrawColor(display.renderer, 0, 0, 0, 255);
    SDL_RenderClear(display.renderer);
    SDL_RenderPresent(display.renderer);
}

void present_frame(const uint8_t* pixels, int width, int height, int pitch, int bitsPerPixel,
                   const uint32_t* palette)
{
    if (!display.renderer || bitsPerPixel != display.bitsPerPixel || width != display.width ||
        height != display.height)
        return;
    wait_for_slot();
    display.pixels = pixels;
    display.pitch = pitch;
    if (palette)
        memcpy(display.palette, palette, sizeof(display.palette));
    display.pending = true;
    if (SDL_GetTicks() - display.lastScanOut >= display.refreshPeriod)
        scan_out();
}

void present_pump()
{
    if (display.pending && SDL_GetTicks() - display.lastScanOut >= display.refreshPeriod)
        scan_out();
}

void present_forget(const uint8_t* pixels)
{
    if (display.pixels == pixels) {
        display.pixels = nullptr;
        display.pending = false;
    }
}

void present_release(HWND window)
{
    if (display.window != window)
        return;
    destroy_renderer();
    if (SDL_Window* sdl = window_sdl(window))
        SDL_SetWindowFullscreen(sdl, 0);
    window_set_picture(window, 0, 0, false);
    display = Display{};
}

int present_refresh_rate()
{
    return display.refreshRate > 0 ? display.refreshRate : DefaultRefreshRate;
}

bool present_desktop_size(int* width, int* height)
{
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0)
        return false;
    *width = mode.w;
    *height = mode.h;
    return true;
}
