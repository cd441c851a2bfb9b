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
    void* page = nullptr;       // the object's first page
    size_t handles = 0;         // handles of this process naming it
    uint64_t acquisitions = 0;  // acquired by threads of this process and not yet released

    MutexState* state() const;
    pthread_mutex_t* mutex() const { return &state()->mutex; }
};

// The mapping of the mutex object file `fd`, counted as one more handle;
// null with the last error set on failure.
MappedMutex* AttachMutex(int fd);
// One handle fewer.
void DetachMutex(MappedMutex* mapped);
void NoteMutexAcquired(MappedMutex* mapped);
void NoteMutexReleased(MappedMutex* mapped);

}  // namespace winapi::kernel
