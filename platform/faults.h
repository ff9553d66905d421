// faults.h -- the question every API entry of the layer asks first: has a test made this call
// fail? (faults.cpp; tests arm the failures through testing.h)
#pragma once

#include "windows.h"

// True when a test made this call fail; *result then holds the HRESULT to return. Every API entry
// asks, so the question costs one flag test while no test has armed a failure.
extern bool layerFaultsArmed;
bool layer_fault_lookup(const char* name, HRESULT* result);
inline bool layer_fault(const char* name, HRESULT* result = nullptr)
{
    return layerFaultsArmed && layer_fault_lookup(name, result);
}
