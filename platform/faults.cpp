// faults.cpp -- named call failures for tests
//
// Each API entry asks layer_fault() with its own name before it does anything. A test arms a
// name to fail on every call or only on the n-th call counted from the arming. Nothing here
// touches SDL.

#include <map>
#include <string>

#include "faults.h"
#include "testing.h"

namespace {

struct Fault {
    int nth = 0;       // 0: every call; k: the k-th call after arming
    int calls = 0;     // calls seen since arming
    HRESULT result = E_FAIL;
};

std::map<std::string, Fault>& faults()
{
    static std::map<std::string, Fault> table;
    return table;
}

}  // namespace

bool layerFaultsArmed = false;

void layer_fail_call(const char* name, int nth, HRESULT result)
{
    Fault fault;
    fault.nth = nth < 0 ? 0 : nth;
    fault.result = result;
    faults()[name] = fault;
    layerFaultsArmed = true;
}

void layer_clear_faults()
{
    faults().clear();
    layerFaultsArmed = false;
}

bool layer_fault_lookup(const char* name, HRESULT* result)
{
    auto& table = faults();
    auto it = table.find(name);
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
