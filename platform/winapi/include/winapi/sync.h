// Synchronisation: named mutexes and events shared by the processes of the
// user's session, waits, critical sections, interlocked operations.
//
// Named objects live in the per-user namespace folder (winapi::KernelObjectDir,
// mode 0700, one file per name, mode 0600): a name such as
// "804BF230-0F69-4525-ADF3-E15F2077A46E" means the same object in every
// process of the user, and no other user can open it. Names are used as
// given and are case-sensitive; the prefixes "Global\" and "Local\" name the
// same single namespace. A name lives while some process holds a handle to
// its object: when the last holder closes it or dies, the name is free and
// the next create makes a fresh object.
//
// A mutex whose owning thread or process ends without releasing it is never
// left locked: the next waiter gets it with WAIT_ABANDONED.
#pragma once

#include "winapi/handles.h"
#include "winapi/types.h"

// --- Access rights ----------------------------------------------------------
#ifndef SYNCHRONIZE  // also given with the process rights
#define SYNCHRONIZE 0x00100000u
#endif
#define STANDARD_RIGHTS_REQUIRED 0x000F0000u
#define MUTEX_MODIFY_STATE 0x0001u
#define MUTEX_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | MUTEX_MODIFY_STATE)
#define EVENT_MODIFY_STATE 0x0002u
#define EVENT_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0x0003u)

// --- Security descriptors ---------------------------------------------------
// Callers build a descriptor with a null DACL ("everyone may open it") for
// objects that processes of other users should share. Here a named object is
// private to the user whatever the descriptor says: the descriptor is checked
// and recorded, never interpreted.
#define SECURITY_DESCRIPTOR_REVISION 1
#define SE_DACL_PRESENT 0x0004
#define SE_DACL_DEFAULTED 0x0008

struct ACL;  // never built by this layer; only passed through
typedef ACL* PACL;

struct SECURITY_DESCRIPTOR {
    BYTE revision;  // SECURITY_DESCRIPTOR_REVISION once initialised
    BYTE reserved;
    WORD control;  // SE_DACL_PRESENT, SE_DACL_DEFAULTED
    PACL dacl;     // as set by SetSecurityDescriptorDacl; null = everyone
};
typedef void* PSECURITY_DESCRIPTOR;

// Fails with ERROR_UNKNOWN_REVISION for any revision but 1.
BOOL WINAPI InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision);
// Fails with ERROR_INVALID_SECURITY_DESCR on a descriptor not initialised.
BOOL WINAPI SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL daclPresent, PACL dacl, BOOL daclDefaulted);

// --- Mutexes ----------------------------------------------------------------
// Security attributes are accepted and not interpreted (see above); handles
// are never inherited by child processes.
//
// Creates the mutex, or opens the existing one of that name: the last error is
// then ERROR_ALREADY_EXISTS (else 0) and `initialOwner` is ignored. A null or
// empty name makes a mutex of this process only. A name already used by an
// object of another kind fails with ERROR_INVALID_HANDLE.
HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCWSTR name);
// NULL with ERROR_FILE_NOT_FOUND when no object has the name. Waiting needs
// SYNCHRONIZE in `access`.
HANDLE WINAPI OpenMutexW(DWORD access, BOOL inheritHandle, LPCWSTR name);
// Undoes one acquisition by the calling thread; ERROR_NOT_OWNER when the
// thread does not own the mutex.
BOOL WINAPI ReleaseMutex(HANDLE mutex);

// --- Events -----------------------------------------------------------------
// A manual-reset event stays signalled until ResetEvent and releases every
// waiter; an auto-reset event releases one waiter (the one waiting or the
// next to come) and resets itself. Create and open behave as for mutexes.
HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
// Setting, resetting and pulsing need EVENT_MODIFY_STATE, waiting SYNCHRONIZE.
HANDLE WINAPI OpenEventW(DWORD access, BOOL inheritHandle, LPCWSTR name);
BOOL WINAPI SetEvent(HANDLE event);
BOOL WINAPI ResetEvent(HANDLE event);
// Releases the threads waiting at this moment (all of them for a manual-reset
// event, at most one for an auto-reset event) and leaves the event reset. A
// thread that starts waiting after the pulse is not released by it.
BOOL WINAPI PulseEvent(HANDLE event);

// --- Waits ------------------------------------------------------------------
// Waits for a mutex, event or other waitable object for at most `milliseconds`
// (INFINITE: no limit). Returns WAIT_OBJECT_0, WAIT_ABANDONED (a mutex whose
// owner ended; the caller now owns it), WAIT_TIMEOUT, or WAIT_FAILED with the
// last error set.
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Sleep(0) gives up the rest of the time slice; Sleep(INFINITE) never returns.
void WINAPI Sleep(DWORD milliseconds);

DWORD WINAPI GetCurrentProcessId();
DWORD WINAPI GetCurrentThreadId();

// --- Critical sections --------------------------------------------------------
// A lock of one process, re-entrant for the thread that holds it.
struct CRITICAL_SECTION {
    alignas(8) unsigned char opaque[48];  // a recursive C-library mutex
};
typedef CRITICAL_SECTION* PCRITICAL_SECTION;
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
// The spin count is a tuning hint of the platform; the C library's mutex
// spins on its own terms. Returns TRUE.
BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
// TRUE when the section was free or already held by the calling thread.
BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);

// --- Interlocked operations ---------------------------------------------------
// Atomic with a full memory barrier, as on the platform. Increment and
// decrement return the new value; the others return the value before.
inline LONG InterlockedIncrement(LONG volatile* addend) { return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedDecrement(LONG volatile* addend) { return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedExchange(LONG volatile* target, LONG value) {
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedExchangeAdd(LONG volatile* addend, LONG value) {
    return __atomic_fetch_add(addend, value, __ATOMIC_SEQ_CST);
}
// Stores `exchange` when *destination equals `comparand`.
inline LONG InterlockedCompareExchange(LONG volatile* destination, LONG exchange, LONG comparand) {
    __atomic_compare_exchange_n(destination, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return comparand;  // holds the value found, whether or not it was replaced
}
