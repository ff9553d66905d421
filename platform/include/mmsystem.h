// mmsystem.h -- winmm as the engine uses it: the millisecond clock
#pragma once
#ifdef _WIN32
#error "this is the Linux platform layer's mmsystem.h; on Windows the SDK header answers"
#endif

#include "windef.h"

// Milliseconds since the system started, 32 bits, wrapping every 2^32 ms.
DWORD WINAPI timeGetTime();
