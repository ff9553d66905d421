// sleep.cpp -- Sleep: the calling thread waits that many milliseconds on CLOCK_MONOTONIC
//
// Sleep(0) gives up the rest of the time slice; the platform's tick rounding is left out, as a
// high-resolution wait is what timeBeginPeriod(1) asks for there. While a test holds winmm's
// clock, Sleep moves that clock on instead of waiting.

#include <sched.h>

#include <cerrno>
#include <ctime>

#include "windows.h"
#include "winmm/timer.h"

void WINAPI Sleep(DWORD milliseconds)
{
    if (timer_pass_held_time(milliseconds))
        return;
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    if (milliseconds == INFINITE) {
        for (;;) {  // INFINITE never returns
            timespec day{86400, 0};
            nanosleep(&day, nullptr);
        }
    }
    timespec wanted{static_cast<time_t>(milliseconds / 1000),
                    static_cast<long>(milliseconds % 1000) * 1000000L};
    timespec left{};
    // A signal cuts the wait short; the rest of it is waited for.
    while (nanosleep(&wanted, &left) != 0 && errno == EINTR)
        wanted = left;
}
