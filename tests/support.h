// support.h -- what the tests share: a display brought up as the program brings it up, a scratch
// directory to run in, files written byte by byte, and the SDL window behind a window handle
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <testing.h>

#include "app/app.h"
#include "display/display.h"
#include "game_display.h"

struct SDL_Window;

// OpenGameWindow, then InitDirectDraw at 800 x 600 and the depth, with message boxes captured.
// Returns InitDirectDraw's answer.
bool BringUpDisplay(int depth);

// A fresh temporary directory that is the working directory while the object lives.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

// An 8-bit BMP of width x height whose colour table entry i is (i, 255 - i, i / 2) except where
// entries says otherwise (index, red, green, blue).
struct TableEntry {
    int index;
    uint8_t red, green, blue;
};
std::vector<uint8_t> PaletteBitmap(const std::vector<TableEntry>& entries = {});

// The one SDL window of the test process, for pushing window events at it.
SDL_Window* OnlySdlWindow();
void PushWindowEvent(int windowEvent);

// Fills every byte of a surface's rows (padding included) with value.
void FillSurfaceBytes(IDirectDrawSurface7* surface, uint8_t value);

// The module instance the test windows are registered with.
HINSTANCE TestInstance();
// A hidden popup window at the origin, of a class of its own that is registered on first use.
HWND MakeTestWindow(const char* className, WNDPROC procedure, int width, int height,
                    UINT classStyle = 0);
// Every window MakeTestWindow made; the tests' teardown destroys those still there.
std::vector<HWND>& TestWindows();

// A DirectDraw device of its own, exclusive full screen at width x height x bits on a window of
// its own: how the layer tests reach the API without the engine. Whatever the test has not given
// back itself (ReleaseDevice) goes with the object.
class LayerDevice {
public:
    explicit LayerDevice(int bits, int width = 64, int height = 48);
    ~LayerDevice();
    // Releases the test's reference to the device and answers the count left.
    ULONG ReleaseDevice();
    // An off-screen plain surface placed as asked; null, with *result saying why, when refused.
    // Without a result the surface is expected to be made.
    IDirectDrawSurface7* Offscreen(int width, int height, DWORD placement = DDSCAPS_SYSTEMMEMORY,
                                   HRESULT* result = nullptr);

    HWND window = nullptr;
    IDirectDraw7* dd = nullptr;
};

// One pixel of a surface, of whatever depth its description gives.
uint32_t ReadPixel(IDirectDrawSurface7* surface, int x, int y);
void WritePixel(IDirectDrawSurface7* surface, int x, int y, uint32_t value);

// Stand-ins for the objects a teardown gives back: Release notes the stand-in's name in
// ReleaseLog and answers 0; every other call fails.
extern std::vector<std::string> ReleaseLog;

template <typename Interface>
struct Noted : Interface {
    explicit Noted(const char* noted) : name(noted) {}
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ReleaseLog.push_back(name);
        return 0;
    }
    const char* name;
};

struct NotedSurface : Noted<IDirectDrawSurface7> {
    using Noted::Noted;
    HRESULT STDMETHODCALLTYPE Blt(LPRECT, LPDIRECTDRAWSURFACE7, LPRECT, DWORD, LPDDBLTFX) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE BltFast(DWORD, DWORD, LPDIRECTDRAWSURFACE7, LPRECT, DWORD) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS2, LPDIRECTDRAWSURFACE7*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE GetColorKey(DWORD, LPDDCOLORKEY) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE GetDC(HDC*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC2) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE IsLost() override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE Lock(LPRECT, LPDDSURFACEDESC2, DWORD, HANDLE) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE Restore() override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE SetColorKey(DWORD, LPDDCOLORKEY) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE Unlock(LPRECT) override { return E_FAIL; }
};

struct NotedDirectDraw : Noted<IDirectDraw7> {
    using Noted::Noted;
    HRESULT STDMETHODCALLTYPE CreatePalette(DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE*, IUnknown*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC2, LPDIRECTDRAWSURFACE7*, IUnknown*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD, DWORD, DWORD, DWORD, DWORD) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE WaitForVerticalBlank(DWORD, HANDLE) override { return E_FAIL; }
};

struct NotedDirectSound : Noted<IDirectSound> {
    using Noted::Noted;
    HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC, LPLPDIRECTSOUNDBUFFER, LPUNKNOWN) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER, LPLPDIRECTSOUNDBUFFER) override { return E_FAIL; }
};

struct NotedDirectInput : Noted<IDirectInput8A> {
    using Noted::Noted;
    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID, LPDIRECTINPUTDEVICE8A*, LPUNKNOWN) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE EnumDevices(DWORD, LPDIENUMDEVICESCALLBACKA, LPVOID, DWORD) override { return E_FAIL; }
};

// The abort box's text for a step, in Windows-1251, typed out byte by byte.
std::string AbortText(const std::string& step);
