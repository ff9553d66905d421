// platform.h -- brings in the Win32, GDI, DirectDraw, DirectInput, DirectSound and winmm API.
// The same include line finds the SDK's headers on Windows and the platform layer's elsewhere;
// nothing in the engine needs to know which.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <ddraw.h>
#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>
#include <dsound.h>
