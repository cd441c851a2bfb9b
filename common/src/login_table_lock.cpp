#include "common/login_table_lock.h"

#include "winapi/handles.h"
#include "winapi/sync.h"

LoginTableLock::LoginTableLock(HANDLE mutex) {
    if (mutex == nullptr) return;
    DWORD result = WaitForSingleObject(mutex, INFINITE);
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) held_ = mutex;
}

LoginTableLock::~LoginTableLock() {
    if (held_ != nullptr) ReleaseMutex(held_);
}
