#include "explorer/data/login_list.h"

#include "common/login_table_lock.h"

#include "winapi/file_mapping.h"

#include <utility>

bool readLoginList(const LoginSyncObjects& objects, LPCWSTR vaultName, std::u16string& userName,
                   std::u16string& password, LONG& loginValue) {
    if (vaultName == nullptr) return false;
    LoginTableView view;
    if (!MapLoginTableView(objects.mapping, FILE_MAP_READ, view)) return false;
    bool found = false;
    {
        LoginTableLock lock(objects.mutex);
        LoginTableEntry entry;
        if (lock.Held() && FindLoginTableEntry(view, vaultName) && ParseLoginTableEntry(view, entry)) {
            userName = std::move(entry.moUserName);
            password = std::move(entry.moPassword);
            loginValue = entry.mlLoginValue;
            found = true;
        }
    }
    UnmapLoginTableView(view);
    return found;
}

namespace {

// The handles of one read of the session's table, closed on every path.
struct SessionLoginTable {
    LoginSyncObjects objects = OpenLoginSyncObjects();
    SessionLoginTable() = default;
    SessionLoginTable(const SessionLoginTable&) = delete;
    SessionLoginTable& operator=(const SessionLoginTable&) = delete;
    ~SessionLoginTable() { CloseLoginSyncObjects(objects); }
};

}  // namespace

bool gbReadSessionLogin(LPCWSTR vaultName, std::u16string& userName, std::u16string& password, LONG& loginValue) {
    SessionLoginTable table;
    return OpenLoginTableMapping(table.objects) &&
           readLoginList(table.objects, vaultName, userName, password, loginValue);
}
