// faults.cpp -- named call failures for tests
//
// Each API entry asks layer_fault() with its own hook before it does anything. A test arms a
// name to fail on every call or only on the n-th call counted from the arming. A name no hook has
// is a mistake in the test and ends the program at once, as such a test could only pass.
// Nothing here touches SDL.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "faults.h"
#include "testing.h"

namespace {

struct Fault {
    int nth = 0;       // 0: every call; k: the k-th call after arming
    int calls = 0;     // calls seen since arming
    HRESULT result = E_FAIL;
};

// Calls come from the game's thread and from threads the program starts (music, audio).
std::mutex& faults_lock()
{
    static std::mutex lock;
    return lock;
}

std::map<std::string, Fault>& faults()
{
    static std::map<std::string, Fault> table;
    return table;
}

// The names of every hook in the program, filled as the program starts.
std::set<std::string>& hooks()
{
    static std::set<std::string> table;
    return table;
}

}  // namespace

std::atomic<bool> layerFaultsArmed{false};
std::atomic<bool> layerCallsWatched{false};

FaultHook::FaultHook(const char* name, const char* file) : name_(name), channel_(TraceUser32)
{
    hooks().insert(name);
    static const struct {
        const char* folder;
        TraceChannel channel;
    } folders[] = {
        {"/user32/", TraceUser32},   {"/gdi32/", TraceGdi32},     {"/ddraw/", TraceDdraw},
        {"/dinput8/", TraceDinput8}, {"/dsound/", TraceDsound},   {"/kernel32/", TraceKernel32},
        {"/winmm/", TraceWinmm},
    };
    for (const auto& folder : folders)
        if (file && strstr(file, folder.folder))
            channel_ = folder.channel;
}

void layer_fail_call(const char* name, int nth, HRESULT result)
{
    if (!name || !hooks().count(name)) {
        fprintf(stderr, "layer_fail_call: no call named \"%s\" can be made to fail\n",
                name ? name : "(null)");
        abort();
    }
    Fault fault;
    fault.nth = nth < 0 ? 0 : nth;
    fault.result = result;
    std::lock_guard<std::mutex> hold(faults_lock());
    faults()[name] = fault;
    layerFaultsArmed = true;
    layerCallsWatched = true;
}

void layer_clear_faults()
{
    std::lock_guard<std::mutex> hold(faults_lock());
    faults().clear();
    layerFaultsArmed = false;
    layerCallsWatched = layerTraceCalls != 0;
}

bool layer_fault_lookup(const FaultHook& hook, HRESULT* result)
{
    if (layerTraceCalls & (1u << hook.channel()))
        layer_trace_call(hook.channel(), hook.name());
    if (!layerFaultsArmed)
        return false;
    std::lock_guard<std::mutex> hold(faults_lock());
    auto& table = faults();
    auto it = table.find(hook.name());
    if (it == table.end())
        return false;
    Fault& fault = it->second;
    ++fault.calls;
    if (fault.nth != 0 && fault.calls != fault.nth)
        return false;
    if (result)
        *result = fault.result;
    return true;
}

bool layer_fault_sets_last_error_slow(const FaultHook& hook)
{
    HRESULT result = E_FAIL;
    if (!layer_fault_lookup(hook, &result))
        return false;
    SetLastError(static_cast<DWORD>(result) & 0xFFFF);
    return true;
}
