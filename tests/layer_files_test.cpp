// layer_files_test.cpp -- kernel32 files and read-only mapping as the platform behaves

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "support.h"

namespace {

HANDLE Open(const char* name, DWORD access, DWORD share, DWORD disposition)
{
    return CreateFileA(name, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

TEST(CreateFileA, FailsWithInvalidHandleValueAndTheReason)
{
    ScratchDirectory dir;
    struct Row {
        const char* name;
        DWORD disposition;
        DWORD error;
    };
    WriteBytes("present.txt", {1});
    const Row rows[] = {
        {"absent.txt", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {"absent\\dir\\file.txt", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {"absent\\file.txt", CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {"present.txt", CREATE_NEW, ERROR_FILE_EXISTS},
        {".", OPEN_EXISTING, ERROR_ACCESS_DENIED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HANDLE file = Open(row.name, GENERIC_READ, FILE_SHARE_READ, row.disposition);
        EXPECT_EQ(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(row.error));
    }
}

TEST(CreateFileA, NamesUseEitherSeparatorAndIgnoreCase)
{
    ScratchDirectory dir;
    WriteBytes("Data/Palette.BMP", {1, 2, 3});
    WriteBytes("\xD1\x82\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82.txt", {9});  // "текст.txt" in UTF-8
    for (const char* name : {"data\\palette.bmp", "DATA/PALETTE.bmp", "Data\\Palette.BMP",
                             "\xF2\xE5\xEA\xF1\xF2.txt" /* the same name in Windows-1251 */}) {
        SCOPED_TRACE(name);
        HANDLE file = Open(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_NE(GetFileSize(file, nullptr), 0u);
        CloseHandle(file);
    }
    // A new file in a directory spelled differently lands in that directory.
    HANDLE file = Open("DATA\\new.bin", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(ReadBytes("Data/new.bin").empty());
    HANDLE reader = Open("Data/new.bin", GENERIC_READ, 0, OPEN_EXISTING);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
}

TEST(CreateFileA, CreateAlwaysTruncatesAndSaysTheFileExisted)
{
    ScratchDirectory dir;
    WriteBytes("out.bin", {1, 2, 3, 4, 5});
    HANDLE file = Open("out.bin", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(file, nullptr), 0u);
    const char data[] = "abc";
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, data, 3, &written, nullptr));
    EXPECT_EQ(written, 3u);
    DWORD read = 7;
    char buffer[4];
    EXPECT_FALSE(ReadFile(file, buffer, 1, &read, nullptr)) << "the handle was opened for writing only";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(read, 0u);
    CloseHandle(file);
    EXPECT_EQ(ReadBytes("out.bin"), (std::vector<uint8_t>{'a', 'b', 'c'}));
}

TEST(CreateFileA, ShareModesBetweenOpenHandles)
{
    ScratchDirectory dir;
    WriteBytes("shared.bin", {1});
    HANDLE reader = Open("shared.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    HANDLE second = Open("shared.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(second, INVALID_HANDLE_VALUE) << "readers sharing reads may open together";
    CloseHandle(second);
    EXPECT_EQ(Open("shared.bin", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(ReadBytes("shared.bin").size(), 1u) << "the refused open truncated nothing";
    CloseHandle(reader);
    HANDLE writer = Open("shared.bin", GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("shared.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE)
        << "a writer that shares nothing keeps readers out";
    CloseHandle(writer);
    EXPECT_FALSE(CloseHandle(writer));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(MoveFileExA, ReplacesOnlyWhenAskedAndNeverAnOpenFile)
{
    ScratchDirectory dir;
    const std::vector<uint8_t> oldBytes = {'o', 'l', 'd'}, newBytes = {'n', 'e', 'w'};
    WriteBytes("shot.bmp", oldBytes);
    WriteBytes("shot.bmp.part", newBytes);
    EXPECT_FALSE(MoveFileExA("shot.bmp.part", "shot.bmp", 0)) << "an existing name is not taken unasked";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadBytes("shot.bmp"), oldBytes);

    HANDLE open = Open("shot.bmp.part", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_FALSE(MoveFileExA("shot.bmp.part", "shot.bmp", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(DeleteFileA("shot.bmp.part"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(open);
    open = Open("shot.bmp", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_FALSE(MoveFileExA("shot.bmp.part", "shot.bmp", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << "an open target stays";
    CloseHandle(open);

    chmod("shot.bmp", 0444);
    EXPECT_FALSE(MoveFileExA("shot.bmp.part", "shot.bmp", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << "a read-only target stays";
    EXPECT_EQ(ReadBytes("shot.bmp"), oldBytes);
    chmod("shot.bmp", 0644);

    EXPECT_TRUE(MoveFileExA("SHOT.BMP.PART", "Shot.Bmp", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(ReadBytes("shot.bmp"), newBytes);
    EXPECT_TRUE(ReadBytes("shot.bmp.part").empty());
    EXPECT_FALSE(MoveFileExA("shot.bmp.part", "other.bmp", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(MoveFileExA("shot.bmp", "other.bmp", 0)) << "a free name needs no flag";
    EXPECT_TRUE(DeleteFileA("other.bmp"));
    EXPECT_FALSE(DeleteFileA("other.bmp"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(FileAttributes, AReadOnlyFileIsNeitherWrittenReplacedNorDeleted)
{
    // The tests run as root in CI, whom no permission check stops: the attribute must hold anyway.
    ScratchDirectory dir;
    const std::vector<uint8_t> kept = {'k', 'e', 'p', 't'}, other = {'o', 't', 'h', 'e', 'r'};
    WriteBytes("kept.bmp", kept);
    WriteBytes("kept.bmp.part", other);
    EXPECT_EQ(GetFileAttributesA("kept.bmp") & FILE_ATTRIBUTE_READONLY, 0u);
    ASSERT_TRUE(SetFileAttributesA("kept.bmp", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesA("KEPT.BMP"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));

    struct Row { const char* name; DWORD access; DWORD disposition; };
    const Row refused[] = {
        {"write, open existing", GENERIC_WRITE, OPEN_EXISTING},
        {"read and write", GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS},
        {"create always", GENERIC_WRITE, CREATE_ALWAYS},
        {"truncate existing", GENERIC_WRITE, TRUNCATE_EXISTING},
    };
    for (const Row& r : refused) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(Open("kept.bmp", r.access, 0, r.disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    HANDLE reader = Open("kept.bmp", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "reading stays allowed";
    CloseHandle(reader);
    EXPECT_FALSE(MoveFileExA("kept.bmp.part", "kept.bmp", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(DeleteFileA("kept.bmp"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadBytes("kept.bmp"), kept);
    EXPECT_EQ(ReadBytes("kept.bmp.part"), other) << "the refused move left its source";

    // A read-only file may still be renamed to a free name, keeping its attribute.
    EXPECT_TRUE(MoveFileExA("kept.bmp", "moved.bmp", 0));
    EXPECT_EQ(GetFileAttributesA("moved.bmp"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    // NORMAL clears it: then the file is replaced and deleted as any other.
    ASSERT_TRUE(SetFileAttributesA("moved.bmp", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA("moved.bmp"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(MoveFileExA("kept.bmp.part", "moved.bmp", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(ReadBytes("moved.bmp"), other);
    EXPECT_TRUE(DeleteFileA("moved.bmp"));

    EXPECT_EQ(GetFileAttributesA("."), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesA("missing.bmp"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesA("no-dir\\missing.bmp"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(SetFileAttributesA("missing.bmp", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(ReadFile, ShortReadsAtTheEndAndSeeking)
{
    ScratchDirectory dir;
    WriteBytes("ten.bin", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    HANDLE file = Open("ten.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(file, nullptr), 10u);
    uint8_t buffer[16] = {};
    DWORD read = 0;
    EXPECT_EQ(SetFilePointer(file, 6, nullptr, FILE_BEGIN), 6u);
    EXPECT_TRUE(ReadFile(file, buffer, 16, &read, nullptr));
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(buffer[0], 6);
    EXPECT_TRUE(ReadFile(file, buffer, 16, &read, nullptr)) << "at the end: success, nothing read";
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(SetFilePointer(file, 100, nullptr, FILE_BEGIN), 100u) << "past the end is allowed";
    EXPECT_TRUE(ReadFile(file, buffer, 4, &read, nullptr));
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(SetFilePointer(file, -3, nullptr, FILE_END), 7u);
    EXPECT_EQ(SetFilePointer(file, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_TRUE(ReadFile(file, buffer, 1, &read, nullptr));
    EXPECT_EQ(buffer[0], 7) << "a failed seek leaves the position alone";
    CloseHandle(file);
}

TEST(FileMapping, MapsTheWholeFileAndOutlivesItsHandles)
{
    ScratchDirectory dir;
    WriteBytes("sound.wav", {'R', 'I', 'F', 'F', 9, 8, 7});
    HANDLE file = Open("sound.wav", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, GetFileSize(file, nullptr), nullptr);
    CloseHandle(file);
    ASSERT_NE(mapping, nullptr);
    const auto* view = static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    CloseHandle(mapping);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(memcmp(view, "RIFF\x09\x08\x07", 7), 0);
    EXPECT_EQ(view[7], 0) << "the rest of the page reads as zero";

    // The view keeps the file open in its share mode: no writer, no truncation.
    EXPECT_EQ(Open("sound.wav", GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadBytes("sound.wav").size(), 7u);
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_FALSE(UnmapViewOfFile(view));
    HANDLE writer = Open("sound.wav", GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE) << "unmapped, the file is free again";
    CloseHandle(writer);
}

TEST(FileMapping, EmptyFilesAndOversizedMappingsAreRefused)
{
    ScratchDirectory dir;
    WriteBytes("empty.wav", {});
    WriteBytes("small.wav", {1, 2, 3});
    HANDLE empty = Open("empty.wav", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_EQ(CreateFileMappingA(empty, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_INVALID));
    CloseHandle(empty);
    HANDLE small = Open("small.wav", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_EQ(CreateFileMappingA(small, nullptr, PAGE_READONLY, 0, 4, nullptr), nullptr)
        << "a read-only mapping cannot grow its file";
    HANDLE mapping = CreateFileMappingA(small, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 4), nullptr) << "a view past the mapping";
    CloseHandle(mapping);
    CloseHandle(small);
}
