// image_fuzzer.cpp -- arbitrary bytes as an image file for LoadImageSurface, on the 16-bit display

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
    IDirectDrawSurface7* surface = LoadImageSurface(fuzzing::Input().path());
    ReleaseImageSurface(surface);
    return 0;
}
