// draw_support.cpp -- pictures of surfaces for the drawing tests, in plain API terms

#include "draw_support.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
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

namespace {

using Wide = __int128;

void KeepInside(Points& points, int64_t x, int64_t y, int64_t width, int64_t height)
{
    if (x >= 0 && y >= 0 && x < width && y < height)
        points.emplace_back(x, y);
}

}  // namespace

Points ExpectedLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t width, int64_t height)
{
    const bool steep = std::abs(y2 - y1) > std::abs(x2 - x1);
    const int64_t n = steep ? std::abs(y2 - y1) : std::abs(x2 - x1);
    const int64_t m = steep ? std::abs(x2 - x1) : std::abs(y2 - y1);
    const int64_t major0 = steep ? y1 : x1, minor0 = steep ? x1 : y1;
    const int64_t majorStep = (steep ? y2 < y1 : x2 < x1) ? -1 : 1;
    const int64_t minorStep = (steep ? x2 < x1 : y2 < y1) ? -1 : 1;
    const int64_t extent = steep ? height : width;
    // Only the steps whose major coordinate falls inside the area, so that long lines stay cheap.
    const int64_t first = std::max<int64_t>(0, majorStep > 0 ? -major0 : major0 - extent + 1);
    const int64_t last = std::min<int64_t>(n, majorStep > 0 ? extent - 1 - major0 : major0);
    Points points;
    for (int64_t k = first; k <= last; ++k) {
        // k * m / n rounded to the nearest whole number, a half rounded down.
        const int64_t offset = n == 0 ? 0 : int64_t((2 * Wide(k) * m + n - 1) / (2 * Wide(n)));
        const int64_t major = major0 + majorStep * k, minor = minor0 + minorStep * offset;
        KeepInside(points, steep ? minor : major, steep ? major : minor, width, height);
    }
    return points;
}

Points ExpectedCircle(int64_t cx, int64_t cy, int64_t r, int64_t width, int64_t height)
{
    Points points;
    for (auto [x, y] : Points{{cx, cy + r}, {cx, cy - r}, {cx + r, cy}, {cx - r, cy}})
        KeepInside(points, x, y, width, height);
    // Every x of the octant that can put a point inside the area: a column's or a row's distance
    // from the centre.
    std::set<int64_t> steps;
    for (int64_t p = 0; p < width; ++p)
        steps.insert(std::abs(p - cx));
    for (int64_t q = 0; q < height; ++q)
        steps.insert(std::abs(q - cy));
    for (int64_t x : steps) {
        if (r <= 0 || x < 1 || 2 * Wide(x) * x > Wide(r) * r)
            continue;
        const Wide rest = Wide(r) * r - Wide(x) * x;
        int64_t a = static_cast<int64_t>(std::sqrt(static_cast<long double>(rest)));
        while (Wide(a) * (a + 1) < rest)
            ++a;
        while (a > 0 && Wide(a - 1) * a >= rest)
            --a;
        for (auto [px, py] : Points{{cx + x, cy + a}, {cx + a, cy + x}, {cx + a, cy - x}, {cx + x, cy - a},
                                   {cx - x, cy - a}, {cx - a, cy - x}, {cx - a, cy + x}, {cx - x, cy + a}})
            KeepInside(points, px, py, width, height);
    }
    return points;
}

Points ExpectedEllipse(int64_t cx, int64_t cy, int64_t fullWidth, int64_t fullHeight, int64_t width,
                       int64_t height)
{
    const Wide a = std::abs(fullWidth / 2), b = std::abs(fullHeight / 2);
    const Wide a2 = a * a, b2 = b * b;
    Points points;
    int64_t x = 0, y = int64_t(b);
    auto group = [&] {
        for (auto [px, py] : Points{{cx + x, cy + y}, {cx + x, cy - y}, {cx - x, cy - y}, {cx - x, cy + y}})
            KeepInside(points, px, py, width, height);
    };
    group();
    const int64_t slopeTurn = a2 + b2 == 0 ? 0 : int64_t(double(a2) / std::sqrt(double(a2 + b2)));
    for (int64_t i = 0; i < slopeTurn; ++i) {
        ++x;
        // Rows y and y - 1 in column x: 2B^2 x^2 + A^2 (y^2 + (y - 1)^2) - 2A^2 B^2.
        if (2 * b2 * x * x + a2 * (2 * Wide(y) * y - 2 * y + 1) > 2 * a2 * b2)
            --y;
        group();
    }
    for (int64_t i = 0, rows = std::abs(y); i < rows; ++i) {
        --y;
        // Columns x and x + 1 in row y: B^2 (x^2 + (x + 1)^2) + 2A^2 y^2 - 2A^2 B^2.
        if (b2 * (2 * Wide(x) * x + 2 * x + 1) + 2 * a2 * y * y - 2 * a2 * b2 < -2 * b2)
            ++x;
        group();
    }
    return points;
}
