// support.cpp -- shared test helpers

#include "support.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

HWND OpenGameWindow()
{
    static HINSTANCE__ instance{};
    WNDCLASSA windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = &instance;
    windowClass.lpszClassName = "game";
    RegisterClassA(&windowClass);
    hMainWindow = CreateWindowExA(0, "game", "game", WS_POPUP, 0, 0, 1024, 768, nullptr, nullptr,
                                  &instance, nullptr);
    ShowWindow(hMainWindow, SW_SHOWNORMAL);
    return hMainWindow;
}

bool BringUpDisplay(int depth)
{
    layer_capture_message_boxes(true);
    if (!hMainWindow)
        OpenGameWindow();
    ScreenWidth = 800;
    ScreenHeight = 600;
    return InitDirectDraw(hMainWindow, depth);
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

std::string AbortText(const std::string& step)
{
    // "Программа прервана" LF "Ошибка в " and the step.
    return std::string("\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 \xEF\xF0\xE5\xF0\xE2\xE0\xED\xE0\n"
                       "\xCE\xF8\xE8\xE1\xEA\xE0 \xE2 ") +
           step;
}
