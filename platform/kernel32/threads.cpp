// threads.cpp -- kernel32's threads, events and critical sections on the C++ thread library
//
// A thread or event handle stands for a waitable object: a thread is signalled once its routine
// has returned, an event while it is set (an auto-reset event lets one wait through and clears
// itself). A thread keeps running when its handle is closed, and the object lives until both the
// handle and the thread are done with it. A critical section is a lock its owner may take again;
// the layer keeps the lock in a record of its own that the section's DebugInfo points to.
// Left out on purpose: suspended creation, named events, thread exit codes, waits on several
// objects, and alertable waits.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "faults.h"
#include "kernel32/handles.h"
#include "unsupported.h"

struct _RTL_CRITICAL_SECTION_DEBUG {
    std::recursive_mutex lock;
};

namespace {

const FaultHook CreateThreadFault("CreateThread");
const FaultHook CreateEventAFault("CreateEventA");

struct SyncObject {
    std::mutex lock;
    std::condition_variable changed;
    bool signalled = false;
    bool manualReset = true;  // threads stay signalled; so do manual-reset events
    bool isEvent = false;
};

// Every open thread and event handle; the handle's value is its object's address.
struct SyncTable {
    std::mutex lock;
    std::map<HANDLE, std::shared_ptr<SyncObject>> objects;
};

SyncTable& table()
{
    static SyncTable* state = new SyncTable;  // threads may outlive the statics
    return *state;
}

std::shared_ptr<SyncObject> find(HANDLE handle)
{
    std::lock_guard<std::mutex> hold(table().lock);
    auto it = table().objects.find(handle);
    return it == table().objects.end() ? nullptr : it->second;
}

HANDLE add(std::shared_ptr<SyncObject> object)
{
    HANDLE handle = object.get();
    std::lock_guard<std::mutex> hold(table().lock);
    table().objects[handle] = std::move(object);
    return handle;
}

void signal(SyncObject& object, bool set)
{
    std::lock_guard<std::mutex> hold(object.lock);
    object.signalled = set;
    if (set)
        object.changed.notify_all();
}

}  // namespace

namespace k32 {

bool close_sync_handle(HANDLE handle)
{
    std::lock_guard<std::mutex> hold(table().lock);
    return table().objects.erase(handle) > 0;
}

}  // namespace k32

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE startAddress,
                           LPVOID parameter, DWORD creationFlags, LPDWORD threadId)
{
    if (layer_fault_sets_last_error(CreateThreadFault))
        return nullptr;
    if (!startAddress) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (creationFlags & ~static_cast<DWORD>(STACK_SIZE_PARAM_IS_A_RESERVATION)) {
        note_unsupported("CreateThread", "creating a thread suspended");
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The stack size is a hint the platform rounds as it likes; the C++ library's default serves.
    auto object = std::make_shared<SyncObject>();
    static std::atomic<DWORD> nextId{1};
    const DWORD id = nextId++;
    try {
        std::thread([object, startAddress, parameter] {
            startAddress(parameter);
            signal(*object, true);
        }).detach();
    } catch (const std::exception&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (threadId)
        *threadId = id;
    return add(std::move(object));
}

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name)
{
    if (layer_fault_sets_last_error(CreateEventAFault))
        return nullptr;
    if (name) {
        note_unsupported("CreateEventA", "a named event");
        SetLastError(ErrorNotSupported);
        return nullptr;
    }
    auto object = std::make_shared<SyncObject>();
    object->isEvent = true;
    object->manualReset = manualReset != FALSE;
    object->signalled = initialState != FALSE;
    return add(std::move(object));
}

BOOL WINAPI SetEvent(HANDLE event)
{
    const auto object = find(event);
    if (!object || !object->isEvent) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    signal(*object, true);
    return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE event)
{
    const auto object = find(event);
    if (!object || !object->isEvent) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    signal(*object, false);
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    const auto object = find(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    std::unique_lock<std::mutex> hold(object->lock);
    const auto isSignalled = [&] { return object->signalled; };
    if (milliseconds == INFINITE)
        object->changed.wait(hold, isSignalled);
    else if (!object->changed.wait_for(hold, std::chrono::milliseconds(milliseconds), isSignalled))
        return WAIT_TIMEOUT;
    // A wait that an auto-reset event lets through clears it, so it lets only one through.
    if (!object->manualReset)
        object->signalled = false;
    return WAIT_OBJECT_0;
}

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section)
{
    *section = CRITICAL_SECTION{};
    section->DebugInfo = new _RTL_CRITICAL_SECTION_DEBUG;
    section->LockCount = -1;  // the platform's value for a free section
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) { section->DebugInfo->lock.lock(); }

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) { section->DebugInfo->lock.unlock(); }

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section)
{
    delete section->DebugInfo;
    section->DebugInfo = nullptr;
}
