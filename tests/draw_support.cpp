// draw_support.cpp -- pictures of surfaces for the drawing tests, in plain API terms

#include "draw_support.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// Reads or writes every pixel of a surface through a lock.
template <typename Visit>
bool EachPixel(IDirectDrawSurface7* surface, Visit visit)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK)
        return false;
    const int bytes = int(desc.ddpfPixelFormat.dwRGBBitCount / 8);
    for (int y = 0; y < int(desc.dwHeight); ++y)
        for (int x = 0; x < int(desc.dwWidth); ++x)
            visit(x, y, static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch + x * bytes, bytes);
    surface->Unlock(nullptr);
    return true;
}

// A 24-bit BMP of the picture, each pixel value's low 24 bits shown as 0xRRGGBB.
void WriteBmp(const std::string& path, const Picture& picture)
{
    const uint32_t rowBytes = (picture.width * 3 + 3) / 4 * 4, size = 54 + rowBytes * picture.height;
    std::vector<uint8_t> file(size, 0);
    const uint32_t header[] = {size, 0, 54, 40, uint32_t(picture.width), uint32_t(picture.height), 0x180001};
    memcpy(&file[2], header, sizeof(header));
    file[0] = 'B';
    file[1] = 'M';
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            memcpy(&file[54 + (picture.height - 1 - y) * rowBytes + 3 * x], &picture.pixels[size_t(y) * picture.width + x], 3);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
}

}  // namespace

bool BringUpDisplayAt(int depth)
{
    if (depth != 8)
        return BringUpDisplay(depth);
    ScratchDirectory directory;  // the palette is read once, at bring-up
    WriteBytes("data/palette.bmp", PaletteBitmap());
    return BringUpDisplay(depth);
}

Picture TakePicture(IDirectDrawSurface7* surface)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    EXPECT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
    Picture picture(int(desc.dwWidth), int(desc.dwHeight), 0);
    EXPECT_TRUE(EachPixel(surface, [&](int x, int y, uint8_t* p, int bytes) { memcpy(&picture.at(x, y), p, bytes); }));
    return picture;
}

void PutPicture(IDirectDrawSurface7* surface, const Picture& picture)
{
    EXPECT_TRUE(EachPixel(surface, [&](int x, int y, uint8_t* p, int bytes) { memcpy(p, &picture.pixels[size_t(y) * picture.width + x], bytes); }));
}

testing::AssertionResult SamePicture(const Picture& actual, const Picture& expected)
{
    if (actual.width != expected.width || actual.height != expected.height)
        return testing::AssertionFailure() << "size " << actual.width << " x " << actual.height << ", expected "
                                           << expected.width << " x " << expected.height;
    testing::AssertionResult failure = testing::AssertionFailure();
    int differences = 0;
    for (int y = 0; y < actual.height; ++y)
        for (int x = 0; x < actual.width; ++x)
            if (actual.at(x, y) != expected.at(x, y) && differences++ < 8) {
                char line[96];
                snprintf(line, sizeof(line), "pixel (%d, %d): got 0x%X, expected 0x%X\n", x, y, actual.at(x, y), expected.at(x, y));
                failure << line;
            }
    if (differences == 0)
        return testing::AssertionSuccess();
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    WriteBmp(name + ".actual.bmp", actual);
    WriteBmp(name + ".expected.bmp", expected);
    return failure << differences << " pixels differ; see " << name << ".actual.bmp and .expected.bmp";
}
