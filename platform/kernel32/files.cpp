// files.cpp -- kernel32 files and read-only file mapping over POSIX
//
// Covers CreateFileA (GENERIC_READ / GENERIC_WRITE, the five creation dispositions, the share
// modes between this process's own handles), ReadFile, WriteFile, SetFilePointer, GetFileSize,
// CloseHandle, CreateFileMappingA with PAGE_READONLY, MapViewOfFile with FILE_MAP_READ, and
// UnmapViewOfFile. Names are Windows-1251 text with '\' or '/' between components and are found
// case-insensitively, as on the platform's file system. Left out on purpose: overlapped I/O,
// named or writable mappings, pagefile-backed mappings, attributes beyond the defaults.

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

namespace {

constexpr DWORD ErrorNotSupported = 50;
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

}  // namespace

DWORD WINAPI GetLastError() { return lastError; }

void WINAPI SetLastError(DWORD error) { lastError = error; }

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES, DWORD creationDisposition, DWORD, HANDLE templateFile)
{
    HRESULT injected = E_FAIL;
    if (layer_fault("CreateFileA", &injected)) {
        SetLastError(static_cast<DWORD>(injected) & 0xFFFF);
        return INVALID_HANDLE_VALUE;
    }
    if (!fileName || !*fileName || creationDisposition < CREATE_NEW ||
        creationDisposition > TRUNCATE_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (templateFile || (desiredAccess & ~(GENERIC_READ | GENERIC_WRITE)) != 0) {
        fprintf(stderr, "layer: CreateFileA: templates and access rights other than GENERIC_READ "
                        "and GENERIC_WRITE are not supported\n");
        SetLastError(ErrorNotSupported);
        return INVALID_HANDLE_VALUE;
    }

    const ResolvedPath resolved = resolve_path(fileName);
    if (!resolved.parentExists) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }

    struct stat info {};
    const bool existed = stat(resolved.path.c_str(), &info) == 0;
    if (existed) {
        if (S_ISDIR(info.st_mode)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        if (share_conflict(info.st_dev, info.st_ino, desiredAccess, shareMode)) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE;
        }
        const bool truncates =
            creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING;
        if (truncates && mapped(info.st_dev, info.st_ino)) {
            SetLastError(ErrorUserMappedFile);
            return INVALID_HANDLE_VALUE;
        }
    }

    int flags = O_CLOEXEC;
    if ((desiredAccess & GENERIC_READ) && (desiredAccess & GENERIC_WRITE))
        flags |= O_RDWR;
    else if (desiredAccess & GENERIC_WRITE)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    switch (creationDisposition) {
    case CREATE_NEW:
        flags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        flags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_ALWAYS:
        flags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        if (!(desiredAccess & GENERIC_WRITE)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        flags |= O_TRUNC;
        break;
    default:
        break;
    }
    if (desiredAccess == 0)
        flags = (flags & ~O_ACCMODE) | O_RDONLY;  // an open for attributes only

    const int fd = open(resolved.path.c_str(), flags, 0644);
    if (fd < 0) {
        SetLastError(error_from_errno(errno));
        return INVALID_HANDLE_VALUE;
    }
    fstat(fd, &info);
    auto* file = new OpenFile;
    file->fd = fd;
    file->access = desiredAccess;
    file->share = shareMode;
    file->device = info.st_dev;
    file->inode = info.st_ino;
    open_files().insert(file);
    auto* object = new KernelObject{Kind::File, file};
    handles().insert(object);
    // CREATE_ALWAYS and OPEN_ALWAYS succeed on an existing file and say so in the last error.
    const bool reportsExisting =
        creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
    SetLastError(existed && reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return object;
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
    HRESULT injected = E_FAIL;
    if (layer_fault("CreateFileMappingA", &injected)) {
        SetLastError(static_cast<DWORD>(injected) & 0xFFFF);
        return nullptr;
    }
    KernelObject* object = object_from_handle(fileHandle, Kind::File);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (protect != PAGE_READONLY || name != nullptr) {
        fprintf(stderr, "layer: CreateFileMappingA: only unnamed PAGE_READONLY mappings are "
                        "supported\n");
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
    HRESULT injected = E_FAIL;
    if (layer_fault("MapViewOfFile", &injected)) {
        SetLastError(static_cast<DWORD>(injected) & 0xFFFF);
        return nullptr;
    }
    KernelObject* mapping = object_from_handle(mappingHandle, Kind::Mapping);
    if (!mapping) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (desiredAccess != FILE_MAP_READ) {
        fprintf(stderr, "layer: MapViewOfFile: only FILE_MAP_READ views are supported\n");
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
