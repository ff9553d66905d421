// layer_ddraw_test.cpp -- DirectDraw 7 as the platform behaves: device, surfaces, locks, blits,
// keys, loss and restore, palettes, and what the window shows

#include <gtest/gtest.h>

#include <cstring>

#include "support.h"

namespace {

// The primary with one back buffer, as a full-screen program makes it.
IDirectDrawSurface7* CreatePrimary(IDirectDraw7* dd, HRESULT* result = nullptr)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* surface = nullptr;
    const HRESULT hr = dd->CreateSurface(&desc, &surface, nullptr);
    if (result)
        *result = hr;
    return surface;
}

DDBLTFX Fill(uint32_t color)
{
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = color;
    return fx;
}

}  // namespace

TEST(DirectDraw, CreationAndCooperativeLevelAreChecked)
{
    IDirectDraw7* dd = nullptr;
    GUID other = IID_IDirectDraw7;
    other.Data1 ^= 1;
    EXPECT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), other, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd, nullptr);
    ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
    HWND window = MakeTestWindow("coop", DefWindowProcA, 8, 8);
    struct Row {
        const char* name;
        HWND window;
        DWORD flags;
        HRESULT expected;
    };
    const Row rows[] = {
        {"neither normal nor exclusive", window, DDSCL_FULLSCREEN, DDERR_INVALIDPARAMS},
        {"exclusive without full screen", window, DDSCL_EXCLUSIVE, DDERR_INVALIDPARAMS},
        {"exclusive without a window", nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, DDERR_INVALIDPARAMS},
        {"normal and exclusive", window, DDSCL_NORMAL | DDSCL_EXCLUSIVE, DDERR_INVALIDPARAMS},
        {"exclusive full screen", window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, DD_OK},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dd->SetCooperativeLevel(row.window, row.flags), row.expected);
    }
    IDirectDraw7* second = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&second), IID_IDirectDraw7, nullptr), DD_OK);
    EXPECT_EQ(second->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DDERR_EXCLUSIVEMODEALREADYSET);
    EXPECT_EQ(dd->SetDisplayMode(800, 600, 24, 0, 0), DDERR_INVALIDMODE);
    EXPECT_EQ(dd->SetDisplayMode(0, 0, 16, 0, 0), DD_OK);
    EXPECT_EQ(dd->Release(), 0u);
    EXPECT_EQ(second->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK)
        << "releasing the first object gave up its exclusive level";
    second->Release();
}

TEST(DirectDraw, WaitForVerticalBlankReturnsAtTheNextBlank)
{
    IDirectDraw7* dd = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
    // Without a monitor's rate, 60 Hz: blanks begin at the first whole millisecond of each 1/60 s,
    // 1016.67 -> 1017, 1033.33 -> 1034, 1050 -> 1050.
    layer_set_time(1000);
    const DWORD expected[] = {1017, 1034, 1050};
    for (DWORD blank : expected) {
        EXPECT_EQ(dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
        EXPECT_EQ(timeGetTime(), blank);
    }
    EXPECT_EQ(dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGINEVENT, nullptr), DDERR_UNSUPPORTED);
    EXPECT_EQ(dd->WaitForVerticalBlank(0, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN | DDWAITVB_BLOCKEND, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(timeGetTime(), 1050u) << "a refused wait does not wait";
    dd->Release();
}

TEST(DirectDraw, SurfacesCountReferencesAndKeepTheirDeviceAlive)
{
    LayerDevice display(16);
    IDirectDrawSurface7* primary = CreatePrimary(display.dd);
    ASSERT_NE(primary, nullptr);
    HRESULT hr;
    EXPECT_EQ(CreatePrimary(display.dd, &hr), nullptr);
    EXPECT_EQ(hr, DDERR_PRIMARYSURFACEALREADYEXISTS);
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    IDirectDrawSurface7* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    EXPECT_EQ(back->AddRef(), 2u) << "GetAttachedSurface handed out one reference";
    EXPECT_EQ(back->Release(), 1u);
    caps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface7* none = nullptr;
    EXPECT_EQ(primary->GetAttachedSurface(&caps, &none), DDERR_NOTFOUND);
    EXPECT_EQ(back->Restore(), DDERR_IMPLICITLYCREATED);

    IDirectDrawSurface7* plain = display.Offscreen(4, 4);
    EXPECT_EQ(display.ReleaseDevice(), 2u) << "the primary and the plain surface hold the device";
    // The surfaces still hold the device: they keep working.
    const DDBLTFX fx = Fill(0x1234);
    EXPECT_EQ(plain->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, const_cast<DDBLTFX*>(&fx)), DD_OK);
    EXPECT_EQ(ReadPixel(plain, 3, 3), 0x1234u);
    EXPECT_EQ(plain->Release(), 0u);
    EXPECT_EQ(back->Release(), 0u);
    EXPECT_EQ(primary->Release(), 0u);
}

TEST(DirectDraw, VideoMemoryRunsOutThenSystemMemoryServes)
{
    LayerDevice display(16);
    layer_set_video_memory(64 * 64 * 2 * 3);
    HRESULT hr;
    IDirectDrawSurface7* a = display.Offscreen(64, 64, DDSCAPS_VIDEOMEMORY, &hr);
    IDirectDrawSurface7* b = display.Offscreen(64, 64, DDSCAPS_VIDEOMEMORY, &hr);
    IDirectDrawSurface7* c = display.Offscreen(64, 64, DDSCAPS_VIDEOMEMORY, &hr);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(display.Offscreen(64, 64, DDSCAPS_VIDEOMEMORY, &hr), nullptr);
    EXPECT_EQ(hr, DDERR_OUTOFVIDEOMEMORY);
    IDirectDrawSurface7* d = display.Offscreen(64, 64, DDSCAPS_SYSTEMMEMORY, &hr);
    EXPECT_NE(d, nullptr);
    EXPECT_EQ(display.Offscreen(8, 8, DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY, &hr), nullptr);
    EXPECT_EQ(hr, DDERR_INVALIDCAPS);
    EXPECT_EQ(display.Offscreen(0, 8, DDSCAPS_SYSTEMMEMORY, &hr), nullptr);
    EXPECT_EQ(hr, DDERR_INVALIDPARAMS);
    a->Release();
    IDirectDrawSurface7* e = display.Offscreen(64, 64, DDSCAPS_VIDEOMEMORY);
    EXPECT_NE(e, nullptr) << "released memory is free again";
    for (IDirectDrawSurface7* surface : {b, c, d, e})
        if (surface)
            surface->Release();
}

TEST(Lock, DescribesTheSurfaceAndRefusesWhatThePlatformRefuses)
{
    LayerDevice display(16);
    IDirectDrawSurface7* surface = display.Offscreen(5, 3);
    DDSURFACEDESC2 desc{};
    desc.dwSize = 12;
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);
    desc.dwSize = 124;  // the record's size on 32-bit Windows is accepted too
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(desc.dwWidth, 5u);
    EXPECT_EQ(desc.dwHeight, 3u);
    EXPECT_GE(desc.lPitch, 10);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask, 0xF800u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwGBitMask, 0x07E0u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwBBitMask, 0x001Fu);
    EXPECT_EQ(desc.dwFlags & DDSD_LPSURFACE, 0u);
    DDSURFACEDESC2 again{};
    again.dwSize = sizeof(again);
    EXPECT_EQ(surface->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
    EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);
    RECT outside{0, 0, 6, 3};
    EXPECT_EQ(surface->Lock(&outside, &again, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);
    RECT inner{1, 2, 3, 3};
    ASSERT_EQ(surface->Lock(&inner, &again, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(static_cast<uint8_t*>(again.lpSurface), static_cast<uint8_t*>(desc.lpSurface) + 2 * desc.lPitch + 2);
    surface->Unlock(nullptr);
    surface->Release();
}

TEST(LostSurfaces, RefuseEverythingUntilRestoredWithoutTheirContents)
{
    LayerDevice display(16);
    IDirectDrawSurface7* video = display.Offscreen(4, 4, DDSCAPS_VIDEOMEMORY);
    IDirectDrawSurface7* system = display.Offscreen(4, 4, DDSCAPS_SYSTEMMEMORY);
    WritePixel(video, 0, 0, 0x1234);
    layer_lose_surfaces();
    EXPECT_EQ(video->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(system->IsLost(), DD_OK) << "system memory is never lost";
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    EXPECT_EQ(video->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
    RECT all{0, 0, 4, 4};
    EXPECT_EQ(system->BltFast(0, 0, video, &all, DDBLTFAST_WAIT), DDERR_SURFACELOST);
    HDC dc = nullptr;
    EXPECT_EQ(video->GetDC(&dc), DDERR_SURFACELOST);
    layer_fail_call("IDirectDrawSurface7::Restore", 1, DDERR_WRONGMODE);
    EXPECT_EQ(video->Restore(), DDERR_WRONGMODE);
    EXPECT_EQ(video->Restore(), DD_OK);
    EXPECT_EQ(video->IsLost(), DD_OK);
    EXPECT_NE(ReadPixel(video, 0, 0), 0x1234u) << "restore brings the memory back, not the picture";
    video->Release();
    system->Release();
}

TEST(LostSurfaces, ThoseMadeInAnotherModeStayLost)
{
    LayerDevice display(16, 64, 48);
    IDirectDrawSurface7* primary = CreatePrimary(display.dd);
    IDirectDrawSurface7* video = display.Offscreen(4, 4, DDSCAPS_VIDEOMEMORY);
    ASSERT_EQ(display.dd->SetDisplayMode(64, 48, 16, 0, 0), DD_OK);
    EXPECT_EQ(primary->Restore(), DD_OK) << "the same mode again";
    EXPECT_EQ(video->Restore(), DD_OK);
    ASSERT_EQ(display.dd->SetDisplayMode(128, 96, 16, 0, 0), DD_OK);
    EXPECT_EQ(primary->Restore(), DDERR_WRONGMODE);
    EXPECT_EQ(video->Restore(), DDERR_WRONGMODE);
    EXPECT_EQ(primary->IsLost(), DDERR_SURFACELOST);
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    EXPECT_EQ(primary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DDERR_SURFACELOST);
    video->Release();
    primary->Release();
    // A primary made in the new mode has its size, and the window shows all of it.
    primary = CreatePrimary(display.dd);
    ASSERT_NE(primary, nullptr);
    WritePixel(primary, 127, 95, 0xF800);
    LayerPicture picture;
    ASSERT_TRUE(layer_window_picture(&picture));
    EXPECT_EQ(picture.width, 128);
    EXPECT_EQ(picture.at(127, 95), 0xFF0000u);
    primary->Release();
}

TEST(Blt, ColorFillFillsExactlyTheRectangle)
{
    for (int bits : {8, 16, 32}) {
        SCOPED_TRACE(bits);
        LayerDevice display(bits);
        IDirectDrawSurface7* surface = display.Offscreen(10, 6);
        FillSurfaceBytes(surface, 0xCD);
        RECT rect{2, 1, 5, 3};
        DDBLTFX fx = Fill(0xAABBCCDD);
        ASSERT_EQ(surface->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
        const uint32_t filled = bits == 8 ? 0xDD : bits == 16 ? 0xCCDD : 0xAABBCCDD;
        const uint32_t sentinel = bits == 8 ? 0xCD : bits == 16 ? 0xCDCD : 0xCDCDCDCD;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x) {
                const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
                ASSERT_EQ(ReadPixel(surface, x, y), inside ? filled : sentinel) << "pixel (" << x << ", " << y << ")";
            }
        surface->Release();
    }
}

TEST(Blt, RefusesBadRectanglesAndParametersWithoutTouchingMemory)
{
    LayerDevice display(16);
    IDirectDrawSurface7* surface = display.Offscreen(8, 8);
    IDirectDrawSurface7* source = display.Offscreen(4, 4);
    FillSurfaceBytes(surface, 0xCD);
    DDBLTFX fx = Fill(0);
    struct Row {
        const char* name;
        RECT dest;
        HRESULT expected;
    };
    const Row rows[] = {
        {"empty", {2, 2, 2, 5}, DDERR_INVALIDRECT},
        {"inverted", {5, 2, 2, 5}, DDERR_INVALIDRECT},
        {"negative corner", {-1, -1, 5, 5}, DDERR_INVALIDRECT},
        {"past the right edge", {0, 0, 9, 8}, DDERR_INVALIDRECT},
        {"past the bottom edge", {0, 7, 8, 9}, DDERR_INVALIDRECT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RECT dest = row.dest;
        EXPECT_EQ(surface->Blt(&dest, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), row.expected);
        EXPECT_EQ(surface->Blt(&dest, source, nullptr, DDBLT_WAIT, nullptr), row.expected);
    }
    EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface->Blt(nullptr, source, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface->Blt(nullptr, source, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS)
        << "a source key was asked for, the source has none";
    RECT badSource{0, 0, 5, 4};
    EXPECT_EQ(surface->Blt(nullptr, source, &badSource, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(ReadPixel(surface, x, y), 0xCDCDu);
    surface->Release();
    source->Release();
}

TEST(Blt, StretchSamplesTheNearestSourcePixel)
{
    LayerDevice display(32);
    IDirectDrawSurface7* source = display.Offscreen(3, 2);
    IDirectDrawSurface7* target = display.Offscreen(8, 8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            WritePixel(source, x, y, 0x100 * y + x);
    FillSurfaceBytes(target, 0);
    RECT dest{1, 1, 7, 5};  // 6 x 4 from 3 x 2
    ASSERT_EQ(target->Blt(&dest, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    // Column x takes source column (x - 1) * 3 / 6, row y takes (y - 1) * 2 / 4.
    const uint32_t expected[4][6] = {
        {0x000, 0x000, 0x001, 0x001, 0x002, 0x002},
        {0x000, 0x000, 0x001, 0x001, 0x002, 0x002},
        {0x100, 0x100, 0x101, 0x101, 0x102, 0x102},
        {0x100, 0x100, 0x101, 0x101, 0x102, 0x102},
    };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(ReadPixel(target, x + 1, y + 1), expected[y][x]) << "pixel (" << x + 1 << ", " << y + 1 << ")";
    EXPECT_EQ(ReadPixel(target, 0, 0), 0u);
    EXPECT_EQ(ReadPixel(target, 7, 5), 0u);
    source->Release();
    target->Release();
}

TEST(BltFast, CopiesWithAndWithoutTheSourceKeyAndNeverClips)
{
    LayerDevice display(16);
    IDirectDrawSurface7* source = display.Offscreen(3, 1);
    IDirectDrawSurface7* target = display.Offscreen(6, 4);
    WritePixel(source, 0, 0, 0xF81F);
    WritePixel(source, 1, 0, 0x0001);
    WritePixel(source, 2, 0, 0xF81F);
    FillSurfaceBytes(target, 0xCD);
    RECT all{0, 0, 3, 1};
    EXPECT_EQ(target->BltFast(3, 3, source, &all, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(ReadPixel(target, 3, 3), 0xF81Fu);
    EXPECT_EQ(ReadPixel(target, 5, 3), 0xF81Fu);

    DDCOLORKEY key{0xF81F, 0xF81F};
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(target->BltFast(0, 0, source, &all, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(ReadPixel(target, 0, 0), 0xCDCDu);
    EXPECT_EQ(ReadPixel(target, 1, 0), 0x0001u);
    EXPECT_EQ(ReadPixel(target, 2, 0), 0xCDCDu);

    FillSurfaceBytes(target, 0xCD);
    const DWORD minusOne = static_cast<DWORD>(-1);
    struct Row {
        const char* name;
        DWORD x, y;
    };
    for (const Row& row : {Row{"one past the right", 4, 0}, Row{"one past the bottom", 0, 4},
                           Row{"negative x", minusOne, 0}, Row{"negative y", 0, minusOne}}) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(target->BltFast(row.x, row.y, source, &all, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    }
    RECT pastSource{1, 0, 4, 1};
    EXPECT_EQ(target->BltFast(0, 0, source, &pastSource, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(ReadPixel(target, x, y), 0xCDCDu) << "pixel (" << x << ", " << y << ")";

    DDCOLORKEY range{0x0000, 0x0010};
    EXPECT_EQ(source->SetColorKey(DDCKEY_SRCBLT | DDCKEY_COLORSPACE, &range), DDERR_NOCOLORKEYHW);
    source->Release();
    target->Release();
}

TEST(BltFast, OverlappingCopyWithinOneSurface)
{
    // Each copy within one 8 x 6 surface must land as if the source had been read whole first.
    struct Row {
        const char* name;
        int x, y;  // where the source rectangle (1, 1)-(6, 5) goes
        bool keyed;
    };
    const Row rows[] = {
        {"down and right", 2, 2, false}, {"up and left", 0, 0, false},
        {"down, same columns", 1, 2, false}, {"up, same columns", 1, 0, false},
        {"along its lines, right", 3, 1, false}, {"along its lines, left", 0, 1, false},
        {"keyed, down", 2, 2, true}, {"keyed, along its lines", 3, 1, true},
        {"keyed, up and left", 0, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LayerDevice display(32);
        IDirectDrawSurface7* surface = display.Offscreen(8, 6);
        uint32_t before[6][8];
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) {
                before[y][x] = (x * 7 + y * 5) % 4 == 0 ? 0 : uint32_t(100 + 10 * y + x);  // 0: the key
                WritePixel(surface, x, y, before[y][x]);
            }
        DDCOLORKEY key{0, 0};
        ASSERT_EQ(surface->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
        RECT from{1, 1, 6, 5};
        ASSERT_EQ(surface->BltFast(row.x, row.y, surface, &from,
                                   DDBLTFAST_WAIT | (row.keyed ? DDBLTFAST_SRCCOLORKEY : 0)), DD_OK);
        uint32_t expected[6][8];
        memcpy(expected, before, sizeof(expected));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                const uint32_t value = before[1 + y][1 + x];
                if (!row.keyed || value != 0)
                    expected[row.y + y][row.x + x] = value;
            }
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(ReadPixel(surface, x, y), expected[y][x]) << "pixel (" << x << ", " << y << ")";
        surface->Release();
    }
}

TEST(Primary, WhatIsWrittenToItIsWhatTheWindowShows)
{
    struct Row {
        int bits;
        uint32_t pixel;
        uint32_t shown;
    };
    const Row rows[] = {{16, 0xF800, 0xFF0000}, {16, 0x0010, 0x000084}, {32, 0x123456, 0x123456}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bits);
        LayerDevice display(row.bits, 64, 48);
        IDirectDrawSurface7* primary = CreatePrimary(display.dd);
        IDirectDrawSurface7* screen = display.Offscreen(64, 48);
        DDBLTFX fx = Fill(row.pixel);
        screen->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
        const unsigned before = layer_present_count();
        RECT all{0, 0, 64, 48};
        ASSERT_EQ(primary->BltFast(0, 0, screen, &all, DDBLTFAST_WAIT), DD_OK);
        EXPECT_EQ(layer_present_count(), before + 1);
        LayerPicture picture;
        ASSERT_TRUE(layer_window_picture(&picture));
        EXPECT_EQ(picture.width, 64);
        EXPECT_EQ(picture.at(63, 47), row.shown);
        LayerWindowInfo info;
        ASSERT_TRUE(layer_window_info(display.window, &info));
        EXPECT_TRUE(info.fullscreen);
        screen->Release();
        primary->Release();
    }
}

TEST(Primary, EightBitPicturesGoThroughThePalette)
{
    LayerDevice display(8, 16, 16);
    IDirectDrawSurface7* primary = CreatePrimary(display.dd);
    PALETTEENTRY entries[256] = {};
    entries[5] = PALETTEENTRY{10, 20, 30, 0};
    entries[0] = PALETTEENTRY{1, 1, 1, 0};
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(display.dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr), DD_OK);
    ASSERT_EQ(primary->SetPalette(palette), DD_OK);
    EXPECT_EQ(primary->SetPalette(palette), DD_OK);
    EXPECT_EQ(palette->AddRef(), 3u) << "the primary holds one reference, however often it is set";
    palette->Release();
    WritePixel(primary, 2, 3, 5);
    LayerPicture picture;
    ASSERT_TRUE(layer_window_picture(&picture));
    EXPECT_EQ(picture.at(2, 3), 0x0A141Eu);
    EXPECT_EQ(picture.at(0, 0), 0x010101u);
    palette->Release();
    primary->Release();
}

TEST(Primary, PalettesAttachOnlyToEightBitSurfaces)
{
    LayerDevice display(16, 16, 16);
    PALETTEENTRY entries[256] = {};
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(display.dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr), DD_OK);
    IDirectDrawSurface7* plain = display.Offscreen(4, 4);
    EXPECT_EQ(plain->SetPalette(palette), DDERR_INVALIDPIXELFORMAT);
    EXPECT_EQ(palette->Release(), 0u);
    plain->Release();
}

TEST(Primary, ADeviceContextKeepsThePaletteItWasGiven)
{
    LayerDevice display(8, 16, 16);
    IDirectDrawSurface7* primary = CreatePrimary(display.dd);
    PALETTEENTRY entries[256] = {};
    entries[7] = PALETTEENTRY{255, 0, 0, 0};
    IDirectDrawPalette* red = nullptr;
    ASSERT_EQ(display.dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &red, nullptr), DD_OK);
    ASSERT_EQ(primary->SetPalette(red), DD_OK);
    red->Release();  // the primary holds the only reference
    HDC dc = nullptr;
    ASSERT_EQ(primary->GetDC(&dc), DD_OK);
    // Replacing the palette deletes the one the DC was made with; a new one of other colours
    // takes its place in memory.
    ASSERT_EQ(primary->SetPalette(nullptr), DD_OK);
    PALETTEENTRY others[256];
    for (PALETTEENTRY& entry : others)
        entry = PALETTEENTRY{0, 0, 255, 0};
    others[3] = PALETTEENTRY{255, 0, 0, 0};
    IDirectDrawPalette* blue = nullptr;
    ASSERT_EQ(display.dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, others, &blue, nullptr), DD_OK);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 0, 0));
    EXPECT_TRUE(TextOutA(dc, 0, 0, " ", 1));
    ASSERT_EQ(primary->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(ReadPixel(primary, 0, 0), 7u) << "red is entry 7 of the palette the DC was made with";
    blue->Release();
    primary->Release();
}
