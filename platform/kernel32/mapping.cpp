// mapping.cpp -- kernel32 read-only file mapping over mmap(2): CreateFileMappingA with
// PAGE_READONLY, MapViewOfFile with FILE_MAP_READ, and UnmapViewOfFile
//
// A mapping and each view hold a reference to their file, so the file stays open (and its share
// mode in force) after its handle is closed, as on the platform. Left out on purpose: named or
// writable mappings and pagefile-backed ones.

#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>

#include "faults.h"
#include "kernel32/handles.h"
#include "unsupported.h"

namespace {

// The calls here that a test can make fail.
const FaultHook CreateFileMappingAFault("CreateFileMappingA");
const FaultHook MapViewOfFileFault("MapViewOfFile");

constexpr DWORD ErrorInvalidAddress = 487;
constexpr DWORD ErrorMappedAlignment = 1132;
constexpr DWORD AllocationGranularity = 65536;

}  // namespace

using namespace k32;

HANDLE WINAPI CreateFileMappingA(HANDLE fileHandle, LPSECURITY_ATTRIBUTES, DWORD protect,
                                 DWORD maximumSizeHigh, DWORD maximumSizeLow, LPCSTR name)
{
    std::lock_guard<std::recursive_mutex> hold(k32::table_lock());
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
    std::lock_guard<std::recursive_mutex> hold(k32::table_lock());
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
    std::lock_guard<std::recursive_mutex> hold(k32::table_lock());
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
