// data_format.cpp -- c_dfDIJoystick, the one data format a device takes, and the object-type
// GUIDs its objects name
//
// The objects come in the order of DIJOYSTATE: axes and sliders, hats, buttons. A format built
// by the application is taken when it describes the same objects at the same places.

#include <array>

#include "dinput.h"
#include "dinput8/device.h"

using namespace di;

namespace {

// The object-type GUIDs differ in their first field only.
constexpr GUID ObjectTypeGuid(DWORD first)
{
    return GUID{first, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
}

}  // namespace

const GUID GUID_XAxis = ObjectTypeGuid(0xA36D02E0);
const GUID GUID_YAxis = ObjectTypeGuid(0xA36D02E1);
const GUID GUID_ZAxis = ObjectTypeGuid(0xA36D02E2);
const GUID GUID_RxAxis = ObjectTypeGuid(0xA36D02F4);
const GUID GUID_RyAxis = ObjectTypeGuid(0xA36D02F5);
const GUID GUID_RzAxis = ObjectTypeGuid(0xA36D02E3);
const GUID GUID_Slider = ObjectTypeGuid(0xA36D02E4);
const GUID GUID_Button = ObjectTypeGuid(0xA36D02F0);
const GUID GUID_POV = ObjectTypeGuid(0xA36D02F2);

namespace {

static_assert(JoystickObjectCount == 44 && PovSlots == JoystickReading::MostHats &&
                  ButtonSlots == JoystickReading::MostButtons,
              "joystick objects");

// The objects of c_dfDIJoystick in the order of DIJOYSTATE: axes and sliders, hats, buttons,
// every one optional, so that a device lacking some still takes the format.
constexpr std::array<DIOBJECTDATAFORMAT, JoystickObjectCount> JoystickObjectTable()
{
    constexpr DWORD AxisObject = DIDFT_OPTIONAL | DIDFT_AXIS | DIDFT_ANYINSTANCE;
    constexpr DWORD PovObject = DIDFT_OPTIONAL | DIDFT_POV | DIDFT_ANYINSTANCE;
    constexpr DWORD ButtonObject = DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_ANYINSTANCE;
    const GUID* const axisTypes[AxisSlots] = {&GUID_XAxis,  &GUID_YAxis,  &GUID_ZAxis,  &GUID_RxAxis,
                                              &GUID_RyAxis, &GUID_RzAxis, &GUID_Slider, &GUID_Slider};
    std::array<DIOBJECTDATAFORMAT, JoystickObjectCount> table{};
    int i = 0;
    for (int axis = 0; axis < AxisSlots; ++axis)
        table[i++] = {axisTypes[axis], static_cast<DWORD>(axis * sizeof(LONG)), AxisObject,
                      DIDOI_ASPECTPOSITION};
    for (int pov = 0; pov < PovSlots; ++pov)
        table[i++] = {&GUID_POV, static_cast<DWORD>(DIJOFS_POV(pov)), PovObject, 0};
    for (int button = 0; button < ButtonSlots; ++button)
        table[i++] = {nullptr, static_cast<DWORD>(DIJOFS_BUTTON(button)), ButtonObject, 0};
    return table;
}

std::array<DIOBJECTDATAFORMAT, JoystickObjectCount> JoystickObjects = JoystickObjectTable();

}  // namespace

const DIDATAFORMAT c_dfDIJoystick = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_ABSAXIS, sizeof(DIJOYSTATE),
    JoystickObjectCount, JoystickObjects.data(),
};

namespace {

bool same_object(const DIOBJECTDATAFORMAT& a, const DIOBJECTDATAFORMAT& b)
{
    if ((a.pguid == nullptr) != (b.pguid == nullptr))
        return false;
    if (a.pguid && *a.pguid != *b.pguid)
        return false;
    return a.dwOfs == b.dwOfs && a.dwType == b.dwType && a.dwFlags == b.dwFlags;
}

}  // namespace

bool di::is_joystick_format(const DIDATAFORMAT& format)
{
    if (&format == &c_dfDIJoystick)
        return true;
    if (format.dwFlags != c_dfDIJoystick.dwFlags || format.dwDataSize != c_dfDIJoystick.dwDataSize ||
        format.dwNumObjs != c_dfDIJoystick.dwNumObjs || !format.rgodf)
        return false;
    for (DWORD i = 0; i < format.dwNumObjs; ++i)
        if (!same_object(format.rgodf[i], c_dfDIJoystick.rgodf[i]))
            return false;
    return true;
}
