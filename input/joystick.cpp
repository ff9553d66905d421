// joystick.cpp -- the game controller through DirectInput 8: set-up, poll, release

#include "input.h"

#include "../app/app.h"
#include "../display/display.h"

IDirectInput8A* pDirectInput = nullptr;
IDirectInputDevice8A* pJoystick = nullptr;
GUID JoystickGuid = {};
int32_t JoystickFound = 0;
HWND JoystickWindow = nullptr;
char JoystickError[JoystickErrorSize] = "";

namespace {

constexpr DWORD DeadZone = 1000;     // hundredths of a percent of the travel: 10 %
constexpr DWORD Saturation = 9000;   // 90 %
constexpr BYTE ButtonDown = 0x80;

void FillHeader(DIPROPHEADER& header, DWORD size, DWORD axis)
{
    header.dwSize = size;
    header.dwHeaderSize = sizeof(DIPROPHEADER);
    header.dwObj = axis;
    header.dwHow = DIPH_BYOFFSET;
}

bool SetAxisRange(DWORD axis, LONG low, LONG high)
{
    DIPROPRANGE range{};
    FillHeader(range.diph, sizeof(range), axis);
    range.lMin = low;
    range.lMax = high;
    return pJoystick->SetProperty(DIPROP_RANGE, &range.diph) == DI_OK;
}

bool SetAxisDeadZone(DWORD axis, DWORD value)
{
    DIPROPDWORD property{};
    FillHeader(property.diph, sizeof(property), axis);
    property.dwData = value;
    return pJoystick->SetProperty(DIPROP_DEADZONE, &property.diph) == DI_OK;
}

bool SetAxisSaturation(DWORD axis, DWORD value)
{
    DIPROPDWORD property{};
    FillHeader(property.diph, sizeof(property), axis);
    property.dwData = value;
    return pJoystick->SetProperty(DIPROP_SATURATION, &property.diph) == DI_OK;
}

}  // namespace

int InitDirectInput(HWND window)
{
    JoystickWindow = window;
    // The 64-bit SDK has only the pointer-sized form of the instance query.
    const LONG_PTR module = GetWindowLongPtrA(JoystickWindow, GWLP_HINSTANCE);
    const auto instance = reinterpret_cast<HINSTANCE>(module);
    if (DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                           reinterpret_cast<void**>(&pDirectInput), nullptr) != DI_OK)
        return 0;
    if (pDirectInput->EnumDevices(DI8DEVCLASS_GAMECTRL, EnumJoystickCallback, nullptr,
                                  DIEDFL_ATTACHEDONLY) != DI_OK)
        return 0;
    if (!JoystickFound)
        return 0;
    if (pDirectInput->CreateDevice(JoystickGuid, &pJoystick, nullptr) != DI_OK)
        return 0;
    if (pJoystick->SetCooperativeLevel(JoystickWindow, DISCL_EXCLUSIVE | DISCL_FOREGROUND) != DI_OK)
        return 0;
    if (pJoystick->SetDataFormat(&c_dfDIJoystick) != DI_OK)
        return 0;
    if (!SetJoystickProperties())
        return 0;
    pJoystick->Acquire();  // a refusal now is made good by the first poll that finds input lost
    return 1;
}

BOOL CALLBACK EnumJoystickCallback(LPCDIDEVICEINSTANCEA instance, LPVOID)
{
    JoystickGuid = instance->guidInstance;
    JoystickFound = 1;
    return DIENUM_STOP;
}

int SetJoystickProperties()
{
    if (!pJoystick)
        return 0;
    // The ranges put the stick's travel into screen units around the centre of the screen.
    const LONG halfWidth = ScreenWidth / 2;
    const LONG halfHeight = ScreenHeight / 2;
    const char* failure = nullptr;
    if (!SetAxisRange(DIJOFS_X, -halfWidth, halfWidth))
        failure = "Calibrate X error";
    else if (!SetAxisRange(DIJOFS_Y, -halfHeight, halfHeight))
        failure = "Calibrate Y error";
    else if (!SetAxisDeadZone(DIJOFS_X, DeadZone))
        failure = "Dead zone X error";
    else if (!SetAxisDeadZone(DIJOFS_Y, DeadZone))
        failure = "Dead zone Y error";
    else if (!SetAxisSaturation(DIJOFS_X, Saturation) || !SetAxisSaturation(DIJOFS_Y, Saturation))
        failure = "Saturation Error";
    if (!failure)
        return 1;
    wsprintfA(JoystickError, "%s", failure);
    return 0;
}

void AcquireJoystick(int acquire)
{
    if (!pJoystick)
        return;
    if (acquire)
        pJoystick->Acquire();
    else
        pJoystick->Unacquire();
}

void PollJoystick()
{
    if (!pJoystick)
        return;
    pJoystick->Poll();
    DIJOYSTATE state;
    HRESULT result = pJoystick->GetDeviceState(sizeof(state), &state);
    // Input is lost while the window is in the background: the first read after that says so,
    // later ones only that the device is not acquired. Either way one acquire is tried, which
    // fails while the window is still in the background and brings the stick back once it is not.
    if (result == DIERR_INPUTLOST || result == DIERR_NOTACQUIRED) {
        pJoystick->Acquire();
        result = pJoystick->GetDeviceState(sizeof(state), &state);
    }
    if (result != DI_OK)
        return;

    InputRecord& input = InputState;
    const int32_t centreX = ScreenWidth / 2;
    const int32_t centreY = ScreenHeight / 2;
    // Both vertical thresholds are a quarter of the width from the centre, as the horizontal ones.
    const int32_t reach = ScreenWidth / 4;
    input.JoyX = centreX + state.lX;
    input.JoyY = centreY + state.lY;
    input.JoyLeft = input.JoyX < centreX - reach;
    input.JoyRight = input.JoyX > centreX + reach;
    input.JoyUp = input.JoyY < centreY - reach;
    input.JoyDown = input.JoyY > centreY + reach;
    bool* const buttons[] = {&input.JoyButton0, &input.JoyButton1, &input.JoyButton2,
                             &input.JoyButton3, &input.JoyButton4, &input.JoyButton5,
                             &input.JoyButton6, &input.JoyButton7, &input.JoyButton8,
                             &input.JoyButton9, &input.JoyButton10};
    for (size_t k = 0; k < sizeof(buttons) / sizeof(buttons[0]); ++k)
        *buttons[k] = (state.rgbButtons[k] & ButtonDown) != 0;
}

void ReleaseDirectInput()
{
    if (pJoystick) {
        pJoystick->Unacquire();
        pJoystick->Release();
        pJoystick = nullptr;
    }
    if (pDirectInput) {
        pDirectInput->Release();
        pDirectInput = nullptr;
    }
}
