// faults.h -- the question every API entry of the layer asks first: has a test made this call
// fail? (faults.cpp; tests arm the failures through testing.h)
#pragma once

#include <atomic>

#include "trace.h"
#include "windows.h"

// Every entry asks its hook before it checks anything else, except that a call which hands an
// object out through a pointer first refuses a null pointer and clears what it points to, so
// that a failure of any kind leaves null there.
//
// A call a test can make fail, under the API's own name ("CreateFileA",
// "IDirectDrawSurface7::Lock"). Each is defined once, at namespace scope beside its call, so its
// name is known from the start of the program and layer_fail_call refuses a name no call has.
// Its trace channel is the library folder of the file that defines it.
class FaultHook {
public:
    explicit FaultHook(const char* name, const char* file = __builtin_FILE());
    const char* name() const { return name_; }
    TraceChannel channel() const { return channel_; }

private:
    const char* name_;
    TraceChannel channel_;
};

// Read by every call on every thread; the table behind it has a lock of its own.
extern std::atomic<bool> layerFaultsArmed;
// True while a test has armed a failure or a trace channel writes every call: the one flag the
// calls test on their way in.
extern std::atomic<bool> layerCallsWatched;
bool layer_fault_lookup(const FaultHook& hook, HRESULT* result);

// True when a test made this call fail; *result then holds the HRESULT to return. Every API entry
// asks, so the question costs one flag test while no test has armed a failure and no channel
// writes every call (ENGINE_TRACE's "+calls", written by the lookup).
inline bool layer_fault(const FaultHook& hook, HRESULT* result = nullptr)
{
    return layerCallsWatched.load(std::memory_order_relaxed) && layer_fault_lookup(hook, result);
}

// The same for a call that reports failure through the last error (FALSE, null, 0,
// INVALID_HANDLE_VALUE): when it is made to fail the last error is the armed HRESULT's code, as
// HRESULT_FROM_WIN32 wraps it.
bool layer_fault_sets_last_error_slow(const FaultHook& hook);
inline bool layer_fault_sets_last_error(const FaultHook& hook)
{
    return layerCallsWatched.load(std::memory_order_relaxed) &&
           layer_fault_sets_last_error_slow(hook);
}

// The trace of a refused call under the hook's own name and channel (trace.h).
template <typename... Values>
inline HRESULT layer_refused(const FaultHook& hook, HRESULT code, const char* detail = nullptr,
                             Values... values)
{
    return layer_refused(hook.channel(), hook.name(), code, detail, values...);
}
template <typename... Values>
inline void layer_failed(const FaultHook& hook, DWORD error, const char* arguments,
                         const char* detail, Values... values)
{
    layer_failed(hook.channel(), hook.name(), error, arguments, detail, values...);
}
