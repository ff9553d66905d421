// layer_ddraw_blt_test.cpp -- DirectDraw's pixel work as the platform does it: colour fills of
// every span, plain and keyed copies of every width, stretches, and the surface description; each
// on the processor's fast paths and on the baseline instructions every x86-64 has

#include <gtest/gtest.h>

#include <random>

#include "draw_support.h"

namespace {

uint32_t Mask(int bits) { return bits == 8 ? 0xFFu : bits == 16 ? 0xFFFFu : 0xFFFFFFFFu; }

// Random pixels, a third of them equal to key.
Picture RandomPicture(int width, int height, int bits, uint32_t key, std::mt19937& random)
{
    Picture picture(width, height, 0);
    for (uint32_t& value : picture.pixels)
        value = random() % 3 == 0 ? key : random() & Mask(bits);
    return picture;
}

void SetKey(IDirectDrawSurface7* surface, uint32_t key)
{
    DDCOLORKEY colourKey{key, key};
    ASSERT_EQ(surface->SetColorKey(DDCKEY_SRCBLT, &colourKey), DD_OK);
}

// Runs body at each depth, on the fast paths and on the baseline ones.
template <typename Body>
void OnEveryPath(Body body)
{
    for (bool baseline : {false, true})
        for (int bits : {8, 16, 32}) {
            SCOPED_TRACE(testing::Message() << bits << " bits" << (baseline ? ", baseline instructions" : ""));
            layer_use_baseline_pixel_paths(baseline);
            LayerDevice device(bits);
            body(device, bits);
        }
    layer_use_baseline_pixel_paths(false);
}

}  // namespace

TEST(ColorFill, EverySpanAndWholeSurfaces)
{
    OnEveryPath([](LayerDevice& device, int bits) {
        DDBLTFX fx{};
        fx.dwSize = sizeof(fx);
        fx.dwFillColor = 0x89ABCDEF;
        const uint32_t colour = 0x89ABCDEF & Mask(bits), sentinel = 0x5A5A5A5A & Mask(bits);
        IDirectDrawSurface7* surface = device.Offscreen(701, 3);
        for (int left = 0; left < 5; ++left)
            for (int width = 1; left + width <= 701; width += (width < 40 ? 1 : 61)) {
                SCOPED_TRACE(testing::Message() << "columns " << left << " + " << width);
                FillSurfaceBytes(surface, 0x5A);
                RECT rect{left, 1, left + width, 2};
                ASSERT_EQ(surface->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
                Picture expected(701, 3, sentinel);
                expected.fill(left, 1, left + width, 2, colour);
                ASSERT_TRUE(SamePicture(TakePicture(surface), expected));
            }
        surface->Release();
        // 16 pixels fill a video-memory row exactly at 16 and 32 bits, 13 leave padding, rows
        // of 2050 are long enough for string stores and end in part of a word.
        for (int width : {16, 13, 2050}) {
            surface = device.Offscreen(width, 9, DDSCAPS_VIDEOMEMORY);
            FillSurfaceBytes(surface, 0x5A);
            ASSERT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
            EXPECT_TRUE(SamePicture(TakePicture(surface), Picture(width, 9, colour))) << "width " << width;
            surface->Release();
        }
    });
}

TEST(BltFast, CopiesOfEveryWidthPlainAndKeyed)
{
    std::mt19937 random(7);
    OnEveryPath([&](LayerDevice& device, int bits) {
        const uint32_t key = 0xF81FF81F & Mask(bits);
        IDirectDrawSurface7* source = device.Offscreen(70, 4);
        IDirectDrawSurface7* target = device.Offscreen(80, 6);
        const Picture from = RandomPicture(70, 4, bits, key, random);
        PutPicture(source, from);
        SetKey(source, key);
        for (bool keyed : {false, true})
            for (int width = 1; width <= 70; ++width) {
                SCOPED_TRACE(testing::Message() << "width " << width << (keyed ? ", keyed" : ""));
                Picture to = RandomPicture(80, 6, bits, 0, random);
                PutPicture(target, to);
                RECT rect{70 - width, 1, 70, 4};
                const int x = width % 7;
                ASSERT_EQ(target->BltFast(x, 2, source, &rect, DDBLTFAST_WAIT | (keyed ? DDBLTFAST_SRCCOLORKEY : 0)), DD_OK);
                for (int row = 0; row < 3; ++row)
                    for (int column = 0; column < width; ++column) {
                        const uint32_t value = from.at(70 - width + column, 1 + row);
                        if (!keyed || value != key)
                            to.at(x + column, 2 + row) = value;
                    }
                ASSERT_TRUE(SamePicture(TakePicture(target), to));
            }
        // Onto an overlapping part of its own surface: what arrives is the picture from before.
        Picture before = TakePicture(target);
        Picture after = before;
        SetKey(target, before.at(3, 0));
        RECT first{0, 0, 60, 6};
        ASSERT_EQ(target->BltFast(5, 0, target, &first, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
        for (int y = 0; y < 6; ++y)
            for (int column = 0; column < 60; ++column)
                if (before.at(column, y) != before.at(3, 0))
                    after.at(5 + column, y) = before.at(column, y);
        EXPECT_TRUE(SamePicture(TakePicture(target), after));
        source->Release();
        target->Release();
    });
}

TEST(Blt, StretchesSampleBySizesRatioWithAndWithoutTheKey)
{
    std::mt19937 random(11);
    const int sizes[][4] = {{4, 3, 8, 6}, {5, 7, 13, 3}, {17, 9, 4, 20}, {3, 3, 50, 1}, {20, 4, 57, 21}};
    OnEveryPath([&](LayerDevice& device, int bits) {
        const uint32_t key = 0x1234567 & Mask(bits);
        IDirectDrawSurface7* source = device.Offscreen(40, 12);
        IDirectDrawSurface7* target = device.Offscreen(60, 24);
        const Picture from = RandomPicture(40, 12, bits, key, random);
        PutPicture(source, from);
        SetKey(source, key);
        for (const auto& [sw, sh, tw, th] : sizes)
            for (bool keyed : {false, true}) {
                SCOPED_TRACE(testing::Message() << sw << "x" << sh << " to " << tw << "x" << th << (keyed ? ", keyed" : ""));
                Picture to = RandomPicture(60, 24, bits, 0, random);
                PutPicture(target, to);
                RECT sourceRect{3, 2, 3 + sw, 2 + sh};
                RECT targetRect{1, 2, 1 + tw, 2 + th};
                ASSERT_EQ(target->Blt(&targetRect, source, &sourceRect, DDBLT_WAIT | (keyed ? DDBLT_KEYSRC : 0), nullptr), DD_OK);
                for (int y = 0; y < th; ++y)
                    for (int x = 0; x < tw; ++x) {
                        const uint32_t value = from.at(3 + x * sw / tw, 2 + y * sh / th);
                        if (!keyed || value != key)
                            to.at(1 + x, 2 + y) = value;
                    }
                ASSERT_TRUE(SamePicture(TakePicture(target), to));
            }
        source->Release();
        target->Release();
    });
}

TEST(GetSurfaceDesc, DescribesTheSurfaceLockedLostOrNot)
{
    LayerDevice device(32);
    IDirectDrawSurface7* surface = device.Offscreen(13, 7, DDSCAPS_VIDEOMEMORY);
    SetKey(surface, 0xFF00FF);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwWidth, 13u);
    EXPECT_EQ(desc.dwHeight, 7u);
    EXPECT_GE(desc.lPitch, 13 * 4);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 32u);
    EXPECT_EQ(desc.ddckCKSrcBlt.dwColorSpaceLowValue, 0xFF00FFu);
    EXPECT_EQ(desc.lpSurface, nullptr) << "only Lock hands out the memory";

    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof(locked);
    ASSERT_EQ(surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    desc.dwSize = 124;  // the 32-bit record's size is accepted too
    EXPECT_EQ(surface->GetSurfaceDesc(&desc), DD_OK) << "while locked";
    EXPECT_EQ(desc.lPitch, locked.lPitch);
    surface->Unlock(nullptr);
    layer_set_surface_lost(surface);
    EXPECT_EQ(surface->GetSurfaceDesc(&desc), DD_OK) << "while lost";
    desc.dwSize = 12;
    EXPECT_EQ(surface->GetSurfaceDesc(&desc), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface->GetSurfaceDesc(nullptr), DDERR_INVALIDPARAMS);

    // A colour fill has no source whose key it could use.
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_KEYSRC | DDBLT_WAIT, &fx), DDERR_INVALIDPARAMS);
    surface->Release();
}
