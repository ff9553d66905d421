// files.cpp -- kernel32 files and read-only file mapping over POSIX
//
// Covers CreateFileA (GENERIC_READ / GENERIC_WRITE, the five creation dispositions, the share
// modes between this process's own handles), ReadFile, WriteFile, FlushFileBuffers,
// SetFilePointer, GetFileSize, CloseHandle, DeleteFileA, MoveFileExA (in place or replacing, on
// one volume), CreateFileMappingA with PAGE_READONLY, MapViewOfFile with FILE_MAP_READ, and
// UnmapViewOfFile. Names are Windows-1251 text with '\' or '/' between components and are found
// case-insensitively, as on the platform's file system. Left out on purpose: overlapped I/O,
// named or writable mappings, pagefile-backed mappings, attributes beyond the defaults,
// FILE_SHARE_DELETE (so an open file is never deleted or renamed), moves across volumes or
// delayed until a restart.

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "faults.h"
#include "kernel32/codepage.h"
#include "unsupported.h"

namespace {

// The calls here that a test can make fail.
const FaultHook CreateFileAFault("CreateFileA");
const FaultHook CreateFileMappingAFault("CreateFileMappingA");
const FaultHook MapViewOfFileFault("MapViewOfFile");
const FaultHook FlushFileBuffersFault("FlushFileBuffers");
const FaultHook MoveFileExAFault("MoveFileExA");

constexpr DWORD ErrorInvalidAddress = 487;
constexpr DWORD ErrorMappedAlignment = 1132;
constexpr DWORD ErrorUserMappedFile = 1224;
constexpr DWORD AllocationGranularity = 65536;

thread_local DWORD lastError = 0;

// One opened file. Handles, mappings and views each hold a reference, because on the platform a
// mapping keeps its file open (and its share mode in force) after the handle is closed.
struct OpenFile {
    int fd = -1;
    DWORD access = 0;
    DWORD share = 0;
    dev_t device = 0;
    ino_t inode = 0;
    int references = 1;
};

enum class Kind { File, Mapping };

struct KernelObject {
    Kind kind;
    OpenFile* file;
    uint64_t mappingSize = 0;  // mappings only
};

std::set<KernelObject*>& handles()
{
    static std::set<KernelObject*> table;
    return table;
}

std::set<OpenFile*>& open_files()
{
    static std::set<OpenFile*> table;
    return table;
}

struct View {
    size_t length;
    OpenFile* file;
};

std::map<const void*, View>& views()
{
    static std::map<const void*, View> table;
    return table;
}

void release_file(OpenFile* file)
{
    if (--file->references > 0)
        return;
    close(file->fd);
    open_files().erase(file);
    delete file;
}

KernelObject* object_from_handle(HANDLE handle, Kind kind)
{
    auto* object = static_cast<KernelObject*>(handle);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !handles().count(object) ||
        object->kind != kind)
        return nullptr;
    return object;
}

DWORD error_from_errno(int error)
{
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ERROR_DISK_FULL;
    case EXDEV:
        return ERROR_NOT_SAME_DEVICE;
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

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

struct ResolvedPath {
    std::string path;
    bool parentExists;
};

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

bool share_conflict(dev_t device, ino_t inode, DWORD access, DWORD share)
{
    for (const OpenFile* other : open_files()) {
        if (other->device != device || other->inode != inode)
            continue;
        if ((access & GENERIC_READ) && !(other->share & FILE_SHARE_READ))
            return true;
        if ((access & GENERIC_WRITE) && !(other->share & FILE_SHARE_WRITE))
            return true;
        if ((other->access & GENERIC_READ) && !(share & FILE_SHARE_READ))
            return true;
        if ((other->access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE))
            return true;
    }
    return false;
}

bool mapped(dev_t device, ino_t inode)
{
    for (const auto& entry : views())
        if (entry.second.file->device == device && entry.second.file->inode == inode)
            return true;
    return false;
}

bool open_anywhere(dev_t device, ino_t inode)
{
    for (const OpenFile* file : open_files())
        if (file->device == device && file->inode == inode)
            return true;
    return false;
}

// CreateFileA's steps.

HANDLE failed_open(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// Why an existing file cannot be opened so: it is a directory, an open handle's sharing forbids
// it, or the open would truncate a mapped file; 0 when nothing stands in the way.
DWORD refusal_of_existing(const struct stat& info, DWORD access, DWORD share, DWORD disposition)
{
    if (S_ISDIR(info.st_mode))
        return ERROR_ACCESS_DENIED;
    if (share_conflict(info.st_dev, info.st_ino, access, share))
        return ERROR_SHARING_VIOLATION;
    const bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (truncates && mapped(info.st_dev, info.st_ino))
        return ErrorUserMappedFile;
    return 0;
}

// The open(2) flags of an access and a disposition; -1 for TRUNCATE_EXISTING without write access.
int open_flags(DWORD access, DWORD disposition)
{
    int flags = O_CLOEXEC;
    if ((access & GENERIC_READ) && (access & GENERIC_WRITE))
        flags |= O_RDWR;
    else if (access & GENERIC_WRITE)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;  // also an open for attributes only, with no access at all
    switch (disposition) {
    case CREATE_NEW:
        return flags | O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
        return flags | O_CREAT | O_TRUNC;
    case OPEN_ALWAYS:
        return flags | O_CREAT;
    case TRUNCATE_EXISTING:
        return (access & GENERIC_WRITE) ? flags | O_TRUNC : -1;
    default:
        return flags;
    }
}

// A handle of an open descriptor, with the access and sharing it was opened with.
HANDLE adopt_file(int fd, DWORD access, DWORD share)
{
    struct stat info {};
    fstat(fd, &info);
    auto* file = new OpenFile;
    file->fd = fd;
    file->access = access;
    file->share = share;
    file->device = info.st_dev;
    file->inode = info.st_ino;
    open_files().insert(file);
    auto* object = new KernelObject{Kind::File, file};
    handles().insert(object);
    return object;
}

}  // namespace

DWORD WINAPI GetLastError() { return lastError; }

void WINAPI SetLastError(DWORD error) { lastError = error; }

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES, DWORD creationDisposition, DWORD, HANDLE templateFile)
{
    if (layer_fault_sets_last_error(CreateFileAFault))
        return INVALID_HANDLE_VALUE;
    if (!fileName || !*fileName || creationDisposition < CREATE_NEW ||
        creationDisposition > TRUNCATE_EXISTING)
        return failed_open(ERROR_INVALID_PARAMETER);
    if (templateFile || (desiredAccess & ~(GENERIC_READ | GENERIC_WRITE)) != 0) {
        note_unsupported("CreateFileA", "a template or access rights other than GENERIC_READ and GENERIC_WRITE");
        return failed_open(ErrorNotSupported);
    }
    const ResolvedPath resolved = resolve_path(fileName);
    if (!resolved.parentExists)
        return failed_open(ERROR_PATH_NOT_FOUND);
    struct stat info {};
    const bool existed = stat(resolved.path.c_str(), &info) == 0;
    if (existed)
        if (const DWORD refusal = refusal_of_existing(info, desiredAccess, shareMode, creationDisposition))
            return failed_open(refusal);
    const int flags = open_flags(desiredAccess, creationDisposition);
    if (flags < 0)
        return failed_open(ERROR_INVALID_PARAMETER);
    const int fd = open(resolved.path.c_str(), flags, 0644);
    if (fd < 0)
        return failed_open(error_from_errno(errno));
    const HANDLE handle = adopt_file(fd, desiredAccess, shareMode);
    // CREATE_ALWAYS and OPEN_ALWAYS succeed on an existing file and say so in the last error.
    const bool reportsExisting =
        creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
    SetLastError(existed && reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                     LPOVERLAPPED overlapped)
{
    if (bytesRead)
        *bytesRead = 0;
    KernelObject* object = object_from_handle(handle, Kind::File);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (overlapped) {
        SetLastError(ErrorNotSupported);
        return FALSE;
    }
    if (!(object->file->access & GENERIC_READ)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (bytesToRead > 0 && !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD total = 0;
    while (total < bytesToRead) {
        const ssize_t got = read(object->file->fd, static_cast<char*>(buffer) + total,
                                 bytesToRead - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            SetLastError(error_from_errno(errno));
            if (bytesRead)
                *bytesRead = total;
            return FALSE;
        }
        if (got == 0)
            break;  // end of file: success with fewer bytes
        total += static_cast<DWORD>(got);
    }
    if (bytesRead)
        *bytesRead = total;
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
                      LPOVERLAPPED overlapped)
{
    if (bytesWritten)
        *bytesWritten = 0;
    KernelObject* object = object_from_handle(handle, Kind::File);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (overlapped) {
        SetLastError(ErrorNotSupported);
        return FALSE;
    }
    if (!(object->file->access & GENERIC_WRITE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (bytesToWrite > 0 && !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD total = 0;
    while (total < bytesToWrite) {
        const ssize_t put = write(object->file->fd, static_cast<const char*>(buffer) + total,
                                  bytesToWrite - total);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            SetLastError(put < 0 ? error_from_errno(errno) : ERROR_INVALID_PARAMETER);
            if (bytesWritten)
                *bytesWritten = total;
            return FALSE;
        }
        total += static_cast<DWORD>(put);
    }
    if (bytesWritten)
        *bytesWritten = total;
    return TRUE;
}

BOOL WINAPI FlushFileBuffers(HANDLE handle)
{
    if (layer_fault_sets_last_error(FlushFileBuffersFault))
        return FALSE;
    KernelObject* object = object_from_handle(handle, Kind::File);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Only a handle that may write has anything to flush.
    if (!(object->file->access & GENERIC_WRITE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (fsync(object->file->fd) != 0) {
        SetLastError(error_from_errno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR fileName)
{
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
    if (S_ISDIR(info.st_mode) || mapped(info.st_dev, info.st_ino)) {
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
            // directory or a file that is open or mapped.
            if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
                SetLastError(ERROR_ALREADY_EXISTS);
                return FALSE;
            }
            if (S_ISDIR(target.st_mode) || S_ISDIR(source.st_mode) ||
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

DWORD WINAPI SetFilePointer(HANDLE handle, LONG distance, LPLONG distanceHigh, DWORD moveMethod)
{
    KernelObject* object = object_from_handle(handle, Kind::File);
    if (!object || moveMethod > FILE_END) {
        SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    // Without a high part the distance is a signed 32-bit value; with one, the two make 64 bits.
    int64_t move = distance;
    if (distanceHigh)
        move = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                    static_cast<uint32_t>(distance));
    const int whence = moveMethod == FILE_BEGIN ? SEEK_SET : moveMethod == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    const off_t base = whence == SEEK_SET ? 0 : lseek(object->file->fd, 0, whence);
    if (base + move < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    const off_t position = lseek(object->file->fd, base + move, SEEK_SET);
    if (position < 0) {
        SetLastError(error_from_errno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh)
        *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position);
}

DWORD WINAPI GetFileSize(HANDLE handle, LPDWORD fileSizeHigh)
{
    KernelObject* object = object_from_handle(handle, Kind::File);
    struct stat info {};
    if (!object || fstat(object->file->fd, &info) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    if (fileSizeHigh)
        *fileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

BOOL WINAPI CloseHandle(HANDLE handle)
{
    auto* object = static_cast<KernelObject*>(handle);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !handles().count(object)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    handles().erase(object);
    release_file(object->file);
    delete object;
    return TRUE;
}

HANDLE WINAPI CreateFileMappingA(HANDLE fileHandle, LPSECURITY_ATTRIBUTES, DWORD protect,
                                 DWORD maximumSizeHigh, DWORD maximumSizeLow, LPCSTR name)
{
    if (layer_fault_sets_last_error(CreateFileMappingAFault))
        return nullptr;
    KernelObject* object = object_from_handle(fileHandle, Kind::File);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (protect != PAGE_READONLY || name != nullptr) {
        note_unsupported("CreateFileMappingA", "a mapping other than an unnamed PAGE_READONLY one");
        SetLastError(ErrorNotSupported);
        return nullptr;
    }
    if (!(object->file->access & GENERIC_READ)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    struct stat info {};
    fstat(object->file->fd, &info);
    const uint64_t fileSize = static_cast<uint64_t>(info.st_size);
    uint64_t size = (static_cast<uint64_t>(maximumSizeHigh) << 32) | maximumSizeLow;
    if (size == 0)
        size = fileSize;
    if (size == 0) {
        SetLastError(ERROR_FILE_INVALID);  // an empty file cannot be mapped
        return nullptr;
    }
    if (size > fileSize) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);  // a read-only mapping cannot grow its file
        return nullptr;
    }
    ++object->file->references;
    auto* mapping = new KernelObject{Kind::Mapping, object->file, size};
    handles().insert(mapping);
    SetLastError(ERROR_SUCCESS);
    return mapping;
}

LPVOID WINAPI MapViewOfFile(HANDLE mappingHandle, DWORD desiredAccess, DWORD offsetHigh,
                            DWORD offsetLow, SIZE_T bytesToMap)
{
    if (layer_fault_sets_last_error(MapViewOfFileFault))
        return nullptr;
    KernelObject* mapping = object_from_handle(mappingHandle, Kind::Mapping);
    if (!mapping) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (desiredAccess != FILE_MAP_READ) {
        note_unsupported("MapViewOfFile", "a view other than FILE_MAP_READ");
        SetLastError(ErrorNotSupported);
        return nullptr;
    }
    const uint64_t offset = (static_cast<uint64_t>(offsetHigh) << 32) | offsetLow;
    if (offset % AllocationGranularity != 0) {
        SetLastError(ErrorMappedAlignment);
        return nullptr;
    }
    if (offset >= mapping->mappingSize ||
        (bytesToMap != 0 && bytesToMap > mapping->mappingSize - offset)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const size_t length = bytesToMap ? bytesToMap : static_cast<size_t>(mapping->mappingSize - offset);
    void* base = mmap(nullptr, length, PROT_READ, MAP_SHARED, mapping->file->fd,
                      static_cast<off_t>(offset));
    if (base == MAP_FAILED) {
        SetLastError(error_from_errno(errno));
        return nullptr;
    }
    ++mapping->file->references;
    views()[base] = View{length, mapping->file};
    SetLastError(ERROR_SUCCESS);
    return base;
}

BOOL WINAPI UnmapViewOfFile(LPCVOID baseAddress)
{
    auto it = views().find(baseAddress);
    if (it == views().end()) {
        SetLastError(ErrorInvalidAddress);
        return FALSE;
    }
    munmap(const_cast<void*>(baseAddress), it->second.length);
    OpenFile* file = it->second.file;
    views().erase(it);
    release_file(file);
    return TRUE;
}
