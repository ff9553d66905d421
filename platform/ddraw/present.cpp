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

constexpr int DefaultRefreshRate = 60;  // hertz, where the monitor does not say

struct Display {
    HWND window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    bool fullscreen = false;
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

    // The window is first laid over the whole monitor by hand, then asked to go full screen: a
    // window manager makes it full screen proper, and where none runs (a bare X server) the
    // window already covers the screen at the size SDL will report for it.
    SDL_Rect bounds;
    const int monitor = SDL_GetWindowDisplayIndex(sdl);
    if (monitor >= 0 && SDL_GetDisplayBounds(monitor, &bounds) == 0) {
        SDL_SetWindowPosition(sdl, bounds.x, bounds.y);
        SDL_SetWindowSize(sdl, bounds.w, bounds.h);
    }
    display.fullscreen = SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
    if (!display.fullscreen) {
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
    SDL_SetRenderDrawColor(display.renderer, 0, 0, 0, 255);
    SDL_RenderClear(display.renderer);
    SDL_RenderPresent(display.renderer);
    window_set_picture(window, width, height, display.fullscreen);
    return true;
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
