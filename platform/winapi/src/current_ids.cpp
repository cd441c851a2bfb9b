#include "winapi/sync.h"

#include <unistd.h>

DWORD WINAPI GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

// The kernel's thread id: unique across the machine's threads, as on the platform.
DWORD WINAPI GetCurrentThreadId() { return static_cast<DWORD>(::gettid()); }
