// layer_gdi_test.cpp -- device contexts on surfaces: colour conversion and the opaque text cell

#include <gtest/gtest.h>

#include <cstring>

#include "support.h"

namespace {

constexpr int Width = 40;
constexpr int Height = 30;

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
        LayerDevice device(row.bits, 64, 64);
        IDirectDrawSurface7* surface = device.Offscreen(Width, Height);
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
        EXPECT_EQ(ReadPixel(surface, 3, 2), row.pixel);
        EXPECT_EQ(ReadPixel(surface, 2, 2), row.bits == 16 ? 0xCDCDu : 0xCDCDCDCDu) << "left of the cell";
        EXPECT_EQ(ReadPixel(surface, 3, 1), row.bits == 16 ? 0xCDCDu : 0xCDCDCDCDu) << "above the cell";
        surface->Release();
    }
}

TEST(TextOutA, CellAtTheSurfaceEdgeStaysInside)
{
    LayerDevice device(16, 64, 64);
    IDirectDrawSurface7* surface = device.Offscreen(Width, Height);
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    SetBkColor(dc, RGB(255, 0, 0));
    EXPECT_TRUE(TextOutA(dc, Width - 2, Height - 2, "    ", 4));
    EXPECT_TRUE(TextOutA(dc, -100, -100, "    ", 4));
    EXPECT_TRUE(TextOutA(dc, INT32_MAX - 2, INT32_MAX - 2, "    ", 4));
    EXPECT_FALSE(TextOutA(dc, 0, 0, nullptr, 3));
    surface->ReleaseDC(dc);
    EXPECT_EQ(ReadPixel(surface, Width - 1, Height - 1), 0xF800u);
    surface->Release();
}
