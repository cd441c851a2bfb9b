// Kernel handles: one table per process maps each HANDLE to the object it
// names (a mutex, an event, a file mapping, a process, an open file).
//
// Layer code registers its objects here; CloseHandle drops the table's
// reference, and the object goes away when nothing else holds it. Handle
// values are small multiples of four, never NULL and never
// INVALID_HANDLE_VALUE, and are not reused while the table holds them.
#pragma once

#include "winapi/errors.h"
#include "winapi/types.h"

#include <memory>

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_ABANDONED_0 0x00000080u
#define WAIT_FAILED 0xFFFFFFFFu
// WAIT_TIMEOUT (258) is defined with the error numbers.

BOOL WINAPI CloseHandle(HANDLE handle);

namespace winapi {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Waits until the object is signalled, for at most timeoutMs (INFINITE
    // for no limit). Returns WAIT_OBJECT_0, WAIT_ABANDONED, WAIT_TIMEOUT or
    // WAIT_FAILED with the last error set. Objects that cannot be waited on
    // keep this default.
    virtual DWORD Wait(DWORD timeoutMs);
};

// Adds the object to the table and returns its new handle.
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);
// The object a handle names, or null (last error ERROR_INVALID_HANDLE).
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);

// The object a handle names when it is of type T, else null with the last
// error ERROR_INVALID_HANDLE.
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
    auto object = std::dynamic_pointer_cast<T>(LookupHandle(handle));
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

}  // namespace winapi
