// layer_dinput_test.cpp -- DirectInput 8 as the platform behaves: enumeration, the device's set-up
// rules, the mapping of axis positions through range, dead zone and saturation, and lost input

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <dinput.h>

#include "input_support.h"

namespace {

HWND MakeWindow()
{
    HWND window = MakeTestWindow("dinput-test", DefWindowProcA, 640, 480);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

IDirectInput8A* MakeDirectInput()
{
    IDirectInput8A* di = nullptr;
    EXPECT_EQ(DirectInput8Create(TestInstance(), DIRECTINPUT_VERSION,
                                 IID_IDirectInput8A, reinterpret_cast<void**>(&di), nullptr),
              DI_OK);
    return di;
}

std::vector<DIDEVICEINSTANCEA> Enumerate(IDirectInput8A* di, BOOL answer = DIENUM_CONTINUE)
{
    struct Context {
        std::vector<DIDEVICEINSTANCEA> seen;
        BOOL answer;
    } context{{}, answer};
    auto callback = [](LPCDIDEVICEINSTANCEA device, LPVOID ref) -> BOOL {
        auto* c = static_cast<Context*>(ref);
        c->seen.push_back(*device);
        return c->answer;
    };
    EXPECT_EQ(di->EnumDevices(DI8DEVCLASS_GAMECTRL, callback, &context, DIEDFL_ATTACHEDONLY), DI_OK);
    return context.seen;
}

// The first attached controller, set up in exclusive foreground mode for the window.
IDirectInputDevice8A* OpenFirst(IDirectInput8A* di, HWND window)
{
    const std::vector<DIDEVICEINSTANCEA> devices = Enumerate(di, DIENUM_STOP);
    if (devices.empty())
        return nullptr;
    IDirectInputDevice8A* device = nullptr;
    EXPECT_EQ(di->CreateDevice(devices[0].guidInstance, &device, nullptr), DI_OK);
    EXPECT_EQ(device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    EXPECT_EQ(device->SetDataFormat(&c_dfDIJoystick), DI_OK);
    return device;
}

HRESULT SetRange(IDirectInputDevice8A* device, DWORD how, DWORD object, LONG low, LONG high)
{
    DIPROPRANGE range{};
    range.diph = {sizeof(range), sizeof(DIPROPHEADER), object, how};
    range.lMin = low;
    range.lMax = high;
    return device->SetProperty(DIPROP_RANGE, &range.diph);
}

HRESULT SetDword(IDirectInputDevice8A* device, bool deadZone, DWORD object, DWORD value)
{
    DIPROPDWORD property{};
    property.diph = {sizeof(property), sizeof(DIPROPHEADER), object, DIPH_BYOFFSET};
    property.dwData = value;
    return device->SetProperty(deadZone ? DIPROP_DEADZONE : DIPROP_SATURATION, &property.diph);
}

DIJOYSTATE Read(IDirectInputDevice8A* device, HRESULT expected = DI_OK)
{
    DIJOYSTATE state;
    memset(&state, 0xCD, sizeof(state));
    EXPECT_EQ(device->GetDeviceState(sizeof(state), &state), expected);
    return state;
}

}  // namespace

TEST(EnumDevices, ListsAttachedControllersUntilTheCallbackStops)
{
    if (!NoRealControllers())
        GTEST_SKIP() << "a game controller is plugged in";
    IDirectInput8A* di = MakeDirectInput();
    EXPECT_TRUE(Enumerate(di).empty()) << "none attached: the callback never runs, still DI_OK";

    VirtualStick first, second;
    SKIP_WITHOUT_VIRTUAL_STICK(second);
    const std::vector<DIDEVICEINSTANCEA> all = Enumerate(di);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].dwSize, sizeof(DIDEVICEINSTANCEA));
    EXPECT_EQ(GET_DIDEVICE_TYPE(all[0].dwDevType), DI8DEVTYPE_GAMEPAD);
    EXPECT_NE(all[0].guidInstance, all[1].guidInstance);
    EXPECT_GT(strlen(all[0].tszInstanceName), 0u);
    EXPECT_EQ(Enumerate(di, DIENUM_STOP).size(), 1u);
    EXPECT_EQ(di->EnumDevices(DI8DEVCLASS_GAMECTRL, nullptr, nullptr, 0), DIERR_INVALIDPARAM);
    EXPECT_EQ(di->EnumDevices(DI8DEVCLASS_KEYBOARD, [](LPCDIDEVICEINSTANCEA, LPVOID) -> BOOL { return 1; },
                              nullptr, 0),
              DIERR_UNSUPPORTED);

    IDirectInputDevice8A* device = nullptr;
    EXPECT_EQ(di->CreateDevice(GUID_XAxis, &device, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(device, nullptr);
    ASSERT_EQ(di->CreateDevice(all[1].guidInstance, &device, nullptr), DI_OK);
    // The device holds its DirectInput object: releasing the application's reference keeps it.
    EXPECT_EQ(di->Release(), 1u);
    EXPECT_EQ(device->Release(), 0u);
}

TEST(JoystickDevice, SetUpRulesForLevelFormatPropertiesAndAcquisition)
{
    VirtualStick stick(2, 12, 1);
    SKIP_WITHOUT_VIRTUAL_STICK(stick);
    HWND window = MakeWindow();
    IDirectInput8A* di = MakeDirectInput();
    IDirectInputDevice8A* device = nullptr;
    ASSERT_EQ(di->CreateDevice(Enumerate(di)[0].guidInstance, &device, nullptr), DI_OK);
    DIDATAFORMAT longer = c_dfDIJoystick;
    longer.dwDataSize = 84;
    const DIDATAFORMAT copy = c_dfDIJoystick;
    DIPROPDWORD shortHeader{};
    shortHeader.diph = {sizeof(DIPROPDWORD), 12, DIJOFS_X, DIPH_BYOFFSET};
    DIJOYSTATE state;
    struct Row {
        const char* name;
        HRESULT got;
        HRESULT expected;
    };
    // In order: each row runs on the device as the rows before left it.
    const Row rows[] = {
        {"acquire without a data format", device->Acquire(), DIERR_INVALIDPARAM},
        {"property by offset without a data format",
         SetRange(device, DIPH_BYOFFSET, DIJOFS_X, -10, 10), DIERR_OBJECTNOTFOUND},
        {"shared background", device->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND),
         DIERR_UNSUPPORTED},
        {"exclusive foreground", device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND),
         DI_OK},
        {"a format of another size", device->SetDataFormat(&longer), DIERR_UNSUPPORTED},
        {"a copy of the joystick format", device->SetDataFormat(&copy), DI_OK},
        {"header size", device->SetProperty(DIPROP_DEADZONE, &shortHeader.diph), DIERR_INVALIDPARAM},
        {"min above max", SetRange(device, DIPH_BYOFFSET, DIJOFS_X, 5, 4), DIERR_INVALIDPARAM},
        {"dead zone over 100 %", SetDword(device, true, DIJOFS_Y, 10001), DIERR_INVALIDPARAM},
        {"an axis the stick lacks", SetRange(device, DIPH_BYOFFSET, DIJOFS_Z, 0, 1), DIERR_OBJECTNOTFOUND},
        {"a button", SetRange(device, DIPH_BYOFFSET, DIJOFS_BUTTON(0), 0, 1), DIERR_UNSUPPORTED},
        {"read before acquiring", device->GetDeviceState(sizeof(state), &state), DIERR_NOTACQUIRED},
        {"acquire", device->Acquire(), DI_OK},
        {"acquire again", device->Acquire(), S_FALSE},
        {"format while acquired", device->SetDataFormat(&c_dfDIJoystick), DIERR_ACQUIRED},
        {"poll", device->Poll(), DI_NOEFFECT},
        {"read of the wrong size", device->GetDeviceState(sizeof(state) - 4, &state), DIERR_INVALIDPARAM},
        {"unacquire", device->Unacquire(), DI_OK},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.got, row.expected);
    }
    device->Release();
    di->Release();
}

TEST(JoystickDevice, MapsAxesThroughRangeDeadZoneAndSaturationAndReportsButtons)
{
    VirtualStick stick(3, 12, 2);
    SKIP_WITHOUT_VIRTUAL_STICK(stick);
    HWND window = MakeWindow();
    IDirectInput8A* di = MakeDirectInput();
    IDirectInputDevice8A* device = OpenFirst(di, window);
    ASSERT_NE(device, nullptr);
    // X: -100 .. 100 with a 10 % dead zone and 90 % saturation. Y: defaults, 0 .. 65535 straight.
    // Z: 0 .. 2, to see the rounding. The raw centre is SDL's -1 (raw 32767 of 0 .. 65535); the
    // upper half spans 32768 raw steps, the lower 32767.
    ASSERT_EQ(SetRange(device, DIPH_BYOFFSET, DIJOFS_X, -100, 100), DI_OK);
    ASSERT_EQ(SetDword(device, true, DIJOFS_X, 1000), DI_OK);
    ASSERT_EQ(SetDword(device, false, DIJOFS_X, 9000), DI_OK);
    ASSERT_EQ(SetRange(device, DIPH_BYOFFSET, DIJOFS_Z, 0, 2), DI_OK);
    ASSERT_EQ(device->Acquire(), DI_OK);
    struct Row {
        const char* name;
        Sint16 sdl;
        LONG x, y, z;
    };
    const Row rows[] = {
        {"centre", -1, 0, 32767, 1},
        {"just off centre", 0, 0, 32768, 1},
        {"upper edge of the dead zone", 3276, 0, 36044, 1},         // 3277 of 32768 up: 10 %, rounded
        {"halfway up the live band", 16383, 50, 49151, 2},          // z: 1 + 16384/32768 = 1.5 rounds up
        {"just short of halfway in z", 16382, 50, 49150, 1},
        {"upper saturation", 29490, 100, 62258, 2},
        {"full up", 32767, 100, 65535, 2},
        {"lower edge of the dead zone", -3278, 0, 29490, 1},        // 3277 of 32767 down
        {"halfway down the live band", -16384, -50, 16384, 1},      // z: 16384/32767 rounds up
        {"lower saturation", -29491, -100, 3277, 0},
        {"full down", -32768, -100, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        stick.axis(0, row.sdl);
        stick.axis(1, row.sdl);
        stick.axis(2, row.sdl);
        const DIJOYSTATE state = Read(device);
        EXPECT_EQ(state.lX, row.x);
        EXPECT_EQ(state.lY, row.y);
        EXPECT_EQ(state.lZ, row.z);
        EXPECT_EQ(state.lRx, 0) << "axes the stick lacks read 0";
    }
    // A range for the whole device reaches every axis.
    ASSERT_EQ(device->Unacquire(), DI_OK);
    ASSERT_EQ(SetRange(device, DIPH_DEVICE, 0, -1000, 1000), DI_OK);
    ASSERT_EQ(device->Acquire(), DI_OK);
    stick.axis(0, 32767);
    stick.axis(1, -32768);
    stick.button(0, true);
    stick.button(11, true);
    stick.hat(0, SDL_HAT_RIGHTDOWN);
    const DIJOYSTATE state = Read(device);
    EXPECT_EQ(state.lX, 1000) << "the saturation stays";
    EXPECT_EQ(state.lY, -1000);
    for (int k = 0; k < 32; ++k)
        EXPECT_EQ(state.rgbButtons[k], (k == 0 || k == 11) ? 0x80 : 0) << "button " << k;
    EXPECT_EQ(state.rgdwPOV[0], 13500u) << "hundredths of a degree clockwise from north";
    EXPECT_EQ(state.rgdwPOV[1], 0xFFFFFFFFu) << "centred";
    EXPECT_EQ(state.rgdwPOV[2], 0xFFFFFFFFu) << "a hat the stick lacks reads as centred";
    device->Release();
    di->Release();
}

TEST(JoystickDevice, LosesInputOutsideTheForegroundAndWhenUnplugged)
{
    VirtualStick stick;
    SKIP_WITHOUT_VIRTUAL_STICK(stick);
    HWND window = MakeWindow();
    IDirectInput8A* di = MakeDirectInput();
    IDirectInputDevice8A* device = OpenFirst(di, window);
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->Acquire(), DI_OK);
    IDirectInputDevice8A* rival = OpenFirst(di, window);
    EXPECT_EQ(rival->Acquire(), DIERR_OTHERAPPHASPRIO) << "the stick is held exclusively";
    rival->Release();

    // Lost input is reported once, by whichever of Poll and GetDeviceState comes first.
    for (int event : {SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_MINIMIZED}) {
        SCOPED_TRACE(event);
        PushWindowEvent(event);
        TakeMessages();
        if (event == SDL_WINDOWEVENT_FOCUS_LOST) {
            EXPECT_EQ(device->Poll(), DIERR_INPUTLOST);
            EXPECT_EQ(device->Poll(), DIERR_NOTACQUIRED);
            Read(device, DIERR_NOTACQUIRED);
        } else {
            Read(device, DIERR_INPUTLOST);
            Read(device, DIERR_NOTACQUIRED);
            EXPECT_EQ(device->Poll(), DIERR_NOTACQUIRED);
        }
        EXPECT_EQ(device->Acquire(), DIERR_OTHERAPPHASPRIO) << "still in the background";
        PushWindowEvent(event == SDL_WINDOWEVENT_FOCUS_LOST ? SDL_WINDOWEVENT_FOCUS_GAINED
                                                           : SDL_WINDOWEVENT_RESTORED);
        TakeMessages();
        Read(device, DIERR_NOTACQUIRED);  // coming back does not acquire by itself
        EXPECT_EQ(device->Acquire(), DI_OK);
        Read(device);
    }

    stick.unplug();
    EXPECT_EQ(device->Poll(), DIERR_INPUTLOST);
    EXPECT_EQ(device->Poll(), DIERR_NOTACQUIRED);
    Read(device, DIERR_NOTACQUIRED);
    EXPECT_EQ(device->Acquire(), DIERR_UNPLUGGED);
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(di->Release(), 0u);
}
