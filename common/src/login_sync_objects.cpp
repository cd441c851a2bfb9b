// The table's kernel objects: the mutex and the two events every use opens,
// the mapping the server program made, and views of its table.
#include "common/login_sync_objects.h"

#include "winapi/file_mapping.h"
#include "winapi/handles.h"
#include "winapi/sync.h"

namespace {

// Manual reset, not signalled, with a null DACL: as the table's readers
// create them. The named objects stay the user's own whatever the DACL.
HANDLE CreateLoginEvent(LPCWSTR name) {
    SECURITY_DESCRIPTOR descriptor{};
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), &descriptor, FALSE};
    return CreateEventW(&attributes, TRUE, FALSE, name);
}

void CloseAndClear(HANDLE& handle) {
    if (handle != nullptr) CloseHandle(handle);
    handle = nullptr;
}

}  // namespace

LoginSyncObjects OpenLoginSyncObjects() {
    LoginSyncObjects objects;
    objects.mutex = CreateMutexW(nullptr, FALSE, kLoginTableMutexName);
    objects.addEvent = CreateLoginEvent(kLoginAddEventName);
    objects.removeEvent = CreateLoginEvent(kLoginRemoveEventName);
    return objects;
}

void CloseLoginSyncObjects(LoginSyncObjects& objects) {
    CloseAndClear(objects.removeEvent);
    CloseAndClear(objects.addEvent);
    CloseAndClear(objects.mapping);
    CloseAndClear(objects.mutex);
}

bool OpenLoginTableMapping(LoginSyncObjects& objects) {
    CloseAndClear(objects.mapping);
    objects.mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kLoginTableMappingName);
    return objects.mapping != nullptr;
}

bool MapLoginTableView(HANDLE mapping, DWORD access, LoginTableView& view) {
    view = LoginTableView{};
    if (mapping == nullptr) return false;
    // Only the table's bytes: a mapping too small to hold them is refused
    // here rather than read past its end.
    void* base = MapViewOfFile(mapping, access, 0, 0, kLoginTableBytes);
    if (base == nullptr) return false;
    view.base = static_cast<BYTE*>(base);
    view.size = kLoginTableBytes;
    return true;
}

void UnmapLoginTableView(LoginTableView& view) {
    if (view.base != nullptr) UnmapViewOfFile(view.base);
    view = LoginTableView{};
}
