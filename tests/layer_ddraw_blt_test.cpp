// layer_ddraw_blt_test.cpp -- DirectDraw's pixel work as the platform does it: colour fills of
// every span length and alignment, keyed copies, stretches, and the surface description

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "support.h"

namespace {

HINSTANCE__ instance{};

// A display object in exclusive mode at a depth, with off-screen surfaces made on demand.
struct Device {
    HWND window = nullptr;
    IDirectDraw7* dd = nullptr;

    explicit Device(int bits)
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "blt-test";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "blt-test", "", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr, &instance, nullptr);
        EXPECT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
        EXPECT_EQ(dd->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
        EXPECT_EQ(dd->SetDisplayMode(64, 48, bits, 0, 0), DD_OK);
    }
    ~Device()
    {
        dd->Release();
        DestroyWindow(window);
    }
    IDirectDrawSurface7* Offscreen(int width, int height, DWORD placement = DDSCAPS_SYSTEMMEMORY)
    {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = width;
        desc.dwHeight = height;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | placement;
        IDirectDrawSurface7* surface = nullptr;
        EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
        return surface;
    }
};

// A surface's pixels, one value each, row by row.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> values;
    uint32_t& at(int x, int y) { return values[static_cast<size_t>(y) * width + x]; }
};

Pixels Read(IDirectDrawSurface7* surface)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    Pixels pixels;
    pixels.width = static_cast<int>(desc.dwWidth);
    pixels.height = static_cast<int>(desc.dwHeight);
    pixels.values.resize(static_cast<size_t>(pixels.width) * pixels.height);
    const int bytes = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount / 8);
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            memcpy(&pixels.at(x, y), static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch + x * bytes, bytes);
    surface->Unlock(nullptr);
    return pixels;
}

void Write(IDirectDrawSurface7* surface, Pixels& pixels)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    const int bytes = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount / 8);
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            memcpy(static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch + x * bytes, &pixels.at(x, y), bytes);
    surface->Unlock(nullptr);
}

uint32_t Mask(int bits) { return bits == 8 ? 0xFFu : bits == 16 ? 0xFFFFu : 0xFFFFFFFFu; }

// Random pixels, a third of them equal to key.
Pixels RandomPixels(int width, int height, int bits, uint32_t key, std::mt19937& random)
{
    Pixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.values.resize(static_cast<size_t>(width) * height);
    for (uint32_t& value : pixels.values)
        value = random() % 3 == 0 ? key : random() & Mask(bits);
    return pixels;
}

DDBLTFX Fill(uint32_t colour)
{
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = colour;
    return fx;
}

}  // namespace

TEST(ColorFill, EverySpanLengthAndAlignmentAtEachDepth)
{
    for (bool baseline : {false, true})
    for (int bits : {8, 16, 32}) {
        for (DWORD placement : {DWORD(DDSCAPS_SYSTEMMEMORY), DWORD(DDSCAPS_VIDEOMEMORY)}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << (placement == DDSCAPS_VIDEOMEMORY ? "video" : "system")
                                            << (baseline ? ", baseline instructions" : ""));
            layer_use_baseline_pixel_paths(baseline);
            Device device(bits);
            IDirectDrawSurface7* surface = device.Offscreen(701, 3, placement);
            const uint32_t colour = 0x89ABCDEF & Mask(bits);
            for (int left = 0; left < 5; ++left)
                for (int width = 1; left + width <= 701; width += (width < 40 ? 1 : 61)) {
                    FillSurfaceBytes(surface, 0x5A);
                    RECT rect{left, 1, left + width, 2};
                    DDBLTFX fx = Fill(0x89ABCDEF);
                    ASSERT_EQ(surface->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
                    Pixels pixels = Read(surface);
                    for (int y = 0; y < 3; ++y)
                        for (int x = 0; x < 701; ++x) {
                            const bool inside = y == 1 && x >= left && x < left + width;
                            ASSERT_EQ(pixels.at(x, y), inside ? colour : 0x5A5A5A5Au & Mask(bits))
                                << "span " << left << " + " << width << ", pixel (" << x << ", " << y << ")";
                        }
                }
            surface->Release();
        }
    }
}

TEST(ColorFill, WholeSurfacesWithAndWithoutRowPadding)
{
    for (bool baseline : {false, true})
    for (int bits : {8, 16, 32}) {
        layer_use_baseline_pixel_paths(baseline);
        Device device(bits);
        // 16 pixels fill a video-memory row exactly at 16 and 32 bits; 13 leave padding; rows of
        // 2050 pixels are long enough for the string store and end in part of a word.
        for (int width : {16, 13, 64, 2050}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, width " << width << (baseline ? ", baseline" : ""));
            IDirectDrawSurface7* surface = device.Offscreen(width, 9, DDSCAPS_VIDEOMEMORY);
            FillSurfaceBytes(surface, 0x5A);
            DDBLTFX fx = Fill(0x01020304);
            ASSERT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
            for (uint32_t value : Read(surface).values)
                ASSERT_EQ(value, 0x01020304u & Mask(bits));
            surface->Release();
        }
    }
}

TEST(BltFast, CopiesOfEveryWidthPlainAndKeyed)
{
    std::mt19937 random(7);
    for (bool baseline : {false, true})
    for (int bits : {8, 16, 32}) {
        layer_use_baseline_pixel_paths(baseline);
        Device device(bits);
        const uint32_t key = 0xF81FF81F & Mask(bits);
        IDirectDrawSurface7* source = device.Offscreen(70, 4);
        IDirectDrawSurface7* target = device.Offscreen(80, 6);
        Pixels from = RandomPixels(70, 4, bits, key, random);
        Write(source, from);
        DDCOLORKEY colourKey{key, key};
        ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &colourKey), DD_OK);
        for (bool keyed : {false, true})
            for (int width = 1; width <= 70; ++width) {
                const int offset = width % 7;
                SCOPED_TRACE(testing::Message() << bits << " bits, width " << width << (keyed ? ", keyed" : "")
                                                << (baseline ? ", baseline" : ""));
                Pixels to = RandomPixels(80, 6, bits, 0, random);
                Write(target, to);
                RECT rect{70 - width, 1, 70, 4};
                const DWORD flags = DDBLTFAST_WAIT | (keyed ? DDBLTFAST_SRCCOLORKEY : 0);
                ASSERT_EQ(target->BltFast(offset, 2, source, &rect, flags), DD_OK);
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < width; ++x) {
                        const uint32_t value = from.at(70 - width + x, 1 + y);
                        if (!keyed || value != key)
                            to.at(offset + x, 2 + y) = value;
                    }
                ASSERT_EQ(Read(target).values, to.values);
            }
        source->Release();
        target->Release();
    }
}

TEST(BltFast, KeyedCopyOntoAnOverlappingPartOfItsOwnSurface)
{
    Device device(16);
    IDirectDrawSurface7* surface = device.Offscreen(40, 1);
    Pixels pixels;
    pixels.width = 40;
    pixels.height = 1;
    for (int x = 0; x < 40; ++x)
        pixels.values.push_back(x % 4 == 0 ? 0xF81F : 100 + x);
    Write(surface, pixels);
    DDCOLORKEY key{0xF81F, 0xF81F};
    ASSERT_EQ(surface->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    RECT first{0, 0, 30, 1};
    ASSERT_EQ(surface->BltFast(5, 0, surface, &first, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    Pixels expected = pixels;
    for (int x = 0; x < 30; ++x)
        if (pixels.values[x] != 0xF81F)
            expected.values[5 + x] = pixels.values[x];  // from the picture as it was before the copy
    EXPECT_EQ(Read(surface).values, expected.values);
}

TEST(Blt, StretchesSampleBySizesRatioWithAndWithoutTheKey)
{
    std::mt19937 random(11);
    struct Row {
        int sourceWidth, sourceHeight, targetWidth, targetHeight;
    };
    const Row rows[] = {{4, 3, 8, 6}, {5, 7, 13, 3}, {17, 9, 4, 20}, {3, 3, 50, 1}, {31, 2, 30, 5}, {20, 4, 57, 21}};
    for (bool baseline : {false, true})
    for (int bits : {8, 16, 32}) {
        layer_use_baseline_pixel_paths(baseline);
        Device device(bits);
        const uint32_t key = 0x1234567 & Mask(bits);
        IDirectDrawSurface7* source = device.Offscreen(40, 12);
        IDirectDrawSurface7* target = device.Offscreen(60, 24);
        Pixels from = RandomPixels(40, 12, bits, key, random);
        Write(source, from);
        DDCOLORKEY colourKey{key, key};
        ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &colourKey), DD_OK);
        for (const Row& row : rows)
            for (bool keyed : {false, true}) {
                SCOPED_TRACE(testing::Message() << bits << " bits, " << row.sourceWidth << "x" << row.sourceHeight
                                                << " to " << row.targetWidth << "x" << row.targetHeight
                                                << (keyed ? ", keyed" : "") << (baseline ? ", baseline" : ""));
                Pixels to = RandomPixels(60, 24, bits, 0, random);
                Write(target, to);
                RECT sourceRect{3, 2, 3 + row.sourceWidth, 2 + row.sourceHeight};
                RECT targetRect{1, 2, 1 + row.targetWidth, 2 + row.targetHeight};
                ASSERT_EQ(target->Blt(&targetRect, source, &sourceRect, DDBLT_WAIT | (keyed ? DDBLT_KEYSRC : 0), nullptr),
                          DD_OK);
                for (int y = 0; y < row.targetHeight; ++y)
                    for (int x = 0; x < row.targetWidth; ++x) {
                        const uint32_t value = from.at(3 + x * row.sourceWidth / row.targetWidth,
                                                       2 + y * row.sourceHeight / row.targetHeight);
                        if (!keyed || value != key)
                            to.at(1 + x, 2 + y) = value;
                    }
                ASSERT_EQ(Read(target).values, to.values);
            }
        source->Release();
        target->Release();
    }
}

TEST(Blt, AColorFillAskingForASourceKeyIsRefused)
{
    Device device(16);
    IDirectDrawSurface7* surface = device.Offscreen(4, 4);
    FillSurfaceBytes(surface, 0x5A);
    DDBLTFX fx = Fill(0);
    EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_KEYSRC | DDBLT_WAIT, &fx),
              DDERR_INVALIDPARAMS);
    for (uint32_t value : Read(surface).values)
        EXPECT_EQ(value, 0x5A5Au);
}

TEST(GetSurfaceDesc, DescribesTheSurfaceLockedLostOrNot)
{
    Device device(32);
    IDirectDrawSurface7* surface = device.Offscreen(13, 7, DDSCAPS_VIDEOMEMORY);
    DDCOLORKEY key{0xFF00FF, 0xFF00FF};
    ASSERT_EQ(surface->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwWidth, 13u);
    EXPECT_EQ(desc.dwHeight, 7u);
    EXPECT_GE(desc.lPitch, 13 * 4);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 32u);
    EXPECT_EQ(desc.ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN, DWORD(DDSCAPS_OFFSCREENPLAIN));
    EXPECT_EQ(desc.ddckCKSrcBlt.dwColorSpaceLowValue, 0xFF00FFu);
    EXPECT_EQ(desc.lpSurface, nullptr) << "only Lock hands out the memory";

    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof(locked);
    ASSERT_EQ(surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    DDSURFACEDESC2 again{};
    again.dwSize = 124;  // the 32-bit record's size is accepted too
    EXPECT_EQ(surface->GetSurfaceDesc(&again), DD_OK) << "while locked";
    EXPECT_EQ(again.lPitch, locked.lPitch);
    EXPECT_EQ(again.dwSize, 124u);
    surface->Unlock(nullptr);
    layer_set_surface_lost(surface);
    EXPECT_EQ(surface->GetSurfaceDesc(&again), DD_OK) << "while lost";

    DDSURFACEDESC2 wrong{};
    wrong.dwSize = 12;
    EXPECT_EQ(surface->GetSurfaceDesc(&wrong), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface->GetSurfaceDesc(nullptr), DDERR_INVALIDPARAMS);
    surface->Release();
}
