// draw_support.cpp -- pictures and bytes of surfaces for the drawing tests

#include "draw_support.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

struct Locked {
    explicit Locked(IDirectDrawSurface7* target) : surface(target)
    {
        desc.dwSize = sizeof(desc);
        ok = surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) == DD_OK;
    }
    ~Locked()
    {
        if (ok)
            surface->Unlock(nullptr);
    }
    uint8_t* row(int y) const { return static_cast<uint8_t*>(desc.lpSurface) + static_cast<ptrdiff_t>(y) * desc.lPitch; }
    int bytes() const { return static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount / 8); }

    IDirectDrawSurface7* surface;
    DDSURFACEDESC2 desc{};
    bool ok = false;
};

// A 24-bit BMP of the picture, the pixel values shown as 0xRRGGBB (their low 24 bits).
void WriteBmp(const std::string& path, const Picture& picture)
{
    const int rowBytes = (picture.width * 3 + 3) / 4 * 4;
    const uint32_t dataSize = static_cast<uint32_t>(rowBytes) * picture.height;
    std::vector<uint8_t> file(54 + dataSize, 0);
    auto put32 = [&](size_t at, uint32_t value) { memcpy(&file[at], &value, 4); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(picture.width));
    put32(22, static_cast<uint32_t>(picture.height));
    file[26] = 1;
    file[28] = 24;
    put32(34, dataSize);
    for (int y = 0; y < picture.height; ++y) {
        uint8_t* out = &file[54 + static_cast<size_t>(picture.height - 1 - y) * rowBytes];
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t value = picture.at(x, y);
            out[3 * x] = static_cast<uint8_t>(value);
            out[3 * x + 1] = static_cast<uint8_t>(value >> 8);
            out[3 * x + 2] = static_cast<uint8_t>(value >> 16);
        }
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                 static_cast<std::streamsize>(file.size()));
}

std::string Hex(uint32_t value)
{
    char text[16];
    snprintf(text, sizeof(text), "0x%X", value);
    return text;
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

uint32_t Sentinel(int depth) { return depth == 8 ? 0xCDu : depth == 16 ? 0xCDCDu : 0xCDCDCDCDu; }

Picture TakePicture(IDirectDrawSurface7* surface)
{
    Locked lock(surface);
    EXPECT_TRUE(lock.ok);
    if (!lock.ok)
        return Picture();
    Picture picture(static_cast<int>(lock.desc.dwWidth), static_cast<int>(lock.desc.dwHeight), 0);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            uint32_t value = 0;
            memcpy(&value, lock.row(y) + x * lock.bytes(), lock.bytes());
            picture.at(x, y) = value;
        }
    return picture;
}

void PutPicture(IDirectDrawSurface7* surface, const Picture& picture)
{
    Locked lock(surface);
    ASSERT_TRUE(lock.ok);
    ASSERT_EQ(picture.width, static_cast<int>(lock.desc.dwWidth));
    ASSERT_EQ(picture.height, static_cast<int>(lock.desc.dwHeight));
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t value = picture.at(x, y);
            memcpy(lock.row(y) + x * lock.bytes(), &value, lock.bytes());
        }
}

testing::AssertionResult SamePicture(const Picture& actual, const Picture& expected)
{
    if (actual.width != expected.width || actual.height != expected.height)
        return testing::AssertionFailure() << "size " << actual.width << " x " << actual.height
                                           << ", expected " << expected.width << " x " << expected.height;
    testing::AssertionResult failure = testing::AssertionFailure();
    int differences = 0;
    for (int y = 0; y < actual.height; ++y)
        for (int x = 0; x < actual.width; ++x)
            if (actual.at(x, y) != expected.at(x, y)) {
                if (differences < 8)
                    failure << "pixel (" << x << ", " << y << "): got " << Hex(actual.at(x, y))
                            << ", expected " << Hex(expected.at(x, y)) << "\n";
                ++differences;
            }
    if (differences == 0)
        return testing::AssertionSuccess();
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "picture";
    WriteBmp(name + ".actual.bmp", actual);
    WriteBmp(name + ".expected.bmp", expected);
    return failure << differences << " pixels differ; see " << name << ".actual.bmp and .expected.bmp";
}

std::vector<uint8_t> SurfaceBytes(IDirectDrawSurface7* surface)
{
    Locked lock(surface);
    EXPECT_TRUE(lock.ok);
    if (!lock.ok)
        return {};
    const auto* bytes = static_cast<const uint8_t*>(lock.desc.lpSurface);
    return std::vector<uint8_t>(bytes, bytes + static_cast<size_t>(lock.desc.lPitch) * lock.desc.dwHeight);
}
