// display_surface_test.cpp -- locking, clearing, keys, layout, pixel reads, colour conversion

#include <gtest/gtest.h>

#include <cstring>

#include "support.h"

namespace {

// Counts the bytes of a surface's rows (padding included) that differ from value.
size_t BytesNotEqual(IDirectDrawSurface7* surface, uint8_t value)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    const auto* bytes = static_cast<const uint8_t*>(desc.lpSurface);
    size_t count = 0;
    for (size_t i = 0; i < static_cast<size_t>(desc.lPitch) * desc.dwHeight; ++i)
        count += bytes[i] != value;
    surface->Unlock(nullptr);
    return count;
}

}  // namespace

TEST(LockSurfaceMemory, RestoresALostSurfaceButGivesUpWhenRestoreKeepsFailing)
{
    ASSERT_TRUE(BringUpDisplay(16));
    layer_set_surface_lost(pScreenSurface);
    void* memory = LockSurfaceMemory(pScreenSurface);
    ASSERT_NE(memory, nullptr);
    UnlockSurfaceMemory(pScreenSurface);

    layer_set_surface_lost(pScreenSurface);
    layer_fail_call("IDirectDrawSurface7::Restore", 0, DDERR_WRONGMODE);
    EXPECT_EQ(LockSurfaceMemory(pScreenSurface), nullptr) << "the retries are bounded";
    EXPECT_EQ(pScreenSurface->Unlock(nullptr), DDERR_NOTLOCKED) << "nothing is left locked";

    layer_clear_faults();
    layer_fail_call("IDirectDrawSurface7::Restore", 1, DDERR_WRONGMODE);
    EXPECT_NE(LockSurfaceMemory(pScreenSurface), nullptr) << "a second restore succeeds";
    UnlockSurfaceMemory(pScreenSurface);
}

TEST(LockSurfaceMemory, OtherLockFailuresGiveNull)
{
    ASSERT_TRUE(BringUpDisplay(16));
    layer_fail_call("IDirectDrawSurface7::Lock", 0, DDERR_SURFACEBUSY);
    EXPECT_EQ(LockSurfaceMemory(pScreenSurface), nullptr);
    EXPECT_EQ(ReadScreenPixel(0, 0), 0u);
    EXPECT_EQ(RgbToNativePixel(255, 255, 255), 0u);
}

TEST(ClearSurface, ZeroesEveryRowInFullButFailsOnALostSurface)
{
    ASSERT_TRUE(BringUpDisplay(16));
    IDirectDrawSurface7* surface = CreateOffscreenSurface(451, 7);  // odd width: padded rows
    ASSERT_NE(surface, nullptr);
    FillSurfaceBytes(surface, 0xCD);
    EXPECT_TRUE(ClearSurface(surface));
    EXPECT_EQ(BytesNotEqual(surface, 0), 0u);

    FillSurfaceBytes(surface, 0xCD);
    layer_set_surface_lost(surface);
    EXPECT_FALSE(ClearSurface(surface));
    EXPECT_TRUE(surface->IsLost() != DD_OK) << "no restore here";
    EXPECT_NE(LockSurfaceMemory(surface), nullptr) << "the lock restores it";
    UnlockSurfaceMemory(surface);
    surface->Release();
}

TEST(GetSurfaceLayout, ReportsPitchAndRowsOrLeavesTheOutputs)
{
    ASSERT_TRUE(BringUpDisplay(16));
    int32_t pitch = -1, height = -1;
    ASSERT_TRUE(GetSurfaceLayout(pitch, height, pScreenSurface));
    EXPECT_GE(pitch, 1600) << "bytes per row, not pixels";
    EXPECT_EQ(height, 600);

    layer_set_surface_lost(pScreenSurface);
    pitch = -1;
    height = -1;
    EXPECT_FALSE(GetSurfaceLayout(pitch, height, pScreenSurface));
    EXPECT_EQ(pitch, -1);
    EXPECT_EQ(height, -1);
}

TEST(ReadScreenPixel, ReadsTheStoredElementZeroExtended)
{
    for (int depth : {16, 32}) {
        SCOPED_TRACE(depth);
        ASSERT_TRUE(BringUpDisplay(depth));
        auto* memory = static_cast<uint8_t*>(LockSurfaceMemory(pScreenSurface));
        ASSERT_NE(memory, nullptr);
        const size_t element = 2 * 800 + 3;  // pixel (3, 2)
        if (depth == 16) {
            const uint16_t value = 0xF81F;
            memcpy(memory + 2 * element, &value, 2);
        } else {
            const uint32_t value = 0x00ABCDEF;
            memcpy(memory + 4 * element, &value, 4);
        }
        UnlockSurfaceMemory(pScreenSurface);
        EXPECT_EQ(ReadScreenPixel(3, 2), depth == 16 ? 63519u : 0x00ABCDEFu);
        EXPECT_EQ(ReadScreenPixel(4, 2), 0u);
        EXPECT_EQ(ReadScreenPixel(-1, 0), 0u) << "off the screen";
        EXPECT_EQ(ReadScreenPixel(800, 0), 0u);
        EXPECT_EQ(ReadScreenPixel(0, 600), 0u);
        ReleaseDirectDraw();
    }
}

TEST(RgbToNativePixel, ConvertsAsGdiDoesAtEachDepth)
{
    struct Row {
        int red, green, blue;
        NativePixel at16, at32;
    };
    const Row rows[] = {
        {255, 255, 255, 0xFFFF, 0xFFFFFF},
        {15, 15, 15, 0x0861, 0x0F0F0F},   // 5-6-5 bits truncated: 1, 3, 1
        {251, 103, 4, 0xFB20, 0xFB6704},  // 31, 25, 0
        {255, 0, 255, 0xF81F, 0xFF00FF},
        {256 + 10, 0, 0, 0x0800, 0x0A0000},  // only the low 8 bits count
        {0, 0, 0, 0x0000, 0x000000},
    };
    for (int depth : {16, 32}) {
        ASSERT_TRUE(BringUpDisplay(depth));
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << depth << " bits, " << row.red << "," << row.green << "," << row.blue);
            EXPECT_EQ(RgbToNativePixel(row.red, row.green, row.blue), depth == 16 ? row.at16 : row.at32);
        }
        ReleaseDirectDraw();
    }
}

TEST(RgbToNativePixel, PicksTheNearestPaletteEntryAtEightBits)
{
    ScratchDirectory dir;
    // Entry i is (i, 255 - i, i / 2) but for the ones set here.
    WriteBytes("data/palette.bmp",
               PaletteBitmap({{254, 255, 0, 255}, {10, 250, 250, 250}, {11, 250, 250, 250}}));
    ASSERT_TRUE(BringUpDisplay(8));
    EXPECT_EQ(RgbToNativePixel(255, 0, 255), 254u) << "exact match";
    EXPECT_EQ(RgbToNativePixel(250, 250, 250), 10u) << "a tie goes to the lower index";
    EXPECT_EQ(RgbToNativePixel(251, 251, 251), 10u);
    EXPECT_EQ(RgbToNativePixel(100, 155, 51), 100u) << "nearest to (100, 155, 50)";
}

TEST(SetTransparentColorKey, KeyedCopiesSkipTheTransparentColor)
{
    ASSERT_TRUE(BringUpDisplay(16));
    IDirectDrawSurface7* sprite = CreateOffscreenSurface(2, 1);
    ASSERT_NE(sprite, nullptr);
    auto* pixels = static_cast<uint16_t*>(LockSurfaceMemory(sprite));
    pixels[0] = static_cast<uint16_t>(TransparentColor);
    pixels[1] = 0x001F;
    UnlockSurfaceMemory(sprite);
    FillSurfaceBytes(pScreenSurface, 0x00);

    RECT all{0, 0, 2, 1};
    pScreenSurface->BltFast(0, 0, sprite, &all, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
    EXPECT_EQ(ReadScreenPixel(0, 0), 0xF81Fu) << "without a key every pixel is copied";

    ASSERT_TRUE(SetTransparentColorKey(sprite));
    FillSurfaceBytes(pScreenSurface, 0x00);
    pScreenSurface->BltFast(0, 0, sprite, &all, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
    EXPECT_EQ(ReadScreenPixel(0, 0), 0u) << "the transparent pixel leaves the screen alone";
    EXPECT_EQ(ReadScreenPixel(1, 0), 0x001Fu);
    sprite->Release();
}
