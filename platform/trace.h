// trace.h -- the trace of what the layer refused, on standard error, asked for with ENGINE_TRACE
// (trace.cpp)
#pragma once

#include <type_traits>

#include "windows.h"

// One channel per API library, as ENGINE_TRACE names them: user32, gdi32, ddraw, dinput8, dsound,
// kernel32, winmm (or all). "name+calls" also writes every call of that library that a test can
// make fail, as it is made.
enum TraceChannel : unsigned {
    TraceUser32,
    TraceGdi32,
    TraceDdraw,
    TraceDinput8,
    TraceDsound,
    TraceKernel32,
    TraceWinmm,
    TraceChannelCount,
};

extern unsigned layerTraceFailures;  // bit c: channel c writes refused calls
extern unsigned layerTraceCalls;     // bit c: channel c writes every hooked call

// Reads a setting in ENGINE_TRACE's syntax ("ddraw,gdi32", "all+calls"; empty or null: off), and
// writes the repeat counts the previous setting still held. A name that is no channel is written
// on stderr with the list of channels and left out.
void layer_trace_configure(const char* setting);

// Out of the way of the calls that succeed: the compiler keeps these paths apart from theirs.
[[gnu::cold]] void layer_trace_write(TraceChannel channel, const char* call, long code,
                                     const char* arguments, const char* detail, ...);
[[gnu::cold]] void layer_trace_call(TraceChannel channel, const char* call);

// Integers reach the formats widened to long or unsigned long: write %ld and %lu for every one.
template <typename Value>
inline auto layer_trace_value(Value value)
{
    if constexpr (std::is_integral_v<Value> && std::is_signed_v<Value>)
        return static_cast<long>(value);
    else if constexpr (std::is_integral_v<Value>)
        return static_cast<unsigned long>(value);
    else
        return value;
}

// Notes a refused call and answers its code, so a failure site reads
//   return layer_refused(TraceDdraw, "IDirectDrawSurface7::Blt", DDERR_INVALIDRECT, "...", ...);
// The line is "call: CODE_NAME (detail)"; detail is a printf format (null: no detail) whose values
// follow. Nothing is formatted while the channel is off.
template <typename... Values>
inline HRESULT layer_refused(TraceChannel channel, const char* call, HRESULT code,
                             const char* detail = nullptr, Values... values)
{
    if (__builtin_expect((layerTraceFailures & (1u << channel)) != 0, 0))
        layer_trace_write(channel, call, code, nullptr, detail, layer_trace_value(values)...);
    return code;
}

// Notes a call that failed with a last-error code (0 when the call sets none), written as
// "call(arguments): ERROR_NAME (detail)"; arguments and detail are printf formats (either may be
// null) whose values follow, the arguments' first.
template <typename... Values>
inline void layer_failed(TraceChannel channel, const char* call, DWORD error, const char* arguments,
                         const char* detail, Values... values)
{
    if (__builtin_expect((layerTraceFailures & (1u << channel)) != 0, 0))
        layer_trace_write(channel, call, static_cast<long>(error), arguments, detail,
                          layer_trace_value(values)...);
}
