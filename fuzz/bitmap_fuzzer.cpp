// bitmap_fuzzer.cpp -- arbitrary bytes as an image file for LoadBitmapSurface

#include <cstddef>
#include <cstdint>

#include "display_fixture.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzing::BringUpDisplay();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::WriteInput(data, size);
    if (IDirectDrawSurface7* surface = LoadBitmapSurface(fuzzing::InputPath().c_str()))
        surface->Release();
    return 0;
}
