// pacing.cpp -- the frame rate a game asks for: slots of 1/rate seconds kept by sleeping, or the
// monitor's vertical blank, or no wait at all

#include "app.h"
#include "../display/display.h"

namespace {

constexpr int LargestFrameRate = 1000;
constexpr UINT TimerResolution = 1;  // milliseconds: Sleep(1) then lasts about 1 ms, not a tick

int Rate = FrameRateUnlimited;
bool ResolutionRaised = false;  // timeBeginPeriod(TimerResolution) is in force for the pacing
bool Scheduled = false;         // a schedule has started: ScheduleStart and SlotsDone hold it
uint32_t ScheduleStart = 0;     // timeGetTime at slot 0, milliseconds
uint64_t SlotsDone = 0;         // slots since ScheduleStart

// Slot k begins k * 1000 / Rate milliseconds after the schedule's start, rounded down, so slots
// of 16.67 ms come out as 16 and 17 in turn and keep 60 a second exactly.
uint32_t SlotTime(uint64_t slot)
{
    return ScheduleStart + static_cast<uint32_t>(slot * 1000 / static_cast<uint64_t>(Rate));
}

void RaiseResolution(bool raise)
{
    if (raise && !ResolutionRaised)
        ResolutionRaised = timeBeginPeriod(TimerResolution) == TIMERR_NOERROR;
    else if (!raise && ResolutionRaised) {
        timeEndPeriod(TimerResolution);
        ResolutionRaised = false;
    }
}

}  // namespace

bool SetFrameRate(int framesPerSecond)
{
    if (framesPerSecond != FrameRateUnlimited && framesPerSecond != FrameRateMonitor &&
        (framesPerSecond < 1 || framesPerSecond > LargestFrameRate)) {
        SetEngineError("SetFrameRate: %d is neither 1 to %d frames a second nor FrameRateUnlimited "
                       "nor FrameRateMonitor", framesPerSecond, LargestFrameRate);
        return false;
    }
    Rate = framesPerSecond;
    Scheduled = false;  // the next frame starts the new schedule
    RaiseResolution(Rate > 0);
    return true;
}

int FrameRate() { return Rate; }

void WaitForFrameSlot()
{
    if (Rate == FrameRateMonitor) {
        // Before the display is up, or where the device cannot wait, the frame goes at once.
        if (pDirectDraw)
            pDirectDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
        return;
    }
    if (Rate <= 0)
        return;
    uint32_t now = timeGetTime();
    if (!Scheduled) {
        Scheduled = true;
        ScheduleStart = now;
        SlotsDone = 0;
        return;
    }
    const uint32_t slot = SlotTime(SlotsDone + 1);
    // Signed differences of the unsigned clock: right across its wrap.
    const int32_t lateness = static_cast<int32_t>(now - slot);
    const int32_t slotLength = static_cast<int32_t>(SlotTime(SlotsDone + 2) - slot);
    if (lateness >= slotLength) {
        // A whole slot or more behind: this frame goes now and the schedule starts again from
        // it, rather than the frames missed following in a burst.
        ScheduleStart = now;
        SlotsDone = 0;
        return;
    }
    // Sleep may end early on the platform (it counts in timer ticks): wait again until the slot.
    while (static_cast<int32_t>(slot - now) > 0) {
        Sleep(slot - now);
        now = timeGetTime();
    }
    ++SlotsDone;
}
