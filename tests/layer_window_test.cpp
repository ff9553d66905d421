// layer_window_test.cpp -- windows, the message queue, timers, activation, keys and the cursor,
// and the development window that Alt+Enter switches to full screen and back

#include <SDL.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "input_support.h"
#include "support.h"

namespace {

struct Seen {
    UINT message;
    WPARAM wParam;
};
std::vector<Seen> seen;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    seen.push_back({message, wParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow() { return MakeTestWindow("recorder", RecordingProc, 320, 200); }

std::vector<UINT> Messages(UINT only = 0)
{
    std::vector<UINT> out;
    for (const Seen& s : seen)
        if (only == 0 || s.message == only)
            out.push_back(s.message);
    return out;
}

}  // namespace

TEST(Windows, ClassesAreRegisteredOnceAndLookedUpIgnoringCase)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.lpszClassName = "Game";
    EXPECT_NE(RegisterClassA(&windowClass), 0);
    windowClass.lpszClassName = "GAME";
    EXPECT_EQ(RegisterClassA(&windowClass), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    const HWND made = CreateWindowExA(0, "game", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(made, nullptr);
    DestroyWindow(made);
    EXPECT_EQ(CreateWindowExA(0, "nope", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST(Windows, ShowWindowActivatesSynchronouslyAndUpdateWindowPaintsOnce)
{
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_HINSTANCE), reinterpret_cast<LONG_PTR>(TestInstance()));
    seen.clear();
    EXPECT_FALSE(ShowWindow(window, SW_SHOWNORMAL)) << "it was hidden before";
    ASSERT_EQ(Messages(WM_ACTIVATE).size(), 1u) << "sent inside ShowWindow, not queued";
    EXPECT_EQ(seen.back().wParam, MAKEWPARAM(WA_ACTIVE, 0));
    EXPECT_TRUE(ShowWindow(window, SW_SHOWNORMAL));
    UpdateWindow(window);
    UpdateWindow(window);
    EXPECT_EQ(Messages(WM_PAINT).size(), 1u) << "DefWindowProcA validated the window";
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST(Windows, MinimizeRestoreFocusAndCloseBecomeMessages)
{
    HWND window = MakeWindow();
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    struct Row {
        int sdlEvent;
        std::vector<Seen> expected;
    };
    const Row rows[] = {
        {SDL_WINDOWEVENT_MINIMIZED, {{WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1)}}},
        {SDL_WINDOWEVENT_MINIMIZED, {}},  // no change, no message
        {SDL_WINDOWEVENT_RESTORED, {{WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0)}}},
        {SDL_WINDOWEVENT_FOCUS_LOST, {{WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0)}}},
        {SDL_WINDOWEVENT_FOCUS_GAINED, {{WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0)}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sdlEvent);
        seen.clear();
        PushWindowEvent(row.sdlEvent);
        EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) << "sent, not posted";
        ASSERT_EQ(seen.size(), row.expected.size());
        for (size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i].message, row.expected[i].message);
            EXPECT_EQ(seen[i].wParam, row.expected[i].wParam);
        }
    }
    seen.clear();
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CLOSE, WM_ACTIVATE, WM_DESTROY, WM_NCDESTROY}))
        << "DefWindowProcA destroys a window asked to close";
    LayerWindowInfo info;
    EXPECT_FALSE(layer_window_info(window, &info));
}

TEST(Messages, PostedInOrderThenQuitThenNothing)
{
    HWND window = MakeWindow();
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) << "an empty queue does not wait";
    layer_post_message(window, WM_USER + 1, 11, 12);
    PostQuitMessage(3);
    layer_post_message(window, WM_USER + 2, 0, 0);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER + 1)) << "PM_NOREMOVE leaves it there";
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(message.hwnd, window);
    EXPECT_EQ(message.wParam, 11u);
    EXPECT_EQ(message.lParam, 12);
    seen.clear();
    EXPECT_EQ(DispatchMessageA(&message), 0);
    EXPECT_EQ(Messages(), std::vector<UINT>{WM_USER + 1});
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER + 2)) << "the quit waits for posted messages";
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_EQ(message.hwnd, nullptr);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST(Messages, DestroyWindowRunsItsMessagesAtOnceAndFlushesTheQueue)
{
    HWND window = MakeWindow();
    ShowWindow(window, SW_SHOWNORMAL);
    layer_post_message(window, WM_USER, 0, 0);
    SetTimer(window, 1, 10, nullptr);
    seen.clear();
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_ACTIVATE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(seen[0].wParam, MAKEWPARAM(WA_INACTIVE, 0));
    EXPECT_FALSE(DestroyWindow(window));
    layer_advance_time(100);
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) << "no posted message, no tick";
    EXPECT_FALSE(KillTimer(window, 1)) << "the timer died with the window";
}

TEST(Timers, IdZeroAnswersOneWhenMadeAndWhenRearmed)
{
    HWND window = MakeWindow();
    EXPECT_EQ(SetTimer(window, 0, 100, nullptr), 1u);
    EXPECT_EQ(SetTimer(window, 0, 200, nullptr), 1u) << "re-arming succeeds as making it did";
    EXPECT_TRUE(KillTimer(window, 0));
}

TEST(Timers, TickOncePerPeriodCoalescedAndAcrossTheWrap)
{
    HWND window = MakeWindow();
    layer_set_time(0xFFFFFF00u);  // the clock wraps during the test
    EXPECT_EQ(SetTimer(window, 1, 1000, nullptr), 1u);
    MSG message;
    layer_advance_time(999);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    layer_advance_time(1);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(message.wParam, 1u);
    EXPECT_EQ(message.hwnd, window);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    layer_advance_time(5500);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) << "missed periods are not queued";
    layer_post_message(window, WM_USER, 0, 0);
    layer_advance_time(1000);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER)) << "ticks wait for other messages";
    EXPECT_TRUE(KillTimer(window, 1));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST(Input, KeyStatesAndTheCursorCount)
{
    MakeWindow();
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);
    layer_set_key_state(VK_F12, true);
    EXPECT_EQ(GetAsyncKeyState(VK_F12) & 0x8000, 0x8000);
    EXPECT_LT(GetAsyncKeyState(VK_F12), 0) << "the top bit makes the value negative";
    layer_set_key_state(VK_F12, false);
    EXPECT_EQ(GetAsyncKeyState(VK_F12), 0);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
}

// A 640 x 400 picture asked at twice its size on SDL's dummy 1024 x 768 desktop: the window is
// shrunk to 1024 x 640, keeping the picture's proportions; full screen, the picture is 1024 x 640
// between bars 64 tall. In every state the pointer reports picture points, held to the picture.
TEST(DevelopmentWindow, AltEnterSwitchesScreensUnseenAndThePointerStaysInThePicture)
{
    setenv("ENGINE_WINDOW", "2", 1);
    HWND window = MakeTestWindow("development", DefWindowProcA, 640, 400, WS_POPUP);
    ShowWindow(window, SW_SHOWNORMAL);
    IDirectDraw7* dd = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
    ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(640, 400, 16, 0, 0), DD_OK);
    SDL_Rect desktop;
    if (SDL_GetDisplayUsableBounds(0, &desktop) != 0 || desktop.w != 1024 || desktop.h != 768)
        GTEST_SKIP() << "expects SDL's dummy 1024 x 768 display";
    TakeMessages();

    struct Point {
        int x, y;              // on the window
        int expectX, expectY;  // in the picture
    };
    struct Row {
        const char* name;
        bool fullscreen;
        int width, height;
        std::vector<Point> points;
    };
    const Row rows[] = {
        {"window", false, 1024, 640, {{0, 0, 0, 0}, {512, 320, 320, 200}, {1023, 639, 639, 399}}},
        {"full screen", true, 1024, 768,
         {{512, 30, 320, 0}, {512, 64, 320, 0}, {1023, 703, 639, 399}, {0, 767, 0, 399}}},
        {"window again", false, 1024, 640, {{1023, 639, 639, 399}, {5, 5, 3, 3}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LayerWindowInfo info;
        ASSERT_TRUE(layer_window_info(window, &info));
        EXPECT_EQ(info.fullscreen, row.fullscreen);
        EXPECT_EQ(info.width, row.width);
        EXPECT_EQ(info.height, row.height);
        for (const Point& point : row.points) {
            PushMouseMotion(point.x, point.y);
            const std::vector<MSG> got = TakeMessages();
            ASSERT_EQ(got.size(), 1u);
            EXPECT_EQ(LOWORD(got[0].lParam), point.expectX) << "from " << point.x << "," << point.y;
            EXPECT_EQ(HIWORD(got[0].lParam), point.expectY) << "from " << point.x << "," << point.y;
        }
        // Alt+Enter, held long enough to repeat: the game hears Alt, and nothing of Enter. Alt's
        // own release is a system key, as the layer gives it with or without another key.
        PushKey(SDL_SCANCODE_LALT, true, KMOD_LALT);
        PushKey(SDL_SCANCODE_RETURN, true, KMOD_LALT);
        PushKey(SDL_SCANCODE_RETURN, true, KMOD_LALT, true);
        PushKey(SDL_SCANCODE_RETURN, false, KMOD_LALT);
        PushKey(SDL_SCANCODE_LALT, false, KMOD_NONE);
        std::vector<UINT> keys;
        for (const MSG& m : TakeMessages())
            keys.push_back(m.message);
        EXPECT_EQ(keys, (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYUP}));
    }
    // Ctrl+Alt+Enter and Enter alone are the game's.
    PushKey(SDL_SCANCODE_RETURN, true, KMOD_LALT | KMOD_LCTRL);
    PushKey(SDL_SCANCODE_RETURN, false, KMOD_NONE);
    PushKey(SDL_SCANCODE_KP_ENTER, true, KMOD_NONE);
    PushKey(SDL_SCANCODE_KP_ENTER, false, KMOD_NONE);
    std::vector<std::pair<UINT, WPARAM>> keys;
    for (const MSG& m : TakeMessages())
        keys.push_back({m.message, m.wParam});
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_KEYDOWN, VK_RETURN}, {WM_KEYUP, VK_RETURN},
        {WM_KEYDOWN, VK_RETURN}, {WM_CHAR, '\r'}, {WM_KEYUP, VK_RETURN}};
    EXPECT_EQ(keys, expected);
    LayerWindowInfo info;
    ASSERT_TRUE(layer_window_info(window, &info));
    EXPECT_TRUE(info.fullscreen) << "the last row's Alt+Enter went full screen, and nothing since";
    dd->Release();
}

TEST(DevelopmentWindow, WithoutTheSettingAltEnterIsTheGamesAndTheDisplayFullScreen)
{
    unsetenv("ENGINE_WINDOW");
    LayerDevice display(16, 640, 400);
    LayerWindowInfo info;
    ASSERT_TRUE(layer_window_info(display.window, &info));
    EXPECT_TRUE(info.fullscreen);
    TakeMessages();
    PushKey(SDL_SCANCODE_RETURN, true, KMOD_LALT);
    PushKey(SDL_SCANCODE_RETURN, false, KMOD_LALT);
    std::vector<UINT> keys;
    for (const MSG& m : TakeMessages())
        keys.push_back(m.message);
    EXPECT_EQ(keys, (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP}));
    ASSERT_TRUE(layer_window_info(display.window, &info));
    EXPECT_TRUE(info.fullscreen);
}
