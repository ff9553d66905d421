// memory_file.h -- the fuzzers' input as a file that lives in memory only
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace fuzzing {

// A memory file descriptor: the readers open it by its /proc/self/fd name through CreateFileA, so
// every input takes the real file path, and nothing of it is ever left on a disk.
class MemoryFile {
public:
    MemoryFile() : fd_(memfd_create("engine-fuzz-input", MFD_CLOEXEC))
    {
        if (fd_ < 0)
            abort();
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    const char* path() const { return path_.c_str(); }
    // The file holds exactly these bytes from now on.
    void Write(const uint8_t* data, size_t size) const
    {
        if (ftruncate(fd_, 0) != 0)
            abort();
        for (size_t done = 0; done < size;) {
            const ssize_t put = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (put <= 0)
                abort();
            done += static_cast<size_t>(put);
        }
    }

private:
    int fd_;
    std::string path_;
};

inline const MemoryFile& Input()
{
    static const MemoryFile file;
    return file;
}

}  // namespace fuzzing
