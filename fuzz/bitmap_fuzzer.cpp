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
    fuzzing::Input().Write(data, size);
    if (IDirectDrawSurface7* surface = LoadBitmapSurface(fuzzing::Input().path()))
        surface->Release();
    return 0;
}
