// handles.cpp -- kernel32's handle table and last error: the open files, mappings and views
// that handles stand for, and CloseHandle

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "kernel32/handles.h"

namespace {

thread_local DWORD lastError = 0;

}  // namespace

namespace k32 {

std::recursive_mutex& table_lock()
{
    static std::recursive_mutex lock;
    return lock;
}

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

bool read_only(mode_t mode)
{
    return (mode & 0222) == 0;
}

}  // namespace k32

using namespace k32;

DWORD WINAPI GetLastError() { return lastError; }

void WINAPI SetLastError(DWORD error) { lastError = error; }

BOOL WINAPI CloseHandle(HANDLE handle)
{
    std::lock_guard<std::recursive_mutex> hold(k32::table_lock());
    auto* object = static_cast<KernelObject*>(handle);
    if (handle != nullptr && !handles().count(object) && close_sync_handle(handle))
        return TRUE;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !handles().count(object)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    handles().erase(object);
    release_file(object->file);
    delete object;
    return TRUE;
}
