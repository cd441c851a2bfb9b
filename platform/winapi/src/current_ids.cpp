#include "process_id.h"
#include "winapi/sync.h"

DWORD WINAPI GetCurrentProcessId() { return static_cast<DWORD>(winapi::CurrentProcessId()); }

// The kernel's thread id: unique across the machine's threads, as on the platform.
DWORD WINAPI GetCurrentThreadId() { return static_cast<DWORD>(winapi::CurrentThreadId()); }
