// display_device_test.cpp -- bring-up by depth and placement, the palette file, restore, present,
// teardown

#include <gtest/gtest.h>

#include "support.h"

namespace {

// True when the surface is lost as the platform reports it.
bool Lost(IDirectDrawSurface7* surface) { return surface->IsLost() != DD_OK; }

}  // namespace

TEST(InitDirectDraw, DepthChoosesModeAndTransparentColor)
{
    ScratchDirectory dir;
    WriteBytes("data/palette.bmp", PaletteBitmap());
    struct Row {
        int depth;
        uint16_t bits;
        NativePixel transparent;
    };
    const Row rows[] = {{8, 8, 254}, {16, 16, 63519}, {32, 32, 16711935}, {24, 16, 63519}, {0, 16, 63519}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.depth);
        ASSERT_TRUE(BringUpDisplay(row.depth));
        EXPECT_EQ(BitsPerPixel, row.bits);
        EXPECT_EQ(TransparentColor, row.transparent);
        EXPECT_NE(pPrimarySurface, nullptr);
        EXPECT_NE(pBackSurface, nullptr);
        EXPECT_NE(pScreenSurface, nullptr);
        EXPECT_NE(pScratchSurface, nullptr);
        EXPECT_EQ(pPalette != nullptr, row.bits == 8) << "only an 8-bit display has a palette";
        int32_t pitch = 0, height = 0;
        ASSERT_TRUE(GetSurfaceLayout(pitch, height, pScreenSurface));
        EXPECT_GE(pitch, 800 * row.bits / 8);
        EXPECT_EQ(height, 600);
        ReleaseDirectDraw();
    }
    EXPECT_TRUE(layer_message_boxes().empty());
}

TEST(InitDirectDraw, PaletteFileIsNotReadAtSixteenOrThirtyTwoBits)
{
    ScratchDirectory dir;  // no data\palette.bmp here
    ASSERT_TRUE(BringUpDisplay(16));
    ReleaseDirectDraw();
    ASSERT_TRUE(BringUpDisplay(32));
    EXPECT_EQ(pPalette, nullptr);
    EXPECT_TRUE(layer_message_boxes().empty());
}

TEST(InitDirectDraw, MissingPaletteFileOrRefusedPaletteAtEightBitsIsFatal)
{
    ScratchDirectory dir;
    for (bool fileThere : {false, true}) {
        SCOPED_TRACE(fileThere ? "CreatePalette refused" : "no palette file");
        if (fileThere) {
            WriteBytes("data/palette.bmp", PaletteBitmap());
            layer_fail_call("IDirectDraw7::CreatePalette", 0, DDERR_OUTOFMEMORY);
        }
        layer_capture_message_boxes(true);
        EXPECT_FALSE(BringUpDisplay(8));
        ASSERT_EQ(layer_message_boxes().size(), 1u);
        EXPECT_EQ(layer_message_boxes()[0].text, AbortText("CreateDirectDrawPalette"));
        EXPECT_EQ(pDirectDraw, nullptr) << "the abort released what was created";
        EXPECT_EQ(pPalette, nullptr);
        hMainWindow = nullptr;  // the abort destroyed it
    }
}

TEST(InitDirectDraw, SurfacePlacement)
{
    // Room for the primary chain only: 2 x 800 x 600 x 2 bytes.
    const size_t chainOnly = 2u * 1600u * 600u;
    struct Row {
        const char* name;
        int32_t placement;
        bool starts;
    };
    const Row rows[] = {
        {"video then system", 3, true},
        {"video only", 2, false},
        {"system only", 1, true},
        {"unknown value", 0, false},
        {"unknown value above", 4, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        layer_set_video_memory(chainOnly);
        SurfaceMemory = row.placement;
        EXPECT_EQ(BringUpDisplay(16), row.starts);
        if (row.starts) {
            EXPECT_EQ(layer_video_memory_used(), chainOnly) << "off-screen surfaces went to system memory";
        } else {
            ASSERT_FALSE(layer_message_boxes().empty());
            EXPECT_EQ(layer_message_boxes()[0].text, AbortText("CreateMainSurfaces"));
            EXPECT_EQ(layer_video_memory_used(), 0u) << "the abort released the primary chain";
            hMainWindow = nullptr;  // the abort destroyed it
        }
        ReleaseDirectDraw();
    }
}

TEST(CreateDirectDrawPalette, ReadsTheColorTableAndIgnoresTheFourthByte)
{
    ScratchDirectory dir;
    WriteBytes("data/palette.bmp", PaletteBitmap({{254, 255, 0, 255}, {7, 1, 2, 3}}));
    ASSERT_TRUE(BringUpDisplay(8));
    EXPECT_EQ(PaletteEntries[254].peRed, 255);
    EXPECT_EQ(PaletteEntries[254].peGreen, 0);
    EXPECT_EQ(PaletteEntries[254].peBlue, 255);
    EXPECT_EQ(PaletteEntries[7].peRed, 1);
    EXPECT_EQ(PaletteEntries[7].peGreen, 2);
    EXPECT_EQ(PaletteEntries[7].peBlue, 3);
    EXPECT_EQ(PaletteEntries[100].peRed, 100);
    EXPECT_EQ(PaletteEntries[100].peGreen, 155);
    EXPECT_EQ(PaletteEntries[100].peBlue, 50);
    for (const PALETTEENTRY& entry : PaletteEntries)
        ASSERT_EQ(entry.peFlags, 0);
    // The palette is on the primary: what the window shows goes through it.
    FillSurfaceBytes(pScreenSurface, 7);
    PresentScreen();
    LayerPicture picture;
    ASSERT_TRUE(layer_window_picture(&picture));
    EXPECT_EQ(picture.at(0, 0), 0x010203u);
}

TEST(CreateDirectDrawPalette, ShortOrGarbageFilesStayInsideTheBuffer)
{
    ScratchDirectory dir;
    ASSERT_TRUE(BringUpDisplay(16));
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> partial(54 + 4 * 3, 0xEE);  // three entries, then the end of the file
    const Row rows[] = {{"empty", {}}, {"header only", std::vector<uint8_t>(54, 0x11)}, {"three entries", partial}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteBytes("pal.bmp", row.bytes);
        IDirectDrawPalette* palette = CreateDirectDrawPalette(pDirectDraw, "pal.bmp");
        ASSERT_NE(palette, nullptr) << "the reader tests nothing in the file";
        if (row.bytes.size() > 54) {
            EXPECT_EQ(PaletteEntries[2].peRed, 0xEE);
        }
        EXPECT_EQ(PaletteEntries[3].peRed, 0) << "entries past the end of the file are black";
        EXPECT_EQ(PaletteEntries[255].peBlue, 0);
        palette->Release();
    }
    EXPECT_EQ(CreateDirectDrawPalette(pDirectDraw, "missing.bmp"), nullptr);
}

TEST(CreateDirectDrawPalette, ReleasesThePreviousPaletteFirst)
{
    ScratchDirectory dir;
    WriteBytes("data/palette.bmp", PaletteBitmap());
    ASSERT_TRUE(BringUpDisplay(8));
    IDirectDrawPalette* old = pPalette;
    old->AddRef();
    EXPECT_EQ(CreateDirectDrawPalette(pDirectDraw, "no-such-file.bmp"), nullptr);
    EXPECT_EQ(pPalette, nullptr);
    // Held by the test and by the primary it is attached to.
    EXPECT_EQ(old->Release(), 1u);
}

TEST(RestoreLostSurfaces, RestoresTheScreenOnlyTogetherWithThePrimary)
{
    ASSERT_TRUE(BringUpDisplay(16));
    layer_set_surface_lost(pScreenSurface);
    EXPECT_TRUE(RestoreLostSurfaces());
    EXPECT_TRUE(Lost(pScreenSurface)) << "the primary was not lost, so the screen is not looked at";

    layer_set_surface_lost(pPrimarySurface);
    EXPECT_TRUE(RestoreLostSurfaces());
    EXPECT_FALSE(Lost(pPrimarySurface));
    EXPECT_FALSE(Lost(pScreenSurface));
    EXPECT_FALSE(Lost(pBackSurface));

    layer_lose_surfaces();
    layer_fail_call("IDirectDrawSurface7::Restore", 0, DDERR_WRONGMODE);
    EXPECT_TRUE(RestoreLostSurfaces()) << "a failed restore is tried again next frame";
    EXPECT_TRUE(Lost(pPrimarySurface));
}

TEST(ReleaseDirectDraw, RunsAnyNumberOfTimes)
{
    ASSERT_TRUE(BringUpDisplay(16));
    ReleaseDirectDraw();
    EXPECT_EQ(pDirectDraw, nullptr);
    EXPECT_EQ(pPrimarySurface, nullptr);
    EXPECT_EQ(pBackSurface, nullptr);
    EXPECT_EQ(pScreenSurface, nullptr);
    EXPECT_EQ(pScratchSurface, nullptr);
    EXPECT_EQ(layer_video_memory_used(), 0u);
    ReleaseDirectDraw();
    EXPECT_FALSE(RestoreLostSurfaces());
    ASSERT_TRUE(AppActive) << "else the present below would stop before its surfaces";
    const unsigned presents = layer_present_count();
    PresentScreen();  // nothing left to present from or to
    EXPECT_EQ(layer_present_count(), presents);
}

TEST(ReleaseDirectDraw, GivesBackPrimaryScreenPaletteTableAndScratchThenTheDevice)
{
    NotedSurface primary("primary"), back("back buffer"), screen("screen"), first("table 0"),
        second("table 1"), scratch("scratch");
    Noted<IDirectDrawPalette> palette("palette");
    NotedDirectDraw device("device");
    pPrimarySurface = &primary;
    pBackSurface = &back;
    pScreenSurface = &screen;
    pPalette = &palette;
    SurfaceTable[0] = &first;
    SurfaceTable[1] = &second;
    SurfaceCount = 2;
    pScratchSurface = &scratch;
    pDirectDraw = &device;
    ReleaseDirectDraw();
    EXPECT_EQ(ReleaseLog, (std::vector<std::string>{"primary", "screen", "palette", "table 0", "table 1",
                                                    "scratch", "device"}))
        << "the back buffer goes with the primary";
    EXPECT_TRUE(!pPrimarySurface && !pBackSurface && !pScreenSurface && !pPalette && !SurfaceTable[0] &&
                !SurfaceTable[1] && !pScratchSurface && !pDirectDraw);
}

TEST(PresentScreen, ShowsTheScreenOnlyWhileActive)
{
    for (int depth : {16, 32}) {
        SCOPED_TRACE(depth);
        ASSERT_TRUE(BringUpDisplay(depth));
        DDBLTFX fx{};
        fx.dwSize = sizeof(fx);
        fx.dwFillColor = depth == 16 ? 0xF800 : 0xFF0000;  // red
        pScreenSurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);

        AppActive = false;
        PresentScreen();
        LayerPicture picture;
        ASSERT_TRUE(layer_window_picture(&picture));
        EXPECT_EQ(picture.at(400, 300), 0u) << "nothing reaches the window while inactive";

        AppActive = true;
        layer_fail_call("IDirectDrawSurface7::BltFast", 1, DDERR_SURFACEBUSY);
        PresentScreen();
        ASSERT_TRUE(layer_window_picture(&picture));
        EXPECT_EQ(picture.at(400, 300), 0u) << "a refused copy shows nothing new";
        PresentScreen();
        ASSERT_TRUE(layer_window_picture(&picture));
        EXPECT_EQ(picture.at(0, 0), 0xFF0000u) << "the next frame tries again";
        EXPECT_EQ(picture.at(799, 599), 0xFF0000u);
        ReleaseDirectDraw();
        layer_clear_faults();
    }
}

TEST(CreateMainSurfaces, WithoutADeviceRefusesAndKeepsThePalette)
{
    EXPECT_FALSE(CreateMainSurfaces());
    EXPECT_EQ(pPrimarySurface, nullptr);

    ScratchDirectory dir;
    WriteBytes("data/palette.bmp", PaletteBitmap());
    ASSERT_TRUE(BringUpDisplay(8));
    IDirectDrawPalette* kept = pPalette;
    EXPECT_EQ(CreateDirectDrawPalette(nullptr, "data/palette.bmp"), nullptr);
    EXPECT_EQ(pPalette, kept) << "a call that cannot make a palette keeps the one in use";
}
