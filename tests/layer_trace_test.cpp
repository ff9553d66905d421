// layer_trace_test.cpp -- the trace of refused calls: one line per refusal on the channels asked
// for, nothing when none is, repeats counted instead of written, every call with +calls

#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

// What the calls made by run wrote on stderr under the trace setting.
template <typename Run>
std::string TraceOf(const char* setting, Run run)
{
    layer_set_trace(setting);
    testing::internal::CaptureStderr();
    run();
    layer_set_trace("");  // writes the counts still held
    return testing::internal::GetCapturedStderr();
}

}  // namespace

TEST(Trace, RefusedBlitAndMissingFileWriteOneLineEachOnTheirChannels)
{
    ScratchDirectory scratch;
    LayerDevice device(32, 64, 48);
    IDirectDrawSurface7* screen = device.Offscreen(800, 600);
    IDirectDrawSurface7* sprite = device.Offscreen(40, 20);
    RECT past{790, 0, 830, 20};
    const auto refusals = [&] {
        EXPECT_EQ(screen->Blt(&past, sprite, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
        EXPECT_EQ(CreateFileA("sprite.bmp", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    };
    const std::string blit = "[ddraw] IDirectDrawSurface7::Blt: DDERR_INVALIDRECT (destination "
                             "790,0-830,20 reaches past the 800x600 surface)\n";
    const std::string file = "[kernel32] CreateFileA(\"sprite.bmp\"): ERROR_FILE_NOT_FOUND\n";
    struct Row {
        const char* setting;
        std::string expect;
    };
    const Row rows[] = {
        {"ddraw,kernel32", blit + file},
        {"all", blit + file},
        {"kernel32", file},
        {"", ""},
        {"gdi32,dsound", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.setting);
        EXPECT_EQ(TraceOf(r.setting, refusals), r.expect);
    }
    // A successful call writes nothing, except with +calls.
    const auto fine = [&] { EXPECT_EQ(screen->Blt(nullptr, nullptr, nullptr, DDBLT_WAIT | DDBLT_COLORFILL, nullptr), DDERR_INVALIDPARAMS); };
    EXPECT_EQ(TraceOf("ddraw", [&] { EXPECT_EQ(screen->BltFast(0, 0, sprite, nullptr, 0), DD_OK); }), "");
    EXPECT_EQ(TraceOf("ddraw+calls", [&] { EXPECT_EQ(screen->BltFast(0, 0, sprite, nullptr, 0), DD_OK); }),
              "[ddraw] call IDirectDrawSurface7::BltFast\n");
    EXPECT_EQ(TraceOf("ddraw", fine), "[ddraw] IDirectDrawSurface7::Blt: DDERR_INVALIDPARAMS (a colour "
                                      "fill takes a DDBLTFX and no source)\n");
    sprite->Release();
    screen->Release();
}

TEST(Trace, RepeatsAfterTheFirstThreeAreCounted)
{
    LayerDevice device(16, 64, 48);
    IDirectDrawSurface7* screen = device.Offscreen(64, 48);
    IDirectDrawSurface7* sprite = device.Offscreen(8, 8);
    const std::string text = TraceOf("ddraw", [&] {
        for (int i = 0; i < 153; ++i)  // the destination moves: the same call with the same reason
            screen->BltFast(60 + i % 3, 0, sprite, nullptr, 0);
        RECT bad{0, 0, 9, 8};  // another reason: the source rectangle
        screen->BltFast(0, 0, sprite, &bad, 0);
    });
    const std::string call = "[ddraw] IDirectDrawSurface7::BltFast: DDERR_INVALIDRECT";
    const std::string first = call + " (destination 60,0-68,8 is not inside the 64x48 surface (BltFast does not clip))\n";
    const std::string second = call + " (destination 61,0-69,8 is not inside the 64x48 surface (BltFast does not clip))\n";
    const std::string third = call + " (destination 62,0-70,8 is not inside the 64x48 surface (BltFast does not clip))\n";
    EXPECT_EQ(text, first + second + third + call + ": 100 more like this not shown\n" +
                        "[ddraw] IDirectDrawSurface7::BltFast: DDERR_INVALIDRECT (source 0,0-9,8 reaches past the 8x8 surface)\n" +
                        call + ": 50 more like this not shown\n");
    sprite->Release();
    screen->Release();
}

TEST(Trace, UnknownChannelsAreNamedAndLeftOut)
{
    testing::internal::CaptureStderr();
    layer_set_trace("ddraw,direct3d,ddraw+verbose");
    const std::string text = testing::internal::GetCapturedStderr();
    layer_set_trace("");
    EXPECT_NE(text.find("no channel \"direct3d\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"ddraw+verbose\""), std::string::npos) << text;
}
