// names.cpp -- kernel32 file names: Windows-1251 names with either separator found without
// regard to case, DeleteFileA and MoveFileExA (in place or replacing, on one volume), and the
// read-only attribute (GetFileAttributesA, SetFileAttributesA)
//
// An open or mapped file is never deleted or renamed: handles here do not share deletion.
// FILE_ATTRIBUTE_READONLY is the mode's write bits: a file that nobody may write is read-only,
// checked from the mode itself so that it holds for root too. The other attributes the platform
// stores (hidden, system, archive) have no place in a POSIX file and are not offered.

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "faults.h"
#include "kernel32/codepage.h"
#include "kernel32/handles.h"
#include "unsupported.h"

namespace {

// The calls here that a test can make fail.
const FaultHook MoveFileExAFault("MoveFileExA");

bool exists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// Finds a directory entry equal to name ignoring ASCII case; empty when there is none.
std::string find_ignoring_case(const std::string& directory, const std::string& name)
{
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (!dir)
        return {};
    std::string found;
    while (dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

}  // namespace

namespace k32 {

// Windows-1251 name with either separator to a POSIX path, each component matched without
// regard to case where the exact spelling is absent. The last component keeps its spelling when
// nothing matches it, so that a new file gets the name it was given.
ResolvedPath resolve_path(const char* name)
{
    std::string path = cp1251_to_utf8(name, strlen(name));
    for (char& c : path)
        if (c == '\\')
            c = '/';
    if (exists(path))
        return {path, true};

    std::string resolved = path.size() && path[0] == '/' ? "/" : "";
    size_t start = resolved.size();
    bool parentExists = true;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        const bool last = end == path.size();
        start = end + 1;
        if (part.empty())
            continue;
        std::string candidate = resolved + part;
        if (!exists(candidate)) {
            std::string match =
                parentExists ? find_ignoring_case(resolved.empty() ? "." : resolved, part) : "";
            if (!match.empty())
                candidate = resolved + match;
            else if (!last)
                parentExists = false;
        }
        resolved = last ? candidate : candidate + "/";
    }
    return {resolved, parentExists};
}

}  // namespace k32

using namespace k32;

BOOL WINAPI DeleteFileA(LPCSTR fileName)
{
    std::lock_guard<std::recursive_mutex> hold(k32::table_lock());
    if (!fileName || !*fileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    const ResolvedPath resolved = resolve_path(fileName);
    struct stat info {};
    if (!resolved.parentExists || lstat(resolved.path.c_str(), &info) != 0) {
        SetLastError(resolved.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    // A read-only file stays until its attribute is cleared.
    if (S_ISDIR(info.st_mode) || mapped(info.st_dev, info.st_ino) || read_only(info.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // Handles here never share deletion.
    if (open_anywhere(info.st_dev, info.st_ino)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (unlink(resolved.path.c_str()) != 0) {
        SetLastError(error_from_errno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags)
{
    std::lock_guard<std::recursive_mutex> hold(k32::table_lock());
    if (layer_fault_sets_last_error(MoveFileExAFault))
        return FALSE;
    if (!existingFileName || !*existingFileName || !newFileName || !*newFileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (flags & ~static_cast<DWORD>(MOVEFILE_REPLACE_EXISTING)) {
        note_unsupported("MoveFileExA", "a flag other than MOVEFILE_REPLACE_EXISTING");
        SetLastError(ErrorNotSupported);
        return FALSE;
    }
    const ResolvedPath from = resolve_path(existingFileName);
    struct stat source {};
    if (!from.parentExists || lstat(from.path.c_str(), &source) != 0) {
        SetLastError(from.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    // A file that is open, or mapped, cannot be moved.
    if (open_anywhere(source.st_dev, source.st_ino)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    const ResolvedPath to = resolve_path(newFileName);
    if (!to.parentExists) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    struct stat target {};
    if (lstat(to.path.c_str(), &target) == 0) {
        const bool sameFile = target.st_dev == source.st_dev && target.st_ino == source.st_ino;
        if (!sameFile) {
            // An existing name is taken only when the caller says so, and never from a
            // directory, a read-only file or a file that is open or mapped.
            if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
                SetLastError(ERROR_ALREADY_EXISTS);
                return FALSE;
            }
            if (S_ISDIR(target.st_mode) || S_ISDIR(source.st_mode) || read_only(target.st_mode) ||
                open_anywhere(target.st_dev, target.st_ino)) {
                SetLastError(ERROR_ACCESS_DENIED);
                return FALSE;
            }
        }
    }
    // rename(2) replaces the old name in one step: a reader sees the old file or the new one,
    // never a mixture or nothing.
    if (rename(from.path.c_str(), to.path.c_str()) != 0) {
        SetLastError(error_from_errno(errno));
        return FALSE;
    }
    return TRUE;
}

namespace {

// The mode of an existing name, or false with the platform's last error for a missing file.
bool stat_existing(LPCSTR fileName, ResolvedPath& resolved, struct stat& info)
{
    if (!fileName || !*fileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    resolved = resolve_path(fileName);
    if (!resolved.parentExists || stat(resolved.path.c_str(), &info) != 0) {
        SetLastError(resolved.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

}  // namespace

DWORD WINAPI GetFileAttributesA(LPCSTR fileName)
{
    ResolvedPath resolved;
    struct stat info {};
    if (!stat_existing(fileName, resolved, info))
        return INVALID_FILE_ATTRIBUTES;
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (read_only(info.st_mode))
        attributes |= FILE_ATTRIBUTE_READONLY;
    // A file with no attribute set reads back as FILE_ATTRIBUTE_NORMAL.
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes)
{
    // NORMAL and ARCHIVE clear read-only and store nothing else; the directory bit is ignored, as
    // the platform ignores it.
    constexpr DWORD Kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY |
                           FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
    if (attributes & ~Kept) {
        note_unsupported("SetFileAttributesA", "an attribute other than READONLY, ARCHIVE and NORMAL");
        SetLastError(ErrorNotSupported);
        return FALSE;
    }
    ResolvedPath resolved;
    struct stat info {};
    if (!stat_existing(fileName, resolved, info))
        return FALSE;
    // Read-only takes every write bit away; writable gives the owner's back (a file that is
    // already writable keeps its mode).
    mode_t mode = info.st_mode & 07777;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        mode &= ~static_cast<mode_t>(0222);
    else if (read_only(mode))
        mode |= S_IWUSR;
    if (chmod(resolved.path.c_str(), mode) != 0) {
        SetLastError(error_from_errno(errno));
        return FALSE;
    }
    return TRUE;
}
