// timer.cpp -- timeGetTime: milliseconds from CLOCK_MONOTONIC, 32 bits, wrapping
//
// Tests can freeze the clock at any value (one just below the wrap is the interesting one) and
// move it by hand; any thread may read it meanwhile. No SDL here.

#include <atomic>
#include <ctime>

#include "mmsystem.h"
#include "windows.h"
#include "testing.h"

namespace {

std::atomic<bool> clockFrozen{false};
std::atomic<DWORD> frozenTime{0};

DWORD monotonic_milliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u +
                        static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);  // the platform's counter wraps at 2^32 ms as well
}

}  // namespace

DWORD WINAPI timeGetTime()
{
    return clockFrozen ? frozenTime.load() : monotonic_milliseconds();
}

void layer_set_time(DWORD milliseconds)
{
    clockFrozen = true;
    frozenTime = milliseconds;
}

void layer_advance_time(DWORD milliseconds)
{
    if (!clockFrozen)
        layer_set_time(monotonic_milliseconds());
    frozenTime += milliseconds;  // unsigned: wraps as the platform's counter does
}

void layer_use_real_time() { clockFrozen = false; }
