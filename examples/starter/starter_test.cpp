// starter_test.cpp -- the starter's own test, on the engine's test library: the game runs headless
// from its WinMain, the ball must be drawn where the scripted mouse moved it, and a scripted Esc
// must end the game with status 0. Linux only; run it from the folder that holds sprite.bmp.

#include <cstdio>

#include "testing/game_testing.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand);

namespace {

constexpr int MouseX = 200;
constexpr int MouseY = 150;
constexpr uint32_t Ball = 0xFABE1E;        // the middle of sprite.bmp: 250, 190, 30
constexpr uint32_t Background = 0x142846;  // the starter's background: 20, 40, 70
constexpr int FramesAllowed = 600;         // to see the ball in, before the test gives up

HINSTANCE__ moduleInstance{};

}  // namespace

int main()
{
    UseHeadlessDisplay();
    int frames = 0;
    bool moved = false;
    bool ballSeen = false;
    bool ballBeforeMove = false;
    uint32_t lastUnderMouse = 0;
    uint32_t lastAway = 0;
    OnEveryFrame([&] {
        ++frames;
        ScreenPixels screen;
        if (!ReadScreen(&screen) || screen.width < 800 || screen.height < 600)
            return;
        lastUnderMouse = screen.at(MouseX, MouseY);
        lastAway = screen.at(600, 450);
        if (!moved) {
            // The mouse starts in the corner: no ball at the spot yet.
            ballBeforeMove = lastUnderMouse == Ball;
            moved = ScriptMouseMove(MouseX, MouseY);
        } else if (lastUnderMouse == Ball && lastAway == Background) {
            ballSeen = true;
            ScriptKey(VK_ESCAPE, true);
        } else if (frames > FramesAllowed) {
            ScriptKey(VK_ESCAPE, true);
        }
    });
    const int status = WinMain(&moduleInstance, nullptr, const_cast<char*>(""), SW_SHOWDEFAULT);
    OnEveryFrame(nullptr);

    int failures = 0;
    if (ballBeforeMove) {
        printf("FAIL: the ball was at (%d, %d) before the mouse moved there\n", MouseX, MouseY);
        ++failures;
    }
    if (!ballSeen) {
        printf("FAIL: after %d frames, at the mouse (%d, %d): 0x%06X, expected the ball 0x%06X; "
               "away at (600, 450): 0x%06X, expected the background 0x%06X\n",
               frames, MouseX, MouseY, lastUnderMouse, Ball, lastAway, Background);
        ++failures;
    }
    if (status != 0) {
        printf("FAIL: the starter ended with status %d after Esc\n", status);
        ++failures;
    }
    if (failures == 0)
        printf("starter_test: the ball was drawn at the mouse and Esc ended the game (%d frames)\n", frames);
    return failures == 0 ? 0 : 1;
}
