// windows.h -- the Win32 subset the engine uses, as the Linux platform layer provides it
#pragma once
#ifdef _WIN32
#error "this is the Linux platform layer's windows.h; on Windows the SDK header answers"
#endif

#include "windef.h"
#include "winbase.h"
#include "wingdi.h"
#include "winuser.h"
