// timer.cpp -- timeGetTime: milliseconds from CLOCK_MONOTONIC, 32 bits, wrapping; the timer
// resolution calls
//
// Tests can freeze the clock at any value (one just below the wrap is the interesting one) and
// move it by hand, and any thread may read it meanwhile; Sleep then moves it instead of waiting.
// CLOCK_MONOTONIC already counts whole milliseconds, so timeBeginPeriod only checks its value, as
// Wine's does: 1 to 65535, and the pairing with timeEndPeriod is not tracked. No SDL here.

#include <atomic>
#include <ctime>

#include "mmsystem.h"
#include "windows.h"
#include "testing.h"
#include "winmm/timer.h"

namespace {

constexpr UINT SmallestPeriod = 1;
constexpr UINT LargestPeriod = 65535;

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

MMRESULT WINAPI timeBeginPeriod(UINT period)
{
    return period >= SmallestPeriod && period <= LargestPeriod ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

MMRESULT WINAPI timeEndPeriod(UINT period)
{
    return period >= SmallestPeriod && period <= LargestPeriod ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

bool timer_pass_held_time(DWORD milliseconds)
{
    if (!clockFrozen)
        return false;
    frozenTime += milliseconds;  // unsigned: wraps as the platform's counter does
    return true;
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
