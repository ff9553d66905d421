// layer_faults_test.cpp -- the layer's fault injection (only real call names, the last error set as
// the platform sets it, out-pointers cleared) and its notes of what it leaves out

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dsound.h"
#include "support.h"

TEST(Faults, ANameNoCallHasEndsTheTest)
{
    // Such a test would pass without anything failing.
    EXPECT_DEATH(layer_fail_call("CreateFileW"), "CreateFileW");
    EXPECT_DEATH(layer_fail_call("IDirectDrawSurface7::Flip"), "Flip");
    EXPECT_DEATH(layer_fail_call("createfilea"), "createfilea");
}

TEST(Faults, CallsWithoutAnHresultSetTheLastError)
{
    constexpr DWORD Code = ERROR_NOT_ENOUGH_MEMORY;
    constexpr HRESULT Wrapped = static_cast<HRESULT>(0x80070000u | Code);  // HRESULT_FROM_WIN32
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "faults";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    WNDCLASSA another = windowClass;
    another.lpszClassName = "faults-2";
    struct Row {
        const char* call;
        bool (*failed)(const WNDCLASSA&);
    };
    const Row rows[] = {
        {"RegisterClassA", [](const WNDCLASSA& c) { return RegisterClassA(&c) == 0; }},
        {"CreateWindowExA", [](const WNDCLASSA&) {
             return CreateWindowExA(0, "faults", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                                    nullptr, nullptr) == nullptr;
         }},
        {"CreateFontA", [](const WNDCLASSA&) {
             return CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial") == nullptr;
         }},
        {"CreateFileA", [](const WNDCLASSA&) {
             return CreateFileA("any", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) ==
                    INVALID_HANDLE_VALUE;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.call);
        SetLastError(0);
        layer_fail_call(row.call, 0, Wrapped);
        EXPECT_TRUE(row.failed(another));
        EXPECT_EQ(GetLastError(), Code);
        layer_clear_faults();
    }
}

TEST(Unsupported, EachCallNotesEachThingOnce)
{
    LayerDevice display(16, 16, 16);
    IDirectDrawSurface7* surface = display.Offscreen(4, 4);
    // stderr goes to a file while the calls are made.
    fflush(stderr);
    FILE* capture = tmpfile();
    ASSERT_NE(capture, nullptr);
    const int saved = dup(fileno(stderr));
    dup2(fileno(capture), fileno(stderr));
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | 0x800 /* DDFX */, &fx), DDERR_UNSUPPORTED);
        EXPECT_EQ(surface->Lock(nullptr, &desc, 0x10000000, nullptr), DDERR_UNSUPPORTED);
        EXPECT_EQ(CreateFileA("x", 0x10000000 /* GENERIC_ALL */, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), 50u) << "ERROR_NOT_SUPPORTED";
    }
    fflush(stderr);
    dup2(saved, fileno(stderr));
    close(saved);
    std::string text;
    rewind(capture);
    for (int c; (c = fgetc(capture)) != EOF;)
        text += static_cast<char>(c);
    fclose(capture);
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    ASSERT_EQ(lines.size(), 3u) << text;
    EXPECT_EQ(lines[0].rfind("layer: IDirectDrawSurface7::Blt: ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("layer: IDirectDrawSurface7::Lock: ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("layer: CreateFileA: ", 0), 0u) << lines[2];
    for (const std::string& line : lines)
        EXPECT_EQ(line.substr(line.size() - 17), " is not supported") << line;
    surface->Release();
}

TEST(Faults, CallsThatHandAnObjectOutLeaveNullWhenMadeToFail)
{
    LayerDevice display(16);
    IDirectDrawSurface7* surface = display.Offscreen(4, 4);
    auto* sentinel = reinterpret_cast<IDirectDrawSurface7*>(0x1234);
    IDirectDrawSurface7* attached = sentinel;
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    layer_fail_call("IDirectDrawSurface7::GetAttachedSurface", 0, DDERR_GENERIC);
    EXPECT_EQ(surface->GetAttachedSurface(&caps, &attached), DDERR_GENERIC);
    EXPECT_EQ(attached, nullptr);
    IDirectSound* sound = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
    auto* buffer = reinterpret_cast<IDirectSoundBuffer*>(0x1234);
    layer_fail_call("IDirectSound::CreateSoundBuffer", 0, DSERR_OUTOFMEMORY);
    EXPECT_EQ(sound->CreateSoundBuffer(nullptr, &buffer, nullptr), DSERR_OUTOFMEMORY);
    EXPECT_EQ(buffer, nullptr);
    sound->Release();
    surface->Release();
}

TEST(Faults, GdiSettersOnABadHandleSetTheLastError)
{
    auto* bad = reinterpret_cast<HDC>(0x1234);
    SetLastError(0);
    EXPECT_EQ(SetBkColor(bad, RGB(1, 2, 3)), CLR_INVALID);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_EQ(SetTextColor(bad, RGB(1, 2, 3)), CLR_INVALID);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}
