// The process's one mapping of each mutex object's shared state.
//
// A robust mutex is linked into its owner thread's robust list by address.
// The C library walks that list when the thread locks or unlocks another
// robust mutex, and the kernel walks it when the thread ends (that is how a
// dead owner is detected). So the memory of a mutex that a thread of this
// process owns must stay mapped, at the same address, even after its last
// handle here is closed. Each mutex object is therefore mapped once per
// process, and unmapped only when it has neither handles nor acquisitions
// outstanding here.
#pragma once

#include "owner_process.h"

#include <pthread.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace winapi::kernel {

// A mutex object's shared state.
struct MutexState {
    pthread_mutex_t mutex;
    ProcessIdentity lastOwner;  // written by each thread that takes the mutex, while it holds it
};

struct MappedMutex {
    dev_t device = 0;
    ino_t inode = 0;
    void* page = nullptr;  // the object's first page
    size_t handles = 0;    // handles of this process naming it; under the table's lock
    // The thread of this process that holds the mutex (0: none here) and how
    // often it took it. Only the holder writes them, while it holds the
    // mutex, so they need no read-modify-write; a wait or a release goes
    // through a handle, so `handles` is at least one while it runs and the
    // mapping cannot go meanwhile.
    // The owner is named by its kernel thread id, unique on the machine, so
    // a forked child (whose copy of these names its parent's thread) never
    // takes itself for the owner.
    std::atomic<pid_t> owner{0};
    std::atomic<uint32_t> depth{0};

    MutexState* state() const;
    pthread_mutex_t* mutex() const { return &state()->mutex; }
};

// The mapping of the mutex object file `fd`, counted as one more handle;
// null with the last error set on failure.
MappedMutex* AttachMutex(int fd);
// One handle fewer.
void DetachMutex(MappedMutex* mapped);
// The calling thread has just taken the mutex; `abandoned` when it took it
// from a dead owner, whose count is void then. No lock, no system call.
void NoteMutexAcquired(MappedMutex* mapped, bool abandoned);
// The calling thread is about to give the mutex back once: false, counting
// nothing, when it does not hold it. No lock, no system call.
bool NoteMutexReleasing(MappedMutex* mapped);

}  // namespace winapi::kernel
