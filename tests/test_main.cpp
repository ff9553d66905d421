// test_main.cpp -- the tests' shared entry: headless SDL unless the caller chose a driver

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/app.h"
#include "display/display.h"
#include "input/input.h"
#include "sound/sound.h"
#include "support.h"

namespace {

// What the program's teardown gives back, given back after each test as the window's
// destruction would, so that the leak check sees only what nothing gives back.
class EngineTeardown : public ::testing::Environment {
public:
    void TearDown() override
    {
        ReleaseDirectDraw();
        ReleaseSounds();
        ReleaseDirectInput();
        // Windows go with the process on the platform; here they are destroyed as it ends.
        LayerWindowInfo info;
        for (HWND window : TestWindows())
            if (layer_window_info(window, &info))
                DestroyWindow(window);
        if (hMainWindow && layer_window_info(hMainWindow, &info))
            DestroyWindow(hMainWindow);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new EngineTeardown);
    return RUN_ALL_TESTS();
}
