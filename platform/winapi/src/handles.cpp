#include "winapi/handles.h"

#include <mutex>
#include <map>

namespace winapi {

namespace {

struct HandleTable {
    std::mutex lock;
    std::map<uintptr_t, std::shared_ptr<KernelObject>> objects;
    uintptr_t next = 1;
};

HandleTable& Table() {
    // Never destroyed: handles may be closed from static destructors.
    static HandleTable* table = new HandleTable;
    return *table;
}

}  // namespace

DWORD KernelObject::Wait(DWORD) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    uintptr_t key = table.next++;
    table.objects.emplace(key, std::move(object));
    return reinterpret_cast<HANDLE>(key << 2);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    HandleTable& table = Table();
    {
        std::lock_guard guard(table.lock);
        if ((value & 3) == 0) {
            auto it = table.objects.find(value >> 2);
            if (it != table.objects.end()) return it->second;
        }
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

}  // namespace winapi

BOOL WINAPI CloseHandle(HANDLE handle) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    std::shared_ptr<winapi::KernelObject> released;  // destroyed outside the lock
    auto& table = winapi::Table();
    {
        std::lock_guard guard(table.lock);
        auto it = (value & 3) == 0 ? table.objects.find(value >> 2) : table.objects.end();
        if (it == table.objects.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        released = std::move(it->second);
        table.objects.erase(it);
    }
    return TRUE;
}
