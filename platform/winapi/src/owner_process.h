// Which process last took a mutex, and the wait for a dead owner's process
// to finish ending.
//
// The kernel hands a robust mutex on while its owner is still dying: it
// releases the dead thread's mutexes when it frees the memory, before it
// closes the process's files. The file locks the owner held (a file opened
// exclusively under the mutex) therefore outlast the hand-over for as long
// as the rest of the teardown takes, which is long for a process with much
// memory mapped. The next owner of an abandoned mutex waits for the dead
// owner's process to be gone, so that nothing it held stands in the way.
#pragma once

#include "winapi/types.h"

#include <sys/types.h>

#include <cstdint>

namespace winapi::kernel {

struct ProcessIdentity {
    pid_t pid = 0;            // 0: none recorded
    uint64_t startTicks = 0;  // when it started: tells a reused pid apart
};

ProcessIdentity CurrentProcessIdentity();

// Waits until `owner` has ended: every thread gone and its files closed. A
// thread that died holding a mutex while its process lives on leaves a
// process that does not end; the wait gives up after `limitMs` then.
void WaitForProcessEnd(const ProcessIdentity& owner, DWORD limitMs);

}  // namespace winapi::kernel
