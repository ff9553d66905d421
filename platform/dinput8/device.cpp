// device.cpp -- DirectInput 8's joystick device: cooperative level, data format, axis
// properties, acquisition and loss, polling and the DIJOYSTATE record
//
// The controller is an SDL joystick reached through sdl_joystick.cpp; everything here is plain
// C++: the axis properties and the mapping of a raw position through range, dead zone and
// saturation, the foreground rule of the cooperative level, and the DIJOYSTATE record. SDL's axes
// 0 to 5 are X, Y, Z, Rx, Ry and Rz, axes 6 and 7 the two sliders, hats the points of view,
// buttons 0 to 31 the buttons. A raw axis position runs 0 to 65535, as a HID stick reports it.
// Left out on purpose: buffered data, force feedback, data formats other than c_dfDIJoystick,
// and cooperative levels other than exclusive foreground, which are refused.

#include <cstring>
#include <map>
#include <set>

#include "dinput.h"
#include "dinput8/device.h"
#include "dinput8/sdl_joystick.h"
#include "faults.h"
#include "unsupported.h"
#include "user32/window.h"

using namespace di;

namespace {

// The calls here that a test can make fail.
const FaultHook IDirectInputDevice8ASetCooperativeLevelFault("IDirectInputDevice8A::SetCooperativeLevel");
const FaultHook IDirectInputDevice8ASetDataFormatFault("IDirectInputDevice8A::SetDataFormat");
const FaultHook IDirectInputDevice8ASetPropertyFault("IDirectInputDevice8A::SetProperty");
const FaultHook IDirectInputDevice8AAcquireFault("IDirectInputDevice8A::Acquire");
const FaultHook IDirectInputDevice8AUnacquireFault("IDirectInputDevice8A::Unacquire");
const FaultHook IDirectInputDevice8APollFault("IDirectInputDevice8A::Poll");
const FaultHook IDirectInputDevice8AGetDeviceStateFault("IDirectInputDevice8A::GetDeviceState");

static_assert(sizeof(DIJOYSTATE) == 80, "DIJOYSTATE layout");
static_assert(sizeof(DIPROPHEADER) == 16 && sizeof(DIPROPDWORD) == 20 && sizeof(DIPROPRANGE) == 24,
              "property records");

constexpr DWORD FullScale = 10000;  // dead zone and saturation: 10000 = 100 %
constexpr int64_t RawMin = 0;
constexpr int64_t RawMax = 65535;
constexpr int32_t SdlAxisOffset = 32768;  // SDL's -32768 .. 32767 moved onto the raw 0 .. 65535
constexpr DWORD SupportedLevel = DISCL_EXCLUSIVE | DISCL_FOREGROUND;

class Device;

std::set<Device*>& devices()
{
    static std::set<Device*> table;
    return table;
}

// Which device holds each controller in exclusive mode, by SDL instance id.
std::map<int32_t, Device*> exclusiveHolders;

// a * b / c rounded to the nearest integer, halves away from zero.
int64_t mul_div(int64_t a, int64_t b, int64_t c)
{
    const int64_t product = a * b;
    const int64_t half = (c < 0 ? -c : c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const int64_t magnitude = ((product < 0 ? -product : product) + half) / (c < 0 ? -c : c);
    return negative ? -magnitude : magnitude;
}

// The midpoint of a range, halves away from zero; a range from 0 takes the lower middle.
int64_t centre_of(int64_t low, int64_t high)
{
    if (low == 0)
        return high >> 1;
    const int64_t sum = low + high;
    if (sum % 2 == 0)
        return sum / 2;
    return sum > 0 ? (sum + 1) / 2 : (sum - 1) / 2;
}

struct AxisProperties {
    LONG low = 0;
    LONG high = 65535;
    DWORD deadZone = 0;
    DWORD saturation = FullScale;
};

// A raw position (0 .. 65535) as the application sees it: within the dead zone around the centre
// the centre itself, beyond the saturation the end of the range, and in between a straight line;
// each half of the axis is scaled on its own.
LONG map_axis(int64_t raw, const AxisProperties& axis)
{
    const int64_t rawCentre = centre_of(RawMin, RawMax);
    const int64_t outCentre = centre_of(axis.low, axis.high);
    const int64_t d = raw - rawCentre;
    int64_t lo, hi, outLo, outHi;
    if (d <= 0) {
        lo = mul_div(RawMin - rawCentre, axis.saturation, FullScale);
        hi = mul_div(RawMin - rawCentre, axis.deadZone, FullScale);
        outLo = axis.low;
        outHi = outCentre;
    } else {
        lo = mul_div(RawMax - rawCentre, axis.deadZone, FullScale);
        hi = mul_div(RawMax - rawCentre, axis.saturation, FullScale);
        outLo = outCentre;
        outHi = axis.high;
    }
    if (d <= lo)
        return static_cast<LONG>(outLo);
    if (d >= hi)
        return static_cast<LONG>(outHi);
    return static_cast<LONG>(outLo + mul_div(d - lo, outHi - outLo, hi - lo));
}

class Device final : public IDirectInputDevice8A {
public:
    Device(IDirectInput8A* owner, int32_t id, SDL_Joystick* joystick);

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE SetProperty(REFDIPROPNAME property, LPCDIPROPHEADER header) override;
    HRESULT STDMETHODCALLTYPE Acquire() override;
    HRESULT STDMETHODCALLTYPE Unacquire() override;
    HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override;
    HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Poll() override;

    // The window left the foreground: a device held in the foreground for it loses its input.
    void window_deactivated(HWND handle);

private:
    ~Device() override;
    void let_go();
    // Reads the controller; on an unplugged one the acquisition ends and input is lost.
    bool read(JoystickReading* reading);
    // Whether the device may be read: lost input is said once, by whichever of Poll and
    // GetDeviceState comes first; after that the device is merely not acquired.
    HRESULT readable();
    HRESULT axis_slots(const DIPROPHEADER& header, int* first, int* last) const;

    ULONG references = 1;
    IDirectInput8A* owner;
    int32_t id;
    SDL_Joystick* joystick;
    int axisCount = 0;
    int buttonCount = 0;
    int hatCount = 0;
    bool formatSet = false;
    bool foregroundExclusive = false;  // the level set; the default is background, shared
    HWND window = nullptr;
    bool acquired = false;
    bool lostNotice = false;  // input was lost; the next read says so once
    AxisProperties axes[AxisSlots];
};

Device::Device(IDirectInput8A* owner, int32_t id, SDL_Joystick* joystick)
    : owner(owner), id(id), joystick(joystick)
{
    owner->AddRef();  // a device keeps its DirectInput object alive
    sdl_joystick_counts(joystick, &axisCount, &buttonCount, &hatCount);
    devices().insert(this);
}

Device::~Device()
{
    let_go();
    devices().erase(this);
    sdl_joystick_close(joystick);
    owner->Release();
}

ULONG Device::Release()
{
    const ULONG left = --references;
    if (left == 0)
        delete this;
    return left;
}

void Device::let_go()
{
    acquired = false;
    auto holder = exclusiveHolders.find(id);
    if (holder != exclusiveHolders.end() && holder->second == this)
        exclusiveHolders.erase(holder);
}

void Device::window_deactivated(HWND handle)
{
    if (!foregroundExclusive || window != handle || !acquired)
        return;
    let_go();
    lostNotice = true;
}

bool Device::read(JoystickReading* reading)
{
    if (sdl_joystick_read(joystick, reading))
        return true;
    if (acquired) {
        let_go();
        lostNotice = true;
    }
    return false;
}

HRESULT Device::readable()
{
    if (lostNotice) {
        lostNotice = false;
        return DIERR_INPUTLOST;
    }
    return acquired ? DI_OK : DIERR_NOTACQUIRED;
}

HRESULT Device::SetCooperativeLevel(HWND handle, DWORD flags)
{
    HRESULT result = DI_OK;
    if (layer_fault(IDirectInputDevice8ASetCooperativeLevelFault, &result))
        return result;
    const DWORD sharing = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
    const DWORD place = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
    if ((flags & ~(DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND |
                   DISCL_NOWINKEY)) != 0 ||
        (sharing != DISCL_EXCLUSIVE && sharing != DISCL_NONEXCLUSIVE) ||
        (place != DISCL_FOREGROUND && place != DISCL_BACKGROUND))
        return DIERR_INVALIDPARAM;
    if (!window_is_valid(handle))
        return E_HANDLE;
    if (flags != SupportedLevel) {
        note_unsupported("IDirectInputDevice8A::SetCooperativeLevel",
                         "a level other than exclusive foreground");
        return DIERR_UNSUPPORTED;
    }
    foregroundExclusive = true;
    window = handle;
    return DI_OK;
}

HRESULT Device::SetDataFormat(LPCDIDATAFORMAT format)
{
    HRESULT result = DI_OK;
    if (layer_fault(IDirectInputDevice8ASetDataFormatFault, &result))
        return result;
    if (!format || format->dwSize != sizeof(DIDATAFORMAT) ||
        format->dwObjSize != sizeof(DIOBJECTDATAFORMAT))
        return DIERR_INVALIDPARAM;
    if (acquired)
        return DIERR_ACQUIRED;
    if (!is_joystick_format(*format)) {
        note_unsupported("IDirectInputDevice8A::SetDataFormat",
                         "a data format other than c_dfDIJoystick");
        return DIERR_UNSUPPORTED;
    }
    formatSet = true;
    return DI_OK;
}

// The axes a property header names: every axis for the device, or one by its data-format offset.
HRESULT Device::axis_slots(const DIPROPHEADER& header, int* first, int* last) const
{
    switch (header.dwHow) {
    case DIPH_DEVICE:
        if (header.dwObj != 0)
            return DIERR_INVALIDPARAM;
        *first = 0;
        *last = axisCount - 1;
        return DI_OK;
    case DIPH_BYOFFSET: {
        if (!formatSet)
            return DIERR_OBJECTNOTFOUND;  // offsets mean nothing before the data format
        const DWORD offset = header.dwObj;
        if (offset < DIJOFS_POV(0)) {
            const int slot = static_cast<int>(offset / sizeof(LONG));
            if (offset % sizeof(LONG) != 0 || slot >= axisCount)
                return DIERR_OBJECTNOTFOUND;
            *first = *last = slot;
            return DI_OK;
        }
        const bool pov = offset < DIJOFS_BUTTON(0) && (offset - DIJOFS_POV(0)) % sizeof(DWORD) == 0 &&
                         static_cast<int>((offset - DIJOFS_POV(0)) / sizeof(DWORD)) < hatCount;
        const bool button = offset >= DIJOFS_BUTTON(0) &&
                            static_cast<int>(offset - DIJOFS_BUTTON(0)) < buttonCount;
        if (!pov && !button)
            return DIERR_OBJECTNOTFOUND;
        note_unsupported("IDirectInputDevice8A::SetProperty", "an axis property of a button or hat");
        return DIERR_UNSUPPORTED;
    }
    case DIPH_BYID:
    case DIPH_BYUSAGE:
        note_unsupported("IDirectInputDevice8A::SetProperty", "naming an object by id or usage");
        return DIERR_UNSUPPORTED;
    default:
        return DIERR_INVALIDPARAM;
    }
}

HRESULT Device::SetProperty(REFDIPROPNAME property, LPCDIPROPHEADER header)
{
    HRESULT result = DI_OK;
    if (layer_fault(IDirectInputDevice8ASetPropertyFault, &result))
        return result;
    if (!header || header->dwHeaderSize != sizeof(DIPROPHEADER))
        return DIERR_INVALIDPARAM;
    // Properties are told apart by address alone; nothing is read through it.
    const bool range = &property == &DIPROP_RANGE;
    const bool deadZone = &property == &DIPROP_DEADZONE;
    const bool saturation = &property == &DIPROP_SATURATION;
    if (!range && !deadZone && !saturation) {
        note_unsupported("IDirectInputDevice8A::SetProperty",
                         "a property other than range, dead zone and saturation");
        return DIERR_UNSUPPORTED;
    }
    if (header->dwSize != (range ? sizeof(DIPROPRANGE) : sizeof(DIPROPDWORD)))
        return DIERR_INVALIDPARAM;
    int first = 0, last = -1;
    result = axis_slots(*header, &first, &last);
    if (result != DI_OK)
        return result;
    if (range) {
        const auto* values = reinterpret_cast<const DIPROPRANGE*>(header);
        if (values->lMin > values->lMax)
            return DIERR_INVALIDPARAM;
        for (int slot = first; slot <= last; ++slot) {
            axes[slot].low = values->lMin;
            axes[slot].high = values->lMax;
        }
    } else {
        const DWORD value = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
        if (value > FullScale)
            return DIERR_INVALIDPARAM;
        for (int slot = first; slot <= last; ++slot)
            (deadZone ? axes[slot].deadZone : axes[slot].saturation) = value;
    }
    return DI_OK;
}

HRESULT Device::Acquire()
{
    HRESULT result = DI_OK;
    if (layer_fault(IDirectInputDevice8AAcquireFault, &result))
        return result;
    if (!formatSet)
        return DIERR_INVALIDPARAM;
    if (acquired)
        return S_FALSE;
    lostNotice = false;
    JoystickReading reading;
    if (!sdl_joystick_read(joystick, &reading))
        return DIERR_UNPLUGGED;
    if (foregroundExclusive) {
        if (!window_is_foreground(window))
            return DIERR_OTHERAPPHASPRIO;
        auto holder = exclusiveHolders.find(id);
        if (holder != exclusiveHolders.end() && holder->second != this)
            return DIERR_OTHERAPPHASPRIO;
        exclusiveHolders[id] = this;
    }
    acquired = true;
    return DI_OK;
}

HRESULT Device::Unacquire()
{
    HRESULT result = DI_OK;
    if (layer_fault(IDirectInputDevice8AUnacquireFault, &result))
        return result;
    lostNotice = false;
    if (!acquired)
        return DI_NOEFFECT;
    let_go();
    return DI_OK;
}

HRESULT Device::Poll()
{
    HRESULT result = DI_OK;
    if (layer_fault(IDirectInputDevice8APollFault, &result))
        return result;
    const HRESULT access = readable();
    if (access != DI_OK)
        return access;
    JoystickReading reading;
    if (!read(&reading)) {
        lostNotice = false;  // said here; the calls after this one find the device not acquired
        return DIERR_INPUTLOST;
    }
    return DI_NOEFFECT;  // the state is read afresh by GetDeviceState; there is nothing to poll
}

HRESULT Device::GetDeviceState(DWORD size, LPVOID data)
{
    HRESULT result = DI_OK;
    if (layer_fault(IDirectInputDevice8AGetDeviceStateFault, &result))
        return result;
    const HRESULT access = readable();
    if (access != DI_OK)
        return access;
    if (!data || size != sizeof(DIJOYSTATE))
        return DIERR_INVALIDPARAM;
    JoystickReading reading;
    if (!read(&reading)) {
        lostNotice = false;
        return DIERR_INPUTLOST;
    }
    DIJOYSTATE state;
    memset(&state, 0, sizeof(state));
    LONG* axisFields[AxisSlots] = {&state.lX,  &state.lY,  &state.lZ,           &state.lRx,
                                   &state.lRy, &state.lRz, &state.rglSlider[0], &state.rglSlider[1]};
    for (int slot = 0; slot < axisCount; ++slot)
        *axisFields[slot] = map_axis(int64_t(reading.axes[slot]) + SdlAxisOffset, axes[slot]);
    for (int i = 0; i < PovSlots; ++i)
        state.rgdwPOV[i] = i < hatCount && reading.hats[i] >= 0 ? static_cast<DWORD>(reading.hats[i])
                                                                : 0xFFFFFFFFu;
    for (int i = 0; i < buttonCount; ++i)
        state.rgbButtons[i] = reading.buttons[i] ? 0x80 : 0;
    memcpy(data, &state, sizeof(state));
    return DI_OK;
}

}  // namespace

IDirectInputDevice8A* di::create_device(IDirectInput8A* owner, int32_t id, SDL_Joystick* joystick)
{
    return new Device(owner, id, joystick);
}

// A window that leaves the foreground (deactivated, minimized, hidden or destroyed) takes the
// input of the devices held in the foreground for it.
void di::on_window_event(HWND window, WindowEvent event)
{
    if (event == WindowEvent::Deactivated)
        for (Device* device : devices())
            device->window_deactivated(window);
}
