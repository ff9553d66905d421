// unsupported.h -- the one way the layer says that a call asked for something it leaves out
#pragma once

#include "windows.h"

// ERROR_NOT_SUPPORTED: the last error of a call refused for asking what the layer leaves out.
constexpr DWORD ErrorNotSupported = 50;

// A line on stderr, "layer: <call>: <what> is not supported", once per call and thing, so that a
// program that asks again every frame leaves one line.
void note_unsupported(const char* call, const char* what);
