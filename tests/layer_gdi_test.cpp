// layer_gdi_test.cpp -- device contexts on surfaces: colour conversion and the opaque text cell

#include <gtest/gtest.h>

#include <cstring>

#include "support.h"

namespace {

HINSTANCE__ instance{};

IDirectDrawSurface7* SurfaceAt(int bits, IDirectDraw7** device)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "gdi-test";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "gdi-test", "", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                  &instance, nullptr);
    IDirectDraw7* dd = nullptr;
    EXPECT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
    EXPECT_EQ(dd->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    EXPECT_EQ(dd->SetDisplayMode(64, 64, bits, 0, 0), DD_OK);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = 40;
    desc.dwHeight = 30;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
    *device = dd;
    return surface;
}

uint32_t Pixel(IDirectDrawSurface7* surface, int x, int y, int bits)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    uint32_t value = 0;
    memcpy(&value, static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch + x * (bits / 8), bits / 8);
    surface->Unlock(nullptr);
    return value;
}

}  // namespace

TEST(TextOutA, OpaqueBlankFillsItsCellWithTheConvertedBackground)
{
    struct Row {
        int bits;
        COLORREF color;
        uint32_t pixel;
    };
    const Row rows[] = {
        {32, RGB(251, 103, 4), 0x00FB6704},
        {16, RGB(251, 103, 4), 0xFB20},  // truncated to 5-6-5
        {16, RGB(7, 3, 7), 0x0000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.bits << " bits, colour " << std::hex << row.color);
        IDirectDraw7* dd = nullptr;
        IDirectDrawSurface7* surface = SurfaceAt(row.bits, &dd);
        FillSurfaceBytes(surface, 0xCD);
        HDC dc = nullptr;
        ASSERT_EQ(surface->GetDC(&dc), DD_OK);
        HDC second = reinterpret_cast<HDC>(0x1234);
        EXPECT_EQ(surface->GetDC(&second), DDERR_DCALREADYCREATED);
        EXPECT_EQ(second, reinterpret_cast<HDC>(0x1234)) << "the out handle is left alone";
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
        EXPECT_EQ(SetBkColor(dc, row.color), RGB(255, 255, 255)) << "a new DC has a white background";
        EXPECT_TRUE(TextOutA(dc, 3, 2, " ", 1));
        EXPECT_EQ(surface->ReleaseDC(dc), DD_OK);
        EXPECT_EQ(surface->ReleaseDC(dc), DDERR_NODC);
        EXPECT_EQ(Pixel(surface, 3, 2, row.bits), row.pixel);
        EXPECT_EQ(Pixel(surface, 2, 2, row.bits), row.bits == 16 ? 0xCDCDu : 0xCDCDCDCDu) << "left of the cell";
        EXPECT_EQ(Pixel(surface, 3, 1, row.bits), row.bits == 16 ? 0xCDCDu : 0xCDCDCDCDu) << "above the cell";
        surface->Release();
        dd->Release();
    }
}

TEST(TextOutA, CellAtTheSurfaceEdgeStaysInside)
{
    IDirectDraw7* dd = nullptr;
    IDirectDrawSurface7* surface = SurfaceAt(16, &dd);
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    SetBkColor(dc, RGB(255, 0, 0));
    EXPECT_TRUE(TextOutA(dc, 38, 28, "    ", 4));
    EXPECT_TRUE(TextOutA(dc, -100, -100, "    ", 4));
    EXPECT_TRUE(TextOutA(dc, INT32_MAX - 2, INT32_MAX - 2, "    ", 4));
    EXPECT_FALSE(TextOutA(dc, 0, 0, nullptr, 3));
    surface->ReleaseDC(dc);
    EXPECT_EQ(Pixel(surface, 39, 29, 16), 0xF800u);
}
