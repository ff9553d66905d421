// handles.h -- the kernel objects behind kernel32's file and mapping handles, and the name
// lookup, shared by the file, name and mapping modules
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "windows.h"

namespace k32 {

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

struct View {
    size_t length;
    OpenFile* file;
};

// Guards the tables below: kernel32's calls may come from any thread, as on the platform. Every
// exported file, mapping and name call holds it throughout.
std::recursive_mutex& table_lock();

// Closes a thread or event handle (threads.cpp); false when the handle is not one.
bool close_sync_handle(HANDLE handle);

// Every handle, open file and mapped view of the process.
std::set<KernelObject*>& handles();
std::set<OpenFile*>& open_files();
std::map<const void*, View>& views();

// Drops one reference to an open file; the last one closes it.
void release_file(OpenFile* file);
// The object behind a handle of that kind; null for any other handle.
KernelObject* object_from_handle(HANDLE handle, Kind kind);
// The platform's last error for an errno value.
DWORD error_from_errno(int error);
// A view of the file is mapped; the file is open, mapped or viewed anywhere in the process.
bool mapped(dev_t device, ino_t inode);
bool open_anywhere(dev_t device, ino_t inode);
// The file is read-only as the platform's FILE_ATTRIBUTE_READONLY is: nobody has a write bit.
// Read from the mode itself, since root passes every permission check of the system.
bool read_only(mode_t mode);

struct ResolvedPath {
    std::string path;
    bool parentExists;
};

// Windows-1251 name with either separator to a POSIX path, each component matched without
// regard to case where the exact spelling is absent. The last component keeps its spelling when
// nothing matches it, so that a new file gets the name it was given.
ResolvedPath resolve_path(const char* name);

}  // namespace k32
