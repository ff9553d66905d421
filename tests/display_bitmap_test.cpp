// display_bitmap_test.cpp -- screenshots written byte by byte, images loaded at every depth,
// and files that are short, garbage or of kinds the loader does not draw

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "support.h"

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t Le16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A BMP as the loader expects it: 14 + 40 header bytes, then the table (8 bits only), then the
// rows given top row first, each padded here to four bytes and stored bottom row first.
std::vector<uint8_t> Bmp(int width, int height, int bits, const std::vector<std::vector<uint8_t>>& rowsTopFirst,
                         const std::vector<uint8_t>& table = {})
{
    std::vector<uint8_t> file(54, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 14, 40);
    Put32(file, 18, static_cast<uint32_t>(width));
    Put32(file, 22, static_cast<uint32_t>(height));
    file[26] = 1;
    file[28] = static_cast<uint8_t>(bits);
    for (uint8_t byte : table)
        file.push_back(byte);
    for (auto it = rowsTopFirst.rbegin(); it != rowsTopFirst.rend(); ++it) {
        const size_t padded = (it->size() + 3) / 4 * 4;
        for (size_t i = 0; i < padded; ++i)
            file.push_back(i < it->size() ? (*it)[i] : 0);
    }
    Put32(file, 2, static_cast<uint32_t>(file.size()));
    Put32(file, 10, static_cast<uint32_t>(54 + table.size()));
    return file;
}

bool WriteText(const char* path, const char* text)
{
    const int fd = open(path, O_WRONLY);
    const bool ok = fd >= 0 && write(fd, text, strlen(text)) == static_cast<ssize_t>(strlen(text));
    if (fd >= 0)
        close(fd);
    return ok;
}

// Runs body in a child process whose working directory is a fresh tmpfs of the given size, in a
// mount namespace of its own, so the small disk is the real file system and vanishes with the
// child. Answers the child's exit status: body's count of failed checks, or 77 when no such
// disk can be had here.
int RunOnSmallDisk(const char* size, const std::function<int()>& body)
{
    std::filesystem::create_directory("disk");
    const pid_t child = fork();
    if (child == 0) {
        const uid_t uid = getuid();
        const gid_t gid = getgid();
        if (unshare(CLONE_NEWNS) != 0) {
            const std::string uidMap = "0 " + std::to_string(uid) + " 1";
            const std::string gidMap = "0 " + std::to_string(gid) + " 1";
            if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !WriteText("/proc/self/setgroups", "deny") ||
                !WriteText("/proc/self/uid_map", uidMap.c_str()) || !WriteText("/proc/self/gid_map", gidMap.c_str()))
                _exit(77);
        }
        const std::string options = std::string("size=") + size;
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", "disk", "tmpfs", 0, options.c_str()) != 0 || chdir("disk") != 0)
            _exit(77);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

TEST(SaveSurfaceBitmap, ScreenshotSizeAndHeadersAtEachDepth)
{
    ScratchDirectory dir;
    WriteBytes("data/palette.bmp", PaletteBitmap({{254, 255, 0, 255}}));
    struct Row {
        int depth;
        size_t size;
        uint32_t offset;
    };
    for (const Row& row : {Row{8, 481078, 1078}, Row{16, 960054, 54}, Row{32, 1920054, 54}}) {
        SCOPED_TRACE(row.depth);
        ASSERT_TRUE(BringUpDisplay(row.depth));
        ASSERT_TRUE(SaveSurfaceBitmap(0, 0, ScreenWidth, ScreenHeight, pScreenSurface, "screen.bmp"));
        const std::vector<uint8_t> file = ReadBytes("screen.bmp");
        ASSERT_EQ(file.size(), row.size);
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(Le32(file, 2), row.size);
        EXPECT_EQ(Le32(file, 6), 0u);
        EXPECT_EQ(Le32(file, 10), row.offset);
        EXPECT_EQ(Le32(file, 14), 40u);
        EXPECT_EQ(Le32(file, 18), 800u);
        EXPECT_EQ(Le32(file, 22), 600u);
        EXPECT_EQ(Le16(file, 26), 1);
        EXPECT_EQ(Le16(file, 28), row.depth);
        EXPECT_EQ(Le32(file, 30), 0u) << "BI_RGB";
        EXPECT_EQ(Le32(file, 34), row.size - row.offset);
        for (size_t at = 38; at < 54; at += 4)
            EXPECT_EQ(Le32(file, at), 0u);
        if (row.depth == 8) {
            // Entry 254 as blue, green, red, then the flags byte 0 (the file said 0x5A there).
            EXPECT_EQ(Le32(file, 54 + 4 * 254), 0x00FF00FFu);
            EXPECT_EQ(file[54 + 4 * 100 + 2], 100);
            EXPECT_EQ(file[54 + 4 * 100 + 3], 0);
        }
        ReleaseDirectDraw();
    }
}

TEST(SaveSurfaceBitmap, RowsRunBottomUpPaddedToFourBytes)
{
    ScratchDirectory dir;
    WriteBytes("data/palette.bmp", PaletteBitmap());
    struct Row {
        int depth;
        size_t pixelBytes;
        size_t padding;
    };
    for (const Row& row : {Row{8, 99, 1}, Row{16, 198, 2}, Row{32, 396, 0}}) {
        SCOPED_TRACE(row.depth);
        ASSERT_TRUE(BringUpDisplay(row.depth));
        FillSurfaceBytes(pScreenSurface, 0x11);
        WritePixel(pScreenSurface, 10, 20, 0x01);  // top-left of the rectangle
        WritePixel(pScreenSurface, 10, 22, 0x02);  // bottom-left
        ASSERT_TRUE(SaveSurfaceBitmap(10, 20, 99, 3, pScreenSurface, "part.bmp"));
        const std::vector<uint8_t> file = ReadBytes("part.bmp");
        const size_t start = row.depth == 8 ? 1078 : 54;
        const size_t stride = row.pixelBytes + row.padding;
        ASSERT_EQ(file.size(), start + 3 * stride);
        EXPECT_EQ(Le32(file, 18), 99u);
        EXPECT_EQ(file[start], 0x02) << "the first row in the file is the bottom one";
        EXPECT_EQ(file[start + 2 * stride], 0x01);
        for (size_t r = 0; r < 3; ++r) {
            for (size_t p = 0; p < row.padding; ++p)
                EXPECT_EQ(file[start + r * stride + row.pixelBytes + p], 0) << "padding of row " << r;
            // The fill 0x11 bytes: at 16 bits the 5-6-5 pixel 0x1111 is 0x0891 in 5-5-5.
            EXPECT_EQ(file[start + r * stride + row.pixelBytes - 1], row.depth == 16 ? 0x08 : 0x11);
        }
        ReleaseDirectDraw();
    }
}

TEST(SaveSurfaceBitmap, CutsAtTheEdgesAndMovesANegativeCorner)
{
    ScratchDirectory dir;
    ASSERT_TRUE(BringUpDisplay(32));
    FillSurfaceBytes(pScreenSurface, 0);
    WritePixel(pScreenSurface, 0, 599, 0x00ABCDEF);
    struct Row {
        const char* name;
        int x, y, width, height;
        uint32_t savedWidth, savedHeight;
    };
    const Row rows[] = {
        {"past the right and bottom", 790, 595, 50, 50, 10, 5},
        {"negative x keeps the width", -5, 590, 20, 10, 20, 10},
        {"negative y keeps the height", 0, -100, 4, 700, 4, 600},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(SaveSurfaceBitmap(row.x, row.y, row.width, row.height, pScreenSurface, "cut.bmp"));
        const std::vector<uint8_t> file = ReadBytes("cut.bmp");
        EXPECT_EQ(Le32(file, 18), row.savedWidth);
        EXPECT_EQ(Le32(file, 22), row.savedHeight);
        EXPECT_EQ(file.size(), 54 + 4u * row.savedWidth * row.savedHeight);
    }
    // The last one started at column 0 and ran to the bottom row: its first stored pixel.
    const std::vector<uint8_t> file = ReadBytes("cut.bmp");
    EXPECT_EQ(Le32(file, 54), 0x00ABCDEFu);
}

TEST(SaveSurfaceBitmap, SixteenBitFilesShowTheScreensColours)
{
    ScratchDirectory dir;
    ASSERT_TRUE(BringUpDisplay(16));
    const uint16_t screen[4] = {0xF800, 0x07E0, 0x001F, 0xF81F};   // 5-6-5 red, green, blue, magenta
    const uint16_t inFile[4] = {0x7C00, 0x03E0, 0x001F, 0x7C1F};   // the same colours in 5-5-5
    for (int i = 0; i < 4; ++i)
        WritePixel(pScreenSurface, i, 0, screen[i]);
    ASSERT_TRUE(SaveSurfaceBitmap(0, 0, 4, 1, pScreenSurface, "colours.bmp"));
    const std::vector<uint8_t> file = ReadBytes("colours.bmp");
    ASSERT_EQ(file.size(), 54u + 8u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Le16(file, 54 + 2 * i), inFile[i]) << "pixel " << i;
}

TEST(SaveSurfaceBitmap, FailsWithoutTouchingAnExistingFile)
{
    ScratchDirectory dir;
    ASSERT_TRUE(BringUpDisplay(16));
    const std::vector<uint8_t> previous = {'o', 'l', 'd'};
    WriteBytes("keep.bmp", previous);
    layer_set_surface_lost(pScreenSurface);
    EXPECT_FALSE(SaveSurfaceBitmap(0, 0, 800, 600, pScreenSurface, "keep.bmp")) << "a lost surface cannot be read";
    EXPECT_EQ(ReadBytes("keep.bmp"), previous);
    ASSERT_EQ(pScreenSurface->Restore(), DD_OK);
    EXPECT_FALSE(SaveSurfaceBitmap(800, 0, 10, 10, pScreenSurface, "keep.bmp")) << "nothing left after the cut";
    EXPECT_FALSE(SaveSurfaceBitmap(0, 0, 0, 10, pScreenSurface, "keep.bmp"));
    EXPECT_EQ(ReadBytes("keep.bmp"), previous);
    EXPECT_FALSE(SaveSurfaceBitmap(0, 0, 8, 8, nullptr, "keep.bmp"));
    EXPECT_FALSE(SaveSurfaceBitmap(0, 0, 8, 8, pScreenSurface, "no-such-dir\\x.bmp"));
    EXPECT_EQ(pScreenSurface->Unlock(nullptr), DDERR_NOTLOCKED) << "the failed save left nothing locked";
}

TEST(SaveSurfaceBitmap, AReadOnlyScreenshotIsKept)
{
    // A user marked the last screenshot read-only to keep it; the next F12 must not replace it.
    ScratchDirectory dir;
    ASSERT_TRUE(BringUpDisplay(16));
    const std::vector<uint8_t> earlier(300, 0x5A);
    WriteBytes("screen.bmp", earlier);
    ASSERT_TRUE(SetFileAttributesA("screen.bmp", FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(SaveSurfaceBitmap(0, 0, 800, 600, pScreenSurface, "screen.bmp"));
    EXPECT_EQ(ReadBytes("screen.bmp"), earlier);
    EXPECT_EQ(GetFileAttributesA("screen.bmp.part"), INVALID_FILE_ATTRIBUTES) << "a .part file was left";
    EXPECT_EQ(pScreenSurface->Unlock(nullptr), DDERR_NOTLOCKED) << "the failed save left the surface locked";
    // Once writable again, the save replaces it.
    ASSERT_TRUE(SetFileAttributesA("screen.bmp", FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(SaveSurfaceBitmap(0, 0, 10, 10, pScreenSurface, "screen.bmp"));
    EXPECT_EQ(ReadBytes("screen.bmp").size(), 54u + 10u * 20u);
}

TEST(SaveSurfaceBitmap, AFullDiskCostsNoEarlierScreenshot)
{
    ScratchDirectory dir;
    ASSERT_TRUE(BringUpDisplay(16));
    // 256 KiB hold the earlier screenshot and a 100 x 100 one (20054 bytes), not a whole screen
    // (960054 bytes).
    const int failures = RunOnSmallDisk("256k", [] {
        int failed = 0;
        auto check = [&failed](bool ok, const char* what) {
            if (!ok) {
                fprintf(stderr, "on the small disk: %s\n", what);
                ++failed;
            }
        };
        const std::vector<uint8_t> earlier(4000, 0x5A);
        WriteBytes("screen.bmp", earlier);
        check(!SaveSurfaceBitmap(0, 0, 800, 600, pScreenSurface, "screen.bmp"), "a save that did not fit reported success");
        check(ReadBytes("screen.bmp") == earlier, "the earlier screenshot changed");
        size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("."))
            ++entries;
        check(entries == 1, "a partial file was left beside the screenshot");
        check(SaveSurfaceBitmap(0, 0, 100, 100, pScreenSurface, "screen.bmp"), "a save that fits failed");
        check(ReadBytes("screen.bmp").size() == 20054, "the save that fits did not replace the file");
        return failed;
    });
    if (failures == 77)
        GTEST_SKIP() << "no mount namespace with a small tmpfs can be made here";
    EXPECT_EQ(failures, 0) << "see standard error for the checks that failed";
}

TEST(LoadBitmapSurface, RoundTripKeepsThePixels)
{
    ScratchDirectory dir;
    for (int depth : {16, 32}) {
        SCOPED_TRACE(depth);
        ASSERT_TRUE(BringUpDisplay(depth));
        // At 16 bits every colour whose six green bits end in their top bit survives the five-bit
        // green of the file: these do.
        const uint32_t colours16[] = {0xF800, 0x07E0, 0x001F, 0xF81F, 0xFFFF, 0x0000, 0x8430, 0x4208};
        const uint32_t colours32[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF, 0xFFFFFF, 0x000000, 0x123456, 0xFEDCBA};
        for (int i = 0; i < 8; ++i)
            WritePixel(pScreenSurface, i, i % 3, depth == 16 ? colours16[i] : colours32[i]);
        ASSERT_TRUE(SaveSurfaceBitmap(0, 0, 8, 3, pScreenSurface, "trip.bmp"));
        IDirectDrawSurface7* loaded = LoadBitmapSurface("trip.bmp");
        ASSERT_NE(loaded, nullptr);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_EQ(ReadPixel(loaded, x, y), ReadPixel(pScreenSurface, x, y)) << "pixel (" << x << ", " << y << ")";
        loaded->Release();
        ReleaseDirectDraw();
    }
}

TEST(LoadBitmapSurface, ConvertsEachFileDepthToTheDisplay)
{
    ScratchDirectory dir;
    ASSERT_TRUE(BringUpDisplay(16));
    std::vector<uint8_t> table(1024, 0);
    table[4 * 3 + 2] = 255;  // entry 3: red
    table[4 * 7 + 1] = 255;  // entry 7: green
    struct Row {
        const char* name;
        std::vector<uint8_t> file;
    };
    // The header is always taken to be 40 bytes: a size field saying otherwise changes nothing.
    std::vector<uint8_t> oddHeader = Bmp(2, 2, 8, {{3, 7}, {0, 0}}, table);
    Put32(oddHeader, 14, 0x08000028);
    // Each file is 2 x 2: top row red, green; bottom row blue, white.
    const Row rows[] = {
        {"8 bits", Bmp(2, 2, 8, {{3, 7}, {0, 0}}, table)},
        {"8 bits, header size field wrong", oddHeader},
        {"16 bits, 5-5-5", Bmp(2, 2, 16, {{0x00, 0x7C, 0xE0, 0x03}, {0x1F, 0x00, 0xFF, 0x7F}})},
        {"24 bits", Bmp(2, 2, 24, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}})},
        {"32 bits", Bmp(2, 2, 32, {{0, 0, 255, 0, 0, 255, 0, 0}, {255, 0, 0, 0, 255, 255, 255, 0}})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteBytes("image.bmp", row.file);
        IDirectDrawSurface7* image = LoadBitmapSurface("image.bmp");
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(ReadPixel(image, 0, 0), 0xF800u);
        EXPECT_EQ(ReadPixel(image, 1, 0), 0x07E0u);
        if (std::string(row.name).rfind("8 bits", 0) != 0) {
            EXPECT_EQ(ReadPixel(image, 0, 1), 0x001Fu);
            EXPECT_EQ(ReadPixel(image, 1, 1), 0xFFFFu);
        }
        image->Release();
    }
}

TEST(LoadBitmapSurface, RefusedSurfaceGivesNullAndRefusedDcASurfaceWithoutThePicture)
{
    ScratchDirectory dir;
    ASSERT_TRUE(BringUpDisplay(16));
    WriteBytes("image.bmp", Bmp(2, 1, 24, {{0, 0, 255, 0, 255, 0}}));  // red, green
    const size_t videoBefore = layer_video_memory_used();
    layer_fail_call("IDirectDraw7::CreateSurface", 0, DDERR_OUTOFMEMORY);
    EXPECT_EQ(LoadBitmapSurface("image.bmp"), nullptr);
    layer_clear_faults();
    EXPECT_EQ(layer_video_memory_used(), videoBefore);

    layer_fail_call("IDirectDrawSurface7::GetDC", 0, DDERR_SURFACEBUSY);
    IDirectDrawSurface7* image = LoadBitmapSurface("image.bmp");
    layer_clear_faults();
    ASSERT_NE(image, nullptr);
    int32_t pitch = 0, height = 0;
    ASSERT_TRUE(GetSurfaceLayout(pitch, height, image));
    EXPECT_EQ(height, 1);
    EXPECT_EQ(ReadPixel(image, 0, 0), 0u) << "no picture without a DC";
    EXPECT_EQ(ReadPixel(image, 1, 0), 0u);
    image->Release();
}

TEST(LoadBitmapSurface, TransparentPixelsBecomeHolesInKeyedCopies)
{
    ScratchDirectory dir;
    ASSERT_TRUE(BringUpDisplay(32));
    WriteBytes("sprite.bmp", Bmp(2, 1, 24, {{255, 0, 255, 0, 0, 200}}));  // magenta, then red 200
    IDirectDrawSurface7* sprite = LoadBitmapSurface("sprite.bmp");
    ASSERT_NE(sprite, nullptr);
    FillSurfaceBytes(pScreenSurface, 0x22);
    RECT all{0, 0, 2, 1};
    ASSERT_EQ(pScreenSurface->BltFast(0, 0, sprite, &all, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(ReadScreenPixel(0, 0), 0x22222222u) << "the loaded surface carries the transparent key";
    EXPECT_EQ(ReadScreenPixel(1, 0), 0x00C80000u);
    sprite->Release();
}

TEST(LoadBitmapSurface, BadFilesFailCleanlyOrLoadWithoutThePicture)
{
    ScratchDirectory dir;
    ASSERT_TRUE(BringUpDisplay(16));
    std::vector<uint8_t> huge = Bmp(2, 2, 24, {{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}});
    Put32(huge, 18, 60000);
    Put32(huge, 22, 60000);
    std::vector<uint8_t> shortRows = Bmp(4, 4, 32, {{1}, {2}, {3}, {4}});
    shortRows.resize(54 + 20);
    std::vector<uint8_t> topDown = Bmp(2, 2, 24, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    Put32(topDown, 22, static_cast<uint32_t>(-2));
    std::vector<uint8_t> overflowing = Bmp(1, 1, 32, {{1, 2, 3, 4}});
    Put32(overflowing, 18, 0x7FFFFFFF);
    std::vector<uint8_t> noTable = Bmp(2, 2, 8, {{1, 2}, {3, 4}});  // 8 bits without its 1024-byte table
    // 122 bytes that claim 4096 x 4096 at 4 bits (8 MiB of rows); the same rows at 1 bit, and
    // at a bit count of 0, which counts as 1 (2 MiB).
    std::vector<uint8_t> tinyNibbles = Bmp(4096, 4096, 4, {}, std::vector<uint8_t>(68, 0));
    std::vector<uint8_t> tinyMono = tinyNibbles;
    tinyMono[28] = 1;
    std::vector<uint8_t> tinyZero = tinyNibbles;
    tinyZero[28] = 0;
    struct Row {
        const char* name;
        std::vector<uint8_t> file;
    };
    const Row refused[] = {
        {"empty", {}},
        {"shorter than the headers", std::vector<uint8_t>(30, 'B')},
        {"rows past the end of the file", shortRows},
        {"larger than any surface", huge},
        {"top-down", topDown},
        {"width that overflows", overflowing},
        {"8 bits without the colour table", noTable},
        {"4 bits, rows far past the end", tinyNibbles},
        {"1 bit, rows far past the end", tinyMono},
        {"bit count 0, rows far past the end", tinyZero},
    };
    for (const Row& row : refused) {
        SCOPED_TRACE(row.name);
        WriteBytes("bad.bmp", row.file);
        EXPECT_EQ(LoadBitmapSurface("bad.bmp"), nullptr);
    }
    EXPECT_EQ(LoadBitmapSurface("missing.bmp"), nullptr);

    // Complete 4-bit and 1-bit files are not drawn: the surface has their size and no picture.
    std::vector<uint8_t> fourBit = Bmp(3, 2, 4, {{0x12, 0x30}, {0x45, 0x60}}, std::vector<uint8_t>(64, 0xFF));
    std::vector<uint8_t> oneBit = Bmp(3, 2, 1, {{0xE0}, {0xA0}}, std::vector<uint8_t>(8, 0xFF));
    for (const auto& file : {fourBit, oneBit}) {
        SCOPED_TRACE(file[28]);
        WriteBytes("few.bmp", file);
        IDirectDrawSurface7* image = LoadBitmapSurface("few.bmp");
        ASSERT_NE(image, nullptr);
        int32_t pitch = 0, height = 0;
        ASSERT_TRUE(GetSurfaceLayout(pitch, height, image));
        EXPECT_EQ(height, 2);
        EXPECT_EQ(ReadPixel(image, 2, 1), 0u);
        image->Release();
    }

    // Run lengths (two pixels of white entry 5) whose header claims more data than the file
    // holds, and bit-field masks past the end of a one-pixel file: no picture, nothing read
    // past the file.
    std::vector<uint8_t> table(1024, 0);
    table[20] = table[21] = table[22] = 0xFF;
    std::vector<uint8_t> runs = Bmp(4, 1, 8, {{2, 5, 0, 1}}, table);
    Put32(runs, 30, BI_RLE8);
    Put32(runs, 34, 100000);
    std::vector<uint8_t> fields = Bmp(1, 1, 16, {{0xFF, 0xFF}});
    Put32(fields, 30, BI_BITFIELDS);
    for (const std::vector<uint8_t>* file : {&runs, &fields}) {
        WriteBytes("lying.bmp", *file);
        IDirectDrawSurface7* image = LoadBitmapSurface("lying.bmp");
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(ReadPixel(image, 0, 0), 0u);
        image->Release();
    }
}
