// layer_input_test.cpp -- mouse and keyboard messages as the platform makes them: positions,
// button flags, double clicks, key messages and the characters TranslateMessage posts

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "input_support.h"

namespace {

HWND MakeWindow(UINT style)
{
    HWND window = MakeTestWindow("input-test", DefWindowProcA, 1024, 768, style);
    ShowWindow(window, SW_SHOWNORMAL);
    TakeMessages();
    return window;
}

// Each message as (message, wParam), mouse moves left out unless asked for.
std::vector<std::pair<UINT, WPARAM>> Summary(const std::vector<MSG>& messages, bool moves = false)
{
    std::vector<std::pair<UINT, WPARAM>> out;
    for (const MSG& m : messages)
        if (moves || m.message != WM_MOUSEMOVE)
            out.push_back({m.message, m.wParam});
    return out;
}

int X(const MSG& m) { return static_cast<SHORT>(LOWORD(m.lParam)); }
int Y(const MSG& m) { return static_cast<SHORT>(HIWORD(m.lParam)); }

}  // namespace

TEST(MouseMessages, CarryTheirPositionAndTheButtonsAndKeysHeld)
{
    MakeWindow(0);
    PushMouseMotion(10, 20);
    PushMouseMotion(11, 21);  // a move still queued is replaced, not added
    PushMouseButton(SDL_BUTTON_LEFT, true, 12, 22);
    PushKey(SDL_SCANCODE_LSHIFT, true, KMOD_LSHIFT);
    PushMouseButton(SDL_BUTTON_RIGHT, true, 12, 22);
    PushMouseButton(SDL_BUTTON_LEFT, false, 13, 23);
    PushMouseButton(SDL_BUTTON_MIDDLE, true, -3, 5);  // outside the window, no picture yet
    const std::vector<MSG> got = TakeMessages();
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_MOUSEMOVE, 0},
        {WM_LBUTTONDOWN, MK_LBUTTON},
        {WM_KEYDOWN, VK_SHIFT},
        {WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON | MK_SHIFT},
        {WM_LBUTTONUP, MK_RBUTTON | MK_SHIFT},
        {WM_MBUTTONDOWN, MK_RBUTTON | MK_SHIFT | MK_MBUTTON},
    };
    ASSERT_EQ(Summary(got, true), expected);
    EXPECT_EQ(X(got[0]), 11);
    EXPECT_EQ(Y(got[0]), 21);
    EXPECT_EQ(X(got[4]), 13) << "a button message carries its own position";
    EXPECT_EQ(Y(got[4]), 23);
    EXPECT_EQ(X(got[5]), -3) << "coordinates are signed 16-bit";
    EXPECT_EQ(got[5].pt.x, -3);
}

TEST(MouseMessages, ArePointsOfThePictureOnceADisplayModeIsSet)
{
    HWND window = MakeWindow(0);
    IDirectDraw7* dd = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
    ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(800, 600, 16, 0, 0), DD_OK);
    int width = 0, height = 0;
    SDL_GetWindowSize(OnlySdlWindow(), &width, &height);
    if (width != 1024 || height != 768)
        GTEST_SKIP() << "expects SDL's dummy 1024 x 768 display, got " << width << " x " << height;
    struct Row {
        const char* name;
        bool letterboxed;
        int x, y;              // on the window
        int expectX, expectY;  // in the picture
    };
    // Full screen, 800 x 600 is shown at 1.28 window pixels each. Made 1280 x 720, the window
    // shows it 960 x 720 at 1.2, between bars 160 wide.
    const Row rows[] = {
        {"origin", false, 0, 0, 0, 0},
        {"centre pixel", false, 513, 385, 400, 300},
        {"far corner", false, 1023, 767, 799, 599},
        {"left bar", true, 10, 100, 0, 83},
        {"right bar", true, 1275, 719, 799, 599},
        {"inside", true, 282, 61, 101, 50},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.letterboxed && SDL_GetWindowFlags(OnlySdlWindow()) & SDL_WINDOW_FULLSCREEN) {
            SDL_SetWindowFullscreen(OnlySdlWindow(), 0);
            SDL_SetWindowSize(OnlySdlWindow(), 1280, 720);
        }
        PushMouseMotion(row.x, row.y);
        PushMouseButton(SDL_BUTTON_LEFT, true, row.x, row.y);
        const std::vector<MSG> got = TakeMessages();
        ASSERT_EQ(got.size(), 2u);
        for (const MSG& m : got) {
            EXPECT_EQ(X(m), row.expectX) << "message 0x" << std::hex << m.message;
            EXPECT_EQ(Y(m), row.expectY) << "message 0x" << std::hex << m.message;
        }
    }
    dd->Release();
}

TEST(MouseMessages, DoubleClicksFollowTimeDistanceAndButton)
{
    MakeWindow(CS_DBLCLKS);
    struct Press {
        Uint8 button;
        DWORD after;  // milliseconds since the press before
        int x, y;
    };
    struct Row {
        const char* name;
        std::vector<Press> presses;
        std::vector<UINT> expected;
    };
    constexpr UINT LD = WM_LBUTTONDOWN, LU = WM_LBUTTONUP, LDBL = WM_LBUTTONDBLCLK;
    constexpr Uint8 L = SDL_BUTTON_LEFT, R = SDL_BUTTON_RIGHT;
    const Row rows[] = {
        {"two quick presses", {{L, 0, 5, 5}, {L, 100, 5, 5}}, {LD, LU, LDBL, LU}},
        {"a third quick press is a plain press", {{L, 0, 5, 5}, {L, 100, 5, 5}, {L, 100, 5, 5}},
         {LD, LU, LDBL, LU, LD, LU}},
        {"499 ms apart", {{L, 0, 5, 5}, {L, 499, 5, 5}}, {LD, LU, LDBL, LU}},
        {"500 ms apart is too slow", {{L, 0, 5, 5}, {L, 500, 5, 5}}, {LD, LU, LD, LU}},
        {"one pixel off each way", {{L, 0, 5, 5}, {L, 100, 6, 4}}, {LD, LU, LDBL, LU}},
        {"two pixels off is too far", {{L, 0, 5, 5}, {L, 100, 7, 5}}, {LD, LU, LD, LU}},
        {"right button", {{R, 0, 5, 5}, {R, 100, 5, 5}},
         {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_RBUTTONUP}},
        {"another button between", {{L, 0, 5, 5}, {R, 50, 5, 5}, {L, 50, 5, 5}},
         {LD, LU, WM_RBUTTONDOWN, WM_RBUTTONUP, LD, LU}},
    };
    layer_set_time(0xFFFFFF00u);  // the clock wraps during the rows
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        layer_advance_time(10000);  // nothing pairs with the row before
        std::vector<UINT> got;
        for (const Press& press : row.presses) {
            layer_advance_time(press.after);
            PushMouseMotion(300, 300);  // moves between the presses change nothing
            PushMouseButton(press.button, true, press.x, press.y);
            PushMouseButton(press.button, false, press.x, press.y);
            for (const auto& seen : Summary(TakeMessages()))
                got.push_back(seen.first);
        }
        EXPECT_EQ(got, row.expected);
    }
}

TEST(KeyMessages, CarryVirtualKeyScanCodeAndFlags)
{
    HWND window = MakeWindow(0);
    struct Row {
        const char* name;
        SDL_Scancode scancode;
        bool down;
        Uint16 modifiers;
        bool repeat;
        UINT message;
        WPARAM key;
        DWORD lParam;
    };
    const Row rows[] = {
        {"letter", SDL_SCANCODE_A, true, KMOD_NONE, false, WM_KEYDOWN, 'A', 0x001E0001},
        {"released", SDL_SCANCODE_A, false, KMOD_NONE, false, WM_KEYUP, 'A', 0xC01E0001},
        {"extended", SDL_SCANCODE_RIGHT, true, KMOD_NONE, false, WM_KEYDOWN, VK_RIGHT, 0x014D0001},
        {"auto-repeat", SDL_SCANCODE_A, true, KMOD_NONE, true, WM_KEYDOWN, 'A', 0x401E0001},
        {"Alt", SDL_SCANCODE_X, true, KMOD_LALT, false, WM_SYSKEYDOWN, 'X', 0x202D0001},
        {"released with Alt held", SDL_SCANCODE_X, false, KMOD_LALT, false, WM_SYSKEYUP, 'X', 0xE02D0001},
        {"the Alt key", SDL_SCANCODE_LALT, true, KMOD_LALT, false, WM_SYSKEYDOWN, VK_MENU, 0x20380001},
        // The context bit is always 0 on WM_KEYDOWN and WM_KEYUP, Ctrl+Alt (AltGr) among them.
        {"Ctrl+Alt", SDL_SCANCODE_X, true, KMOD_LALT | KMOD_LCTRL, false, WM_KEYDOWN, 'X', 0x002D0001},
        {"F10 alone", SDL_SCANCODE_F10, true, KMOD_NONE, false, WM_SYSKEYDOWN, VK_F10, 0x00440001},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PushKey(row.scancode, row.down, row.modifiers, row.repeat);
        MSG message;
        ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(message.message, row.message);
        EXPECT_EQ(message.wParam, row.key);
        EXPECT_EQ(static_cast<DWORD>(message.lParam), row.lParam);
        EXPECT_EQ(TranslateMessage(&message), TRUE) << "key messages always count as translated";
        TakeMessages();
    }
    PushKey(SDL_SCANCODE_F4, true, KMOD_LALT);
    TakeMessages();
    LayerWindowInfo info;
    EXPECT_FALSE(layer_window_info(window, &info)) << "DefWindowProcA closes the window on Alt+F4";
}

TEST(TranslateMessage, PostsTheTypedCharacterInWindows1251)
{
    MakeWindow(0);
    struct Row {
        const char* name;
        SDL_Scancode scancode;
        Uint16 modifiers;
        const char* text;  // what SDL types, UTF-8; null for none
        std::vector<WPARAM> chars;
    };
    const Row rows[] = {
        {"Latin letter", SDL_SCANCODE_A, KMOD_NONE, "a", {'a'}},
        {"Cyrillic zhe", SDL_SCANCODE_SEMICOLON, KMOD_NONE, "\xD0\xB6", {0xE6}},
        {"Cyrillic capital Yo", SDL_SCANCODE_GRAVE, KMOD_LSHIFT, "\xD0\x81", {0xA8}},
        {"euro sign with AltGr", SDL_SCANCODE_E, KMOD_MODE, "\xE2\x82\xAC", {0x88}},
        {"outside the code page", SDL_SCANCODE_A, KMOD_NONE, "\xC3\xA4", {'?'}},  // a umlaut
        {"two characters from one key", SDL_SCANCODE_A, KMOD_NONE, "ab", {'a', 'b'}},
        {"Backspace", SDL_SCANCODE_BACKSPACE, KMOD_NONE, nullptr, {0x08}},
        {"Enter", SDL_SCANCODE_RETURN, KMOD_NONE, nullptr, {0x0D}},
        {"Ctrl and Enter", SDL_SCANCODE_RETURN, KMOD_LCTRL, nullptr, {0x0A}},
        {"Esc", SDL_SCANCODE_ESCAPE, KMOD_NONE, nullptr, {0x1B}},
        {"Ctrl and C", SDL_SCANCODE_C, KMOD_LCTRL, nullptr, {0x03}},
        {"a key that types nothing", SDL_SCANCODE_LEFT, KMOD_NONE, nullptr, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PushKey(row.scancode, true, row.modifiers);
        if (row.text)
            PushText(row.text);
        PushKey(row.scancode, false, KMOD_NONE);
        const std::vector<MSG> got = TakeMessages();
        // The characters come between the key's down and up messages, each with the down's lParam.
        ASSERT_EQ(got.size(), row.chars.size() + 2);
        EXPECT_EQ(got.front().message, static_cast<UINT>(WM_KEYDOWN));
        EXPECT_EQ(got.back().message, static_cast<UINT>(WM_KEYUP));
        for (size_t i = 0; i < row.chars.size(); ++i) {
            EXPECT_EQ(got[i + 1].message, static_cast<UINT>(WM_CHAR));
            EXPECT_EQ(got[i + 1].wParam, row.chars[i]) << "character " << i;
            EXPECT_EQ(got[i + 1].lParam, got.front().lParam);
        }
    }
}

TEST(TranslateMessage, OnlyTranslatedKeysMakeCharactersAndTextAloneStillArrives)
{
    MakeWindow(0);
    PushKey(SDL_SCANCODE_B, true);
    PushText("b");
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) << "no WM_CHAR without TranslateMessage";

    PushText("\xD1\x8E");  // yu, committed by an input method with no key of its own
    const std::vector<MSG> got = TakeMessages();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(got[0].wParam, 0xFEu);
    EXPECT_EQ(got[0].lParam, 1);
}

TEST(GetAsyncKeyState, BitZeroSaysPressedSinceTheLastCallForThatKey)
{
    MakeWindow(0);
    PushKey(SDL_SCANCODE_A, true);
    PushKey(SDL_SCANCODE_A, false);
    PushMouseButton(SDL_BUTTON_RIGHT, true, 5, 5);
    TakeMessages();
    EXPECT_EQ(GetAsyncKeyState('A') & 0x0001, 1) << "a press since the last call";
    EXPECT_EQ(GetAsyncKeyState('A') & 0x0001, 0) << "the call that reported it cleared it";
    EXPECT_EQ(GetAsyncKeyState(VK_RBUTTON) & 0x0001, 1) << "mouse buttons too";
    EXPECT_EQ(GetAsyncKeyState('B'), 0);

    PushKey(SDL_SCANCODE_A, true, KMOD_NONE, true);
    TakeMessages();
    EXPECT_EQ(GetAsyncKeyState('A') & 0x0001, 0) << "an auto-repeat is no new press";

    layer_set_key_state('C', true);
    EXPECT_EQ(static_cast<uint16_t>(GetAsyncKeyState('C')), 0x8001u) << "down now, and pressed";
    EXPECT_EQ(static_cast<uint16_t>(GetAsyncKeyState('C')), 0x8000u) << "still down, not pressed again";
    EXPECT_EQ(GetAsyncKeyState(-1), 0);
    EXPECT_EQ(GetAsyncKeyState(0x1FF), 0);
}

TEST(MouseWheel, CarriesTheTurnTheKeysAndThePointerInScreenCoordinates)
{
    MakeWindow(0);
    struct Row {
        const char* name;
        int notches;
        float precise;
        bool flipped;
        Uint16 modifiers;
        int delta;
        WORD keys;
    };
    const Row rows[] = {
        {"one notch away from the user", 1, 0, false, KMOD_NONE, 120, 0},
        {"two towards, Shift held", -2, 0, false, KMOD_LSHIFT, -240, MK_SHIFT},
        {"a fine wheel's quarter notch", 0, 0.25f, false, KMOD_NONE, 30, 0},
        {"a flipped wheel", 1, 0, true, KMOD_NONE, -120, 0},
    };
    PushMouseMotion(300, 200);
    TakeMessages();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.modifiers != KMOD_NONE)
            PushKey(SDL_SCANCODE_LSHIFT, true, row.modifiers);
        PushWheel(row.notches, row.precise, row.flipped);
        std::vector<MSG> got = TakeMessages();
        ASSERT_FALSE(got.empty());
        const MSG& wheel = got.back();
        EXPECT_EQ(wheel.message, static_cast<UINT>(WM_MOUSEWHEEL));
        EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel.wParam), row.delta);
        EXPECT_EQ(GET_KEYSTATE_WPARAM(wheel.wParam), row.keys);
        EXPECT_EQ(X(wheel), 300);
        EXPECT_EQ(Y(wheel), 200);
        if (row.modifiers != KMOD_NONE) {
            PushKey(SDL_SCANCODE_LSHIFT, false);
            TakeMessages();
        }
    }
}
