// palette_fuzzer.cpp -- arbitrary bytes as the palette file for CreateDirectDrawPalette

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
    if (IDirectDrawPalette* palette = CreateDirectDrawPalette(pDirectDraw, fuzzing::Input().path()))
        palette->Release();
    return 0;
}
