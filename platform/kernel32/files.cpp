// files.cpp -- kernel32 files over POSIX descriptors
//
// Covers CreateFileA (GENERIC_READ / GENERIC_WRITE, the five creation dispositions, the share
// modes between this process's own handles), ReadFile, WriteFile, FlushFileBuffers,
// SetFilePointer and GetFileSize. Names are found as names.cpp finds them; handles, mappings
// and views are kept in handles.cpp. A file whose mode has no write bit is read-only, as one
// with FILE_ATTRIBUTE_READONLY is. Left out on purpose: overlapped I/O, attributes given at
// creation, FILE_SHARE_DELETE.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "faults.h"
#include "kernel32/handles.h"
#include "unsupported.h"

using namespace k32;

namespace {

// The calls here that a test can make fail.
const FaultHook CreateFileAFault("CreateFileA");
const FaultHook FlushFileBuffersFault("FlushFileBuffers");

constexpr DWORD ErrorUserMappedFile = 1224;

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

// CreateFileA's steps.

HANDLE failed_open(DWORD error, LPCSTR fileName)
{
    layer_failed(CreateFileAFault, error, "\"%s\"", nullptr, fileName ? fileName : "(null)");
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// Why an existing file cannot be opened so: it is a directory, it is read-only and the open
// would write or truncate it, an open handle's sharing forbids it, or the open would truncate a
// mapped file; 0 when nothing stands in the way.
DWORD refusal_of_existing(const struct stat& info, DWORD access, DWORD share, DWORD disposition)
{
    if (S_ISDIR(info.st_mode))
        return ERROR_ACCESS_DENIED;
    const bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    // A read-only file is refused to writers whoever asks, root included.
    if (read_only(info.st_mode) && ((access & GENERIC_WRITE) || truncates))
        return ERROR_ACCESS_DENIED;
    if (share_conflict(info.st_dev, info.st_ino, access, share))
        return ERROR_SHARING_VIOLATION;
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

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES, DWORD creationDisposition, DWORD, HANDLE templateFile)
{
    std::lock_guard<std::recursive_mutex> hold(k32::table_lock());
    if (layer_fault_sets_last_error(CreateFileAFault))
        return INVALID_HANDLE_VALUE;
    if (!fileName || !*fileName || creationDisposition < CREATE_NEW ||
        creationDisposition > TRUNCATE_EXISTING)
        return failed_open(ERROR_INVALID_PARAMETER, fileName);
    if (templateFile || (desiredAccess & ~(GENERIC_READ | GENERIC_WRITE)) != 0) {
        note_unsupported("CreateFileA", "a template or access rights other than GENERIC_READ and GENERIC_WRITE");
        return failed_open(ErrorNotSupported, fileName);
    }
    const ResolvedPath resolved = resolve_path(fileName);
    if (!resolved.parentExists)
        return failed_open(ERROR_PATH_NOT_FOUND, fileName);
    struct stat info {};
    const bool existed = stat(resolved.path.c_str(), &info) == 0;
    if (existed)
        if (const DWORD refusal = refusal_of_existing(info, desiredAccess, shareMode, creationDisposition))
            return failed_open(refusal, fileName);
    const int flags = open_flags(desiredAccess, creationDisposition);
    if (flags < 0)
        return failed_open(ERROR_INVALID_PARAMETER, fileName);
    const int fd = open(resolved.path.c_str(), flags, 0644);
    if (fd < 0)
        return failed_open(error_from_errno(errno), fileName);
    const HANDLE handle = adopt_file(fd, desiredAccess, shareMode);
    // CREATE_ALWAYS and OPEN_ALWAYS succeed on an existing file and say so in the last error.
    const bool reportsExisting =
        creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
    SetLastError(existed && reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

namespace {

// The open file behind a handle for a read or a write of count bytes; null, with the last error
// the platform gives, when the handle, its access or the arguments refuse the transfer.
OpenFile* file_for_transfer(HANDLE handle, DWORD access, const void* buffer, DWORD count,
                            LPOVERLAPPED overlapped)
{
    const KernelObject* object = object_from_handle(handle, Kind::File);
    DWORD error = ERROR_SUCCESS;
    if (!object)
        error = ERROR_INVALID_HANDLE;
    else if (overlapped)
        error = ErrorNotSupported;
    else if (!(object->file->access & access))
        error = ERROR_ACCESS_DENIED;
    else if (count > 0 && !buffer)
        error = ERROR_INVALID_PARAMETER;
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return nullptr;
    }
    return object->file;
}

// Moves count bytes, step(done) moving the next part after done bytes and answering like read(2)
// or write(2); an interrupted step is taken again. A read that meets the end of the file succeeds
// with fewer bytes; a write that moves nothing fails. *moved holds the bytes moved either way.
template <typename Step>
BOOL transfer(DWORD count, LPDWORD moved, bool isWrite, Step step)
{
    DWORD total = 0;
    BOOL result = TRUE;
    while (total < count) {
        const ssize_t part = step(total);
        if (part < 0 && errno == EINTR)
            continue;
        if (part < 0 || (part == 0 && isWrite)) {
            SetLastError(part < 0 ? error_from_errno(errno) : ERROR_INVALID_PARAMETER);
            result = FALSE;
            break;
        }
        if (part == 0)
            break;
        total += static_cast<DWORD>(part);
    }
    if (moved)
        *moved = total;
    return result;
}

}  // namespace

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                     LPOVERLAPPED overlapped)
{
    std::lock_guard<std::recursive_mutex> hold(k32::table_lock());
    if (bytesRead)
        *bytesRead = 0;
    const OpenFile* file = file_for_transfer(handle, GENERIC_READ, buffer, bytesToRead, overlapped);
    if (!file)
        return FALSE;
    char* bytes = static_cast<char*>(buffer);
    return transfer(bytesToRead, bytesRead, false, [&](DWORD done) {
        return read(file->fd, bytes + done, bytesToRead - done);
    });
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
                      LPOVERLAPPED overlapped)
{
    std::lock_guard<std::recursive_mutex> hold(k32::table_lock());
    if (bytesWritten)
        *bytesWritten = 0;
    const OpenFile* file =
        file_for_transfer(handle, GENERIC_WRITE, buffer, bytesToWrite, overlapped);
    if (!file)
        return FALSE;
    const char* bytes = static_cast<const char*>(buffer);
    return transfer(bytesToWrite, bytesWritten, true, [&](DWORD done) {
        return write(file->fd, bytes + done, bytesToWrite - done);
    });
}

BOOL WINAPI FlushFileBuffers(HANDLE handle)
{
    std::lock_guard<std::recursive_mutex> hold(k32::table_lock());
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

DWORD WINAPI SetFilePointer(HANDLE handle, LONG distance, LPLONG distanceHigh, DWORD moveMethod)
{
    std::lock_guard<std::recursive_mutex> hold(k32::table_lock());
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
    std::lock_guard<std::recursive_mutex> hold(k32::table_lock());
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
