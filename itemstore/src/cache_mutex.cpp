#include "cache_mutex.h"

#include "itemstore/item_cache_lock.h"

#include "winapi/sync.h"

namespace {

constexpr DWORD kMutexAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;

}  // namespace

HANDLE gpoOpenCacheMutex() {
    HANDLE mutex = OpenMutexW(kMutexAccess, FALSE, kItemCacheMutexName);
    if (mutex) return mutex;
    SECURITY_DESCRIPTOR descriptor{};
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = FALSE;
    bool everyone = InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    return CreateMutexW(everyone ? &attributes : nullptr, FALSE, kItemCacheMutexName);
}
