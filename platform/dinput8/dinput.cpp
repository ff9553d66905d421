// dinput.cpp -- DirectInput 8: DirectInput8Create, the DirectInput object and the enumeration of
// game controllers; the devices it makes are device.cpp's
//
// Controllers are SDL joysticks listed and opened through sdl_joystick.cpp. Instance GUIDs name
// an attached controller, product GUIDs its USB vendor and product.
// Left out on purpose: mice and keyboards as DirectInput devices, device classes other than game
// controllers, and action maps.

#include <algorithm>
#include <cstring>
#include <string>

#include "dinput.h"
#include "dinput8/device.h"
#include "dinput8/sdl_joystick.h"
#include "faults.h"
#include "kernel32/codepage.h"
#include "unsupported.h"
#include "user32/window.h"

namespace {

// The calls here that a test can make fail.
const FaultHook IDirectInput8AEnumDevicesFault("IDirectInput8A::EnumDevices");
const FaultHook IDirectInput8ACreateDeviceFault("IDirectInput8A::CreateDevice");
const FaultHook DirectInput8CreateFault("DirectInput8Create");

}  // namespace

const GUID IID_IDirectInput8A = {
    0xBF798030, 0x483A, 0x4DA2, {0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00}};

namespace {

static_assert(sizeof(DIDEVICEINSTANCEA) == 580 && offsetof(DIDEVICEINSTANCEA, dwDevType) == 36 &&
                  offsetof(DIDEVICEINSTANCEA, tszInstanceName) == 40,
              "DIDEVICEINSTANCEA layout");

// Instance GUIDs name one attached device for as long as it stays attached; product GUIDs carry
// the USB vendor and product ids the way the platform writes them ("PIDVID" in the tail).
GUID instance_guid(int32_t id)
{
    return GUID{static_cast<DWORD>(id), 0x4C61, 0x11EE, {0x80, 0x00, 'S', 'D', 'L', 'J', 'O', 'Y'}};
}

GUID product_guid(uint16_t vendor, uint16_t product)
{
    const DWORD ids = static_cast<DWORD>(MAKELONG(vendor, product));
    return GUID{ids, 0, 0, {0, 0, 'P', 'I', 'D', 'V', 'I', 'D'}};
}

class DirectInput final : public IDirectInput8A {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICE8A* device,
                                           LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE EnumDevices(DWORD deviceType, LPDIENUMDEVICESCALLBACKA callback,
                                          LPVOID context, DWORD flags) override;

private:
    ~DirectInput() override = default;
    ULONG references = 1;
};

HRESULT DirectInput::EnumDevices(DWORD deviceType, LPDIENUMDEVICESCALLBACKA callback, LPVOID context,
                                 DWORD flags)
{
    HRESULT result = DI_OK;
    if (layer_fault(IDirectInput8AEnumDevicesFault, &result))
        return result;
    if (!callback)
        return layer_refused(IDirectInput8AEnumDevicesFault, DIERR_INVALIDPARAM);
    if (deviceType != DI8DEVCLASS_GAMECTRL) {
        note_unsupported("IDirectInput8A::EnumDevices", "a device class other than game controllers");
        return layer_refused(IDirectInput8AEnumDevicesFault, DIERR_UNSUPPORTED);
    }
    if (flags != DIEDFL_ALLDEVICES && flags != DIEDFL_ATTACHEDONLY) {
        note_unsupported("IDirectInput8A::EnumDevices", "an enumeration flag beyond attached-only");
        return layer_refused(IDirectInput8AEnumDevicesFault, DIERR_UNSUPPORTED);
    }
    // Only attached controllers are known, so both flags list the same devices. The list is
    // taken first: the callback may create devices while it runs.
    for (const JoystickDevice& device : sdl_joystick_list()) {
        DIDEVICEINSTANCEA instance;
        memset(&instance, 0, sizeof(instance));
        instance.dwSize = sizeof(instance);
        instance.guidInstance = instance_guid(device.id);
        instance.guidProduct = product_guid(device.vendor, device.product);
        instance.dwDevType = static_cast<DWORD>(device.type) | DIDEVTYPE_HID;
        const std::string name = utf8_to_cp1251(device.name.c_str());
        const size_t length = std::min(name.size(), sizeof(instance.tszInstanceName) - 1);
        memcpy(instance.tszInstanceName, name.data(), length);
        memcpy(instance.tszProductName, name.data(), length);
        if (callback(&instance, context) == DIENUM_STOP)
            break;
    }
    return DI_OK;
}

HRESULT DirectInput::CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICE8A* device, LPUNKNOWN outer)
{
    if (!device)
        return layer_refused(IDirectInput8ACreateDeviceFault, DIERR_INVALIDPARAM);
    *device = nullptr;
    HRESULT result = DI_OK;
    if (layer_fault(IDirectInput8ACreateDeviceFault, &result))
        return result;
    if (outer)
        return layer_refused(IDirectInput8ACreateDeviceFault, DIERR_NOAGGREGATION);
    for (const JoystickDevice& attached : sdl_joystick_list()) {
        if (instance_guid(attached.id) != instance)
            continue;
        SDL_Joystick* joystick = sdl_joystick_open(attached.id);
        if (!joystick)
            break;
        *device = di::create_device(this, attached.id, joystick);
        return DI_OK;
    }
    return layer_refused(IDirectInput8ACreateDeviceFault, DIERR_DEVICENOTREG);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

HRESULT WINAPI DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, LPVOID* out,
                                  LPUNKNOWN outer)
{
    if (!out)
        return layer_refused(DirectInput8CreateFault, DIERR_INVALIDPARAM);
    *out = nullptr;
    HRESULT result = DI_OK;
    if (layer_fault(DirectInput8CreateFault, &result))
        return result;
    if (!instance)
        return layer_refused(DirectInput8CreateFault, DIERR_INVALIDPARAM);
    if (version == 0)
        return layer_refused(DirectInput8CreateFault, DIERR_NOTINITIALIZED);
    if (version < DIRECTINPUT_VERSION)
        return layer_refused(DirectInput8CreateFault, DIERR_OLDDIRECTINPUTVERSION);
    if (version > DIRECTINPUT_VERSION)
        return layer_refused(DirectInput8CreateFault, DIERR_BETADIRECTINPUTVERSION);
    if (outer)
        return layer_refused(DirectInput8CreateFault, DIERR_NOAGGREGATION);
    if (iid != IID_IDirectInput8A)
        return layer_refused(DirectInput8CreateFault, DIERR_NOINTERFACE);
    window_listen(di::on_window_event);
    *out = static_cast<IDirectInput8A*>(new DirectInput);
    return DI_OK;
}
