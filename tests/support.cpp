// support.cpp -- shared test helpers

#include "support.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

bool BringUpDisplay(int depth)
{
    layer_capture_message_boxes(true);
    return BringUpGameDisplay(depth);
}

ScratchDirectory::ScratchDirectory()
{
    char pattern[] = "/tmp/engine-test-XXXXXX";
    path_ = mkdtemp(pattern);
    previous_ = std::filesystem::current_path().string();
    std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory()
{
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(path_);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::path file(path);
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> PaletteBitmap(const std::vector<TableEntry>& entries)
{
    std::vector<uint8_t> file(1078 + 4, 0);
    file[0] = 'B';
    file[1] = 'M';
    file[10] = 0x36;  // pixel data at 1078 = 0x436
    file[11] = 0x04;
    file[14] = 40;
    file[18] = 2;  // 2 x 2 pixels
    file[22] = 2;
    file[26] = 1;
    file[28] = 8;
    for (int i = 0; i < 256; ++i) {
        file[54 + 4 * i] = static_cast<uint8_t>(i / 2);      // blue
        file[54 + 4 * i + 1] = static_cast<uint8_t>(255 - i); // green
        file[54 + 4 * i + 2] = static_cast<uint8_t>(i);      // red
        file[54 + 4 * i + 3] = 0x5A;                          // reserved: never read
    }
    for (const TableEntry& e : entries) {
        file[54 + 4 * e.index] = e.blue;
        file[54 + 4 * e.index + 1] = e.green;
        file[54 + 4 * e.index + 2] = e.red;
    }
    return file;
}

SDL_Window* OnlySdlWindow()
{
    for (Uint32 id = 1; id < 64; ++id)
        if (SDL_Window* window = SDL_GetWindowFromID(id))
            return window;
    return nullptr;
}

void PushWindowEvent(int windowEvent)
{
    SDL_Window* window = OnlySdlWindow();
    ASSERT_NE(window, nullptr);
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = SDL_GetWindowID(window);
    event.window.event = static_cast<Uint8>(windowEvent);
    SDL_PushEvent(&event);
}

void FillSurfaceBytes(IDirectDrawSurface7* surface, uint8_t value)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    memset(desc.lpSurface, value, static_cast<size_t>(desc.lPitch) * desc.dwHeight);
    surface->Unlock(nullptr);
}

HINSTANCE TestInstance()
{
    static HINSTANCE__ instance{};
    return &instance;
}

HWND MakeTestWindow(const char* className, WNDPROC procedure, int width, int height, UINT classStyle)
{
    WNDCLASSA windowClass{};
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = TestInstance();
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    const HWND window = CreateWindowExA(0, className, "title", WS_POPUP, 0, 0, width, height, nullptr,
                                        nullptr, TestInstance(), nullptr);
    if (window)
        TestWindows().push_back(window);
    return window;
}

std::vector<HWND>& TestWindows()
{
    static std::vector<HWND> windows;
    return windows;
}

LayerDevice::LayerDevice(int bits, int width, int height)
{
    window = MakeTestWindow("layer-test", DefWindowProcA, width, height);
    ShowWindow(window, SW_SHOWNORMAL);
    EXPECT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
    EXPECT_EQ(dd->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    EXPECT_EQ(dd->SetDisplayMode(width, height, bits, 0, 0), DD_OK);
}

LayerDevice::~LayerDevice()
{
    if (dd)
        dd->Release();
    DestroyWindow(window);
}

ULONG LayerDevice::ReleaseDevice()
{
    const ULONG left = dd->Release();
    dd = nullptr;
    return left;
}

IDirectDrawSurface7* LayerDevice::Offscreen(int width, int height, DWORD placement, HRESULT* result)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | placement;
    IDirectDrawSurface7* surface = nullptr;
    const HRESULT hr = dd->CreateSurface(&desc, &surface, nullptr);
    if (result)
        *result = hr;
    else
        EXPECT_EQ(hr, DD_OK) << "an off-screen surface of " << width << " x " << height;
    return surface;
}

uint32_t ReadPixel(IDirectDrawSurface7* surface, int x, int y)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    const size_t bytes = desc.ddpfPixelFormat.dwRGBBitCount / 8;
    uint32_t value = 0;
    memcpy(&value, static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch + x * bytes, bytes);
    surface->Unlock(nullptr);
    return value;
}

void WritePixel(IDirectDrawSurface7* surface, int x, int y, uint32_t value)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    const size_t bytes = desc.ddpfPixelFormat.dwRGBBitCount / 8;
    memcpy(static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch + x * bytes, &value, bytes);
    surface->Unlock(nullptr);
}

std::vector<std::string> ReleaseLog;

std::string AbortText(const std::string& step)
{
    // "Программа прервана" LF "Ошибка в " and the step.
    return std::string("\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 \xEF\xF0\xE5\xF0\xE2\xE0\xED\xE0\n"
                       "\xCE\xF8\xE8\xE1\xEA\xE0 \xE2 ") +
           step;
}
