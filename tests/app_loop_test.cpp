// app_loop_test.cpp -- the program run whole: start-up, the main loop, the fatal paths, teardown

#include <SDL.h>
#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "support.h"
#include "input/input.h"
#include "scene/scene.h"
#include "sound/sound.h"

namespace {

HINSTANCE__ testInstance{};

// Runs WinMain with message boxes captured; the present hook sees every frame.
int RunProgram() { return WinMain(&testInstance, nullptr, const_cast<char*>(""), SW_SHOWNORMAL); }

// Counts frames; a program that should have stopped is stopped after a few.
struct FrameCounter {
    int frames = 0;
    FrameCounter()
    {
        layer_on_present([this] {
            if (++frames == 10)
                layer_set_key_state(VK_ESCAPE, true);
        });
    }
};

void ExpectTornDown()
{
    EXPECT_FALSE(AppActive);
    EXPECT_EQ(pDirectDraw, nullptr);
    EXPECT_EQ(pPrimarySurface, nullptr);
    EXPECT_EQ(pScreenSurface, nullptr);
    EXPECT_EQ(pScratchSurface, nullptr);
    LayerWindowInfo info;
    EXPECT_FALSE(layer_window_info(hMainWindow, &info)) << "the window should be destroyed";
}

}  // namespace

TEST(MainLoop, DrawsFramesUntilEscapeThenTearsDown)
{
    layer_capture_message_boxes(true);
    int frames = 0;
    layer_on_present([&] {
        ++frames;
        if (frames == 3)
            layer_set_key_state(VK_ESCAPE, true);
    });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(frames, 3) << "Esc is read after the frame that saw it pressed";
    EXPECT_TRUE(layer_message_boxes().empty());
    EXPECT_EQ(ScreenWidth, 800);
    EXPECT_EQ(ScreenHeight, 600);
    EXPECT_EQ(BitsPerPixel, 16);
    ExpectTornDown();
    EXPECT_EQ(pTextSurface, nullptr) << "the scene's text surface is given back at the end";
}

TEST(MainLoop, TakesOneMessagePerIteration)
{
    layer_capture_message_boxes(true);
    FrameCounter counter;
    std::vector<std::pair<UINT, int>> dispatched;  // message, frames drawn before it
    layer_on_dispatch([&](const MSG& m) {
        if (m.message >= WM_USER)
            dispatched.push_back({m.message, counter.frames});
    });
    layer_on_present([&] {
        ++counter.frames;
        if (counter.frames == 1)
            for (UINT i = 0; i < 3; ++i)
                layer_post_message(hMainWindow, WM_USER + i, 0, 0);
        if (counter.frames == 5)
            layer_set_key_state(VK_ESCAPE, true);
    });
    EXPECT_EQ(RunProgram(), 0);
    const std::vector<std::pair<UINT, int>> expected = {{WM_USER, 1}, {WM_USER + 1, 2}, {WM_USER + 2, 3}};
    EXPECT_EQ(dispatched, expected);
}

TEST(MainLoop, MinimizedWindowDrawsNothingAndIgnoresEscape)
{
    layer_capture_message_boxes(true);
    layer_set_time(5000);
    FrameCounter counter;
    int framesAtMinimize = -1;
    int ticksWhileMinimized = 0;
    layer_on_present([&] {
        ++counter.frames;
        if (counter.frames == 2) {
            framesAtMinimize = counter.frames;
            PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
            layer_advance_time(1000);  // the next timer tick gives the test control back
        }
    });
    layer_on_dispatch([&](const MSG& m) {
        if (m.message != WM_TIMER || AppActive)
            return;
        ++ticksWhileMinimized;
        layer_set_key_state(VK_ESCAPE, true);
        if (ticksWhileMinimized == 3)
            PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
        else
            layer_advance_time(1000);
    });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(framesAtMinimize, 2);
    EXPECT_EQ(ticksWhileMinimized, 3);
    EXPECT_EQ(counter.frames, 3) << "one frame after the restore, then Esc ends the program";
    ExpectTornDown();
}

TEST(MainLoop, LosingFocusWithoutMinimizingKeepsDrawing)
{
    layer_capture_message_boxes(true);
    FrameCounter counter;
    bool activeAfterDeactivation = false;
    layer_on_present([&] {
        ++counter.frames;
        if (counter.frames == 1) {
            layer_send_message(hMainWindow, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
            activeAfterDeactivation = AppActive;
        }
        if (counter.frames == 4)
            layer_set_key_state(VK_ESCAPE, true);
    });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_TRUE(activeAfterDeactivation);
    EXPECT_EQ(counter.frames, 4);
}

TEST(MainLoop, QuitRequestedEndsAfterTheNextActiveFrame)
{
    layer_capture_message_boxes(true);
    FrameCounter counter;
    layer_on_present([&] {
        ++counter.frames;
        if (counter.frames == 2)
            QuitRequested = true;
    });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(counter.frames, 2);
    ExpectTornDown();
}

TEST(MainLoop, NoPrimaryToRestoreEndsTheLoopSilently)
{
    layer_capture_message_boxes(true);
    int frames = 0;
    // After the second frame something lets the display go between frames; the next restore
    // step finds no primary.
    layer_on_present([&] {
        if (++frames == 2)
            layer_post_message(hMainWindow, WM_USER, 0, 0);
    });
    layer_on_dispatch([](const MSG& message) {
        if (message.message == WM_USER)
            ReleaseDirectDraw();
    });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(frames, 2);
    EXPECT_TRUE(layer_message_boxes().empty());
    LayerWindowInfo info;
    EXPECT_TRUE(layer_window_info(hMainWindow, &info)) << "nothing else is released: the window stays";
    EXPECT_TRUE(AppActive);
}

TEST(MainLoop, EachFrameReachesTheWindow)
{
    // Each 16-bit pixel and the 0xRRGGBB the window shows for it, worked out by hand: each channel
    // widened to 8 bits with its top bits repeated below it (5 bits 00001 -> 00001000, 6 bits
    // 100000 -> 10000010). The first three are the scene's background, status text and frame.
    const std::map<uint16_t, uint32_t> widened = {
        {0x0861, 0x080C08}, {0xFFE5, 0xFFFF29}, {0xFFFF, 0xFFFFFF}, {0xF800, 0xFF0000},
        {0x07E0, 0x00FF00}, {0x001F, 0x0000FF}, {0x8410, 0x848284}, {0x7BEF, 0x7B7D7B}};
    layer_capture_message_boxes(true);
    ScratchDirectory dir;  // no text file: the text surface holds only what is put there below
    int frames = 0;
    std::map<uint16_t, int> seen;
    layer_on_present([&] {
        if (++frames == 1) {
            // The scene lays its text surface over every later frame; these pixels go with it.
            int x = 0;
            for (const auto& [pixel, rgb] : widened)
                WritePixel(pTextSurface, x++, 100, pixel);
            return;
        }
        LayerPicture picture;
        ASSERT_TRUE(layer_window_picture(&picture));
        ASSERT_EQ(picture.width, 800);
        ASSERT_EQ(picture.height, 600);
        const auto* screen = static_cast<const uint16_t*>(LockSurfaceMemory(pScreenSurface));
        ASSERT_NE(screen, nullptr);
        for (int i = 0; i < 800 * 600 && !::testing::Test::HasFailure(); ++i) {
            const auto found = widened.find(screen[i]);
            if (found == widened.end())
                ADD_FAILURE() << "pixel " << i << ": unexpected 0x" << std::hex << screen[i];
            else if (picture.pixels[i] != found->second)
                ADD_FAILURE() << "pixel " << i << ": 0x" << std::hex << screen[i] << " shows as 0x"
                              << picture.pixels[i] << ", expected 0x" << found->second;
            else
                ++seen[screen[i]];
        }
        UnlockSurfaceMemory(pScreenSurface);
        layer_set_key_state(VK_ESCAPE, true);
    });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(seen.size(), widened.size()) << "every value above was on the screen";
}

TEST(MainLoop, F12WritesTheFrameJustPresented)
{
    // The scene's pixels without a text file, and the same in the file's 5-5-5 form.
    const std::map<uint16_t, uint16_t> fiveFiveFive = {{0x0861, 0x0421}, {0xFFE5, 0x7FE5}, {0xFFFF, 0x7FFF}};
    layer_capture_message_boxes(true);
    ScratchDirectory dir;
    int frames = 0;
    std::vector<uint16_t> presented;  // frame 3 as the file keeps it, bottom row first
    layer_on_present([&] {
        ++frames;
        if (frames == 3) {
            const auto* screen = static_cast<const uint16_t*>(LockSurfaceMemory(pScreenSurface));
            ASSERT_NE(screen, nullptr);
            for (int y = 599; y >= 0; --y)
                for (int x = 0; x < 800; ++x) {
                    const auto found = fiveFiveFive.find(screen[y * 800 + x]);
                    presented.push_back(found == fiveFiveFive.end() ? 0xDEAD : found->second);
                }
            UnlockSurfaceMemory(pScreenSurface);
            layer_set_key_state(VK_F12, true);
        } else if (frames == 4) {
            layer_set_key_state(VK_F12, false);
            layer_set_key_state(VK_ESCAPE, true);
        }
    });
    EXPECT_EQ(RunProgram(), 0);
    const std::vector<uint8_t> file = ReadBytes("screen.bmp");
    ASSERT_EQ(file.size(), 54u + 800 * 600 * 2);
    for (size_t i = 0; i < presented.size(); ++i)
        ASSERT_EQ(file[54 + 2 * i] | file[55 + 2 * i] << 8, presented[i]) << "pixel " << i << " of the file";
}

// Start-up failures: each row is one run of the program in its own process.
struct FatalRow {
    const char* call;
    int nth;
    std::vector<std::string> steps;  // the boxes shown, in order
};

void PrintTo(const FatalRow& row, std::ostream* out) { *out << row.call << " #" << row.nth; }

class StartupFailure : public ::testing::TestWithParam<FatalRow> {};

TEST_P(StartupFailure, ShowsTheFailedStepThenInitDirectDraw)
{
    const FatalRow& row = GetParam();
    layer_capture_message_boxes(true);
    layer_fail_call(row.call, row.nth);
    FrameCounter counter;
    EXPECT_EQ(RunProgram(), 0);
    ASSERT_EQ(layer_message_boxes().size(), row.steps.size());
    for (size_t i = 0; i < row.steps.size(); ++i) {
        EXPECT_EQ(layer_message_boxes()[i].text, AbortText(row.steps[i]));
        EXPECT_EQ(layer_message_boxes()[i].caption, "Vorel");
        EXPECT_EQ(layer_message_boxes()[i].type, static_cast<UINT>(MB_OK));
    }
    EXPECT_EQ(counter.frames, 0);
    ExpectTornDown();
}

INSTANTIATE_TEST_SUITE_P(
    Display, StartupFailure,
    ::testing::Values(
        FatalRow{"DirectDrawCreateEx", 0, {"DirectDrawCreate", "InitDirectDraw"}},
        FatalRow{"IDirectDraw7::SetCooperativeLevel", 0, {"SetCooperativeLevel", "InitDirectDraw"}},
        FatalRow{"IDirectDraw7::SetDisplayMode", 0, {"SetDisplayMode", "InitDirectDraw"}},
        FatalRow{"IDirectDraw7::CreateSurface", 1, {"CreateMainSurfaces", "InitDirectDraw"}},
        FatalRow{"IDirectDrawSurface7::GetAttachedSurface", 0, {"CreateMainSurfaces", "InitDirectDraw"}}),
    [](const ::testing::TestParamInfo<FatalRow>& info) { return "Row" + std::to_string(info.index); });

TEST(Startup, ScreenSurfaceFallsBackToSystemMemoryWhenVideoMemoryFails)
{
    layer_capture_message_boxes(true);
    layer_fail_call("IDirectDraw7::CreateSurface", 2);  // the screen surface's video-memory try
    DWORD caps = 0;
    layer_on_present([&] {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        if (pScreenSurface->GetSurfaceDesc(&desc) == DD_OK)
            caps = desc.ddsCaps.dwCaps;
        layer_set_key_state(VK_ESCAPE, true);
    });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_TRUE(layer_message_boxes().empty());
    EXPECT_EQ(caps & (DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY | DDSCAPS_3DDEVICE),
              static_cast<DWORD>(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY | DDSCAPS_3DDEVICE))
        << "a frame was drawn on a system-memory screen surface that keeps its 3D capability";
}

TEST(Startup, UnregisteredClassOrMissingWindowEndsSilently)
{
    for (const char* call : {"RegisterClassA", "CreateWindowExA"}) {
        SCOPED_TRACE(call);
        layer_capture_message_boxes(true);
        layer_fail_call(call);
        EXPECT_EQ(RunProgram(), 0);
        EXPECT_TRUE(layer_message_boxes().empty());
        EXPECT_EQ(pDirectDraw, nullptr);
        layer_clear_faults();
    }
}

TEST(AbortProgram, ReleasesEverythingShowsTheBoxAndEndsTheLoop)
{
    ASSERT_TRUE(BringUpDisplay(16));
    const HWND window = hMainWindow;
    AbortProgram(window, "Step");
    ASSERT_EQ(layer_message_boxes().size(), 1u);
    EXPECT_EQ(layer_message_boxes()[0].text, AbortText("Step"));
    EXPECT_EQ(layer_message_boxes()[0].owner, window);
    ExpectTornDown();
    EXPECT_TRUE(PumpMessages()) << "WM_DESTROY posts the quit message";
    EXPECT_FALSE(PumpMessages());
    ReleaseDirectDraw();  // safe to run again
    EXPECT_EQ(pDirectDraw, nullptr);
}

TEST(AbortProgram, CutsALongStepToTheBoxsBuffer)
{
    // The message holds 256 bytes with its zero; the text before the step takes 28 of them.
    struct Row { const char* name; size_t length; size_t shown; };
    const Row rows[] = {{"fits exactly", 227, 227}, {"one too long", 228, 227}, {"a long path", 1000, 227}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        OpenGameWindow();
        layer_capture_message_boxes(true);
        std::string step(r.length, 'x');
        step[0] = 'A';
        AbortProgram(hMainWindow, step.c_str());
        ASSERT_EQ(layer_message_boxes().size(), 1u);
        EXPECT_EQ(layer_message_boxes()[0].text, AbortText(step.substr(0, r.shown)));
        EXPECT_EQ(layer_message_boxes()[0].text.size(), 28u + r.shown);
    }
}

// Stand-ins for the three devices, so that the order of their releases shows.
struct NotedDevices {
    NotedDirectDraw display{"display"};
    NotedDirectSound sound{"sound"};
    NotedDirectInput input{"input"};
    NotedDevices()
    {
        pDirectDraw = &display;
        pDirectSound = &sound;
        pDirectInput = &input;
    }
};

TEST(AbortProgram, ReleasesDisplaySoundAndInputThenHidesTheWindowBeforeTheBox)
{
    OpenGameWindow();
    layer_capture_message_boxes(true);
    NotedDevices devices;
    AbortProgram(hMainWindow, "Step");
    EXPECT_EQ(ReleaseLog, (std::vector<std::string>{"display", "sound", "input"})) << "once each";
    ASSERT_EQ(layer_message_boxes().size(), 1u);
    EXPECT_FALSE(layer_message_boxes()[0].ownerVisible);
}

TEST(WindowProcedure, DestroyReleasesDisplayThenSoundThenInput)
{
    OpenGameWindow();
    NotedDevices devices;
    DestroyWindow(hMainWindow);
    EXPECT_EQ(ReleaseLog, (std::vector<std::string>{"display", "sound", "input"}));
}

TEST(WindowProcedure, DestroyStopsTheTimerAndReleasesTheDisplay)
{
    ASSERT_TRUE(BringUpDisplay(16));
    layer_set_time(1000);
    SetTimer(hMainWindow, 1, 1000, nullptr);
    EXPECT_TRUE(AppActive);
    DestroyWindow(hMainWindow);
    EXPECT_FALSE(AppActive);
    EXPECT_EQ(pDirectDraw, nullptr);
    layer_advance_time(5000);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) << "no tick after the destroy";
}

TEST(PumpMessages, HandlesOneMessageAndReportsOnlyTheQuit)
{
    OpenGameWindow();
    EXPECT_FALSE(PumpMessages());  // nothing waiting: no wait either
    std::vector<UINT> seen;
    layer_on_dispatch([&](const MSG& m) { seen.push_back(m.message); });
    layer_post_message(hMainWindow, WM_USER + 7, 0, 0);
    layer_post_message(hMainWindow, WM_USER + 8, 0, 0);
    EXPECT_FALSE(PumpMessages());
    EXPECT_EQ(seen, std::vector<UINT>{WM_USER + 7});
    PostQuitMessage(0);
    EXPECT_FALSE(PumpMessages());  // the posted message comes before the quit
    EXPECT_TRUE(PumpMessages());
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 7, WM_USER + 8}));
}
