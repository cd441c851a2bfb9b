// Adding, removing and reading logins in the shared table, under the login
// mutex. Events are pulsed while the mutex is still held.
#include "login/table/login_table.h"

#include "common/login_table_lock.h"

#include "winapi/file_mapping.h"
#include "winapi/sync.h"

namespace {

std::u16string TextOf(LPCWSTR text) { return text ? std::u16string(text) : std::u16string(); }

void Pulse(HANDLE event) {
    if (event != nullptr) PulseEvent(event);
}

}  // namespace

bool AddLoginTableEntry(const LoginSyncObjects& objects, LPCWSTR dbServer, LPCWSTR vaultName, LPCWSTR userName,
                        LPCWSTR password, int32_t loginValue, int32_t userId, LPCWSTR dbUser, LPCWSTR dbPassword,
                        int32_t verification, int32_t programType, LPCWSTR shellRoot, bool* stored) {
    LoginTableView view;
    if (!MapLoginTableView(objects.mapping, FILE_MAP_ALL_ACCESS, view)) return false;

    LoginTableEntry entry;
    entry.moDbServer = TextOf(dbServer);
    entry.moVaultName = TextOf(vaultName);
    entry.moUserName = TextOf(userName);
    entry.moPassword = TextOf(password);
    entry.moDbUser = TextOf(dbUser);
    entry.moDbPassword = TextOf(dbPassword);
    entry.moShellRoot = TextOf(shellRoot);
    entry.mlLoginValue = loginValue;
    entry.mlUserID = userId;
    entry.mlVerification = verification;
    entry.mlProgramType = programType;

    bool written = false;
    {
        LoginTableLock lock(objects.mutex);
        // An empty database server would end the table for every reader, and
        // an entry that cannot be stored must not cost the vault its old one:
        // both are decided before anything is removed.
        if (!entry.moDbServer.empty() && LoginTable::mbFits(view, entry)) {
            RemoveLoginTableEntry(objects, entry.moVaultName.c_str(), &view);
            written = LoginTable::mbAppend(view, entry);
        }
        Pulse(objects.addEvent);
    }
    UnmapLoginTableView(view);
    if (stored != nullptr) *stored = written;
    return true;
}

bool RemoveLoginTableEntry(const LoginSyncObjects& objects, LPCWSTR vaultName, LoginTableView* view) {
    LoginTableView ownView;
    LoginTableView* table = view;
    if (table == nullptr) {
        if (!MapLoginTableView(objects.mapping, FILE_MAP_ALL_ACCESS, ownView)) return false;
        table = &ownView;
    }
    {
        LoginTableLock lock(objects.mutex);
        if (FindLoginTableEntry(*table, vaultName)) LoginTable::mbRemoveAtCursor(*table);
        Pulse(objects.removeEvent);
    }
    if (table == &ownView) UnmapLoginTableView(ownView);
    return true;
}

bool ReadLoginTableEntry(const LoginSyncObjects& objects, LPCWSTR vaultName, LoginTableEntry& entry) {
    LoginTableView view;
    if (!MapLoginTableView(objects.mapping, FILE_MAP_READ, view)) return false;
    bool found = false;
    {
        LoginTableLock lock(objects.mutex);
        found = FindLoginTableEntry(view, vaultName) && ParseLoginTableEntry(view, entry);
    }
    UnmapLoginTableView(view);
    return found;
}
