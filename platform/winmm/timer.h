// timer.h -- what winmm's clock (timer.cpp) offers the layer's other libraries
#pragma once

#include "windef.h"

// While a test holds the clock, moves it on by that many milliseconds and answers true, so that
// a wait under the held clock costs no real time; false while the clock runs.
bool timer_pass_held_time(DWORD milliseconds);
