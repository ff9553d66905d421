// scenetext_fuzzer.cpp -- arbitrary bytes as the scene's text.txt: read by LoadText and drawn as
// the scene draws it, into the text surface and into the pulsing frame on the screen
//
// LoadText opens "text.txt" in the current directory by name, so the fuzzer works in a private
// in-memory directory: a tmpfs mounted in a mount namespace of the process's own, which goes with
// the process whatever way it ends. Where no namespace can be had (a chroot, a container without
// the right), it works in a directory of its own under /dev/shm (or /tmp) instead, removed when the
// process exits; one killed outright leaves that directory and its one file behind.

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "display_fixture.h"
#include "draw/draw.h"
#include "scene/scene.h"

namespace {

bool WriteProcFile(const char* path, const std::string& text)
{
    const int fd = open(path, O_WRONLY);
    const bool ok = fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (fd >= 0)
        close(fd);
    return ok;
}

// A tmpfs of its own over /dev/shm, seen by this process only, made its working directory; the
// paths the fuzzer is given (corpus, artifacts) never lie there.
bool EnterPrivateDirectory()
{
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (unshare(CLONE_NEWNS) != 0) {
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !WriteProcFile("/proc/self/setgroups", "deny") ||
            !WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
            return false;
    }
    return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("tmpfs", "/dev/shm", "tmpfs", 0, "size=16m") == 0 && chdir("/dev/shm") == 0;
}

// The directory made where no namespace could be had; empty otherwise.
std::string temporaryDirectory;

void RemoveTemporaryDirectory()
{
    unlink((temporaryDirectory + "/text.txt").c_str());
    rmdir(temporaryDirectory.c_str());
}

// A fresh directory of the process's own, made its working directory.
bool EnterTemporaryDirectory()
{
    for (const char* base : {"/dev/shm", "/tmp"}) {
        std::string path = std::string(base) + "/scenetext_fuzzer.XXXXXX";
        if (mkdtemp(path.data()) && chdir(path.c_str()) == 0) {
            temporaryDirectory = path;
            atexit(RemoveTemporaryDirectory);
            return true;
        }
    }
    return false;
}

int textFile = -1;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Before anything starts a thread: a new namespace is only had by a single thread.
    if (!EnterPrivateDirectory()) {
        fprintf(stderr, "scenetext_fuzzer: no private mount namespace here (%s); using a directory of its own\n",
                strerror(errno));
        if (!EnterTemporaryDirectory()) {
            fprintf(stderr, "scenetext_fuzzer: no directory of its own either (%s)\n", strerror(errno));
            exit(1);
        }
    }
    textFile = open("text.txt", O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (textFile < 0)
        abort();
    fuzzing::BringUpDisplay();
    pTextSurface = CreateOffscreenSurface(450, 800);
    SetTransparentColorKey(pTextSurface);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (ftruncate(textFile, 0) != 0 || (size > 0 && pwrite(textFile, data, size, 0) != static_cast<ssize_t>(size)))
        abort();
    delete[] TextBuffer;
    TextBuffer = nullptr;
    TextLength = 0;
    LoadText();
    const char* text = TextBuffer ? TextBuffer : "";
    FillSurfaceRect(0, 0, 450, 800, TransparentColor, pTextSurface);
    DrawTextBox(10, 10, 450, 800, 15, 0x000467FB, pTextSurface, text);
    DrawTextBox(30, 30, 401, 501, 16, 0x00FFFF00, pScreenSurface, text);
    return 0;
}
