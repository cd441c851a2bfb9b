// This process's and this thread's ids, kept in memory: asking the kernel
// costs a system call, and named objects ask on every wait.
#pragma once

#include <sys/types.h>

namespace winapi {

// The id of the calling process. Cost: one relaxed load once known; the
// first call after start or after a fork asks the kernel. A child made with
// fork() gets its own id (the cache is forgotten in the child); a child made
// by raw clone() without the C library's fork handlers is not covered.
pid_t CurrentProcessId();

// The kernel's id of the calling thread, unique across the machine's
// threads. Cost: a thread-local read once known; the forking thread learns
// its new id in the child as the process's id is.
pid_t CurrentThreadId();

}  // namespace winapi
