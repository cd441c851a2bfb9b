// What an outside item operation works on: the vaults its items come from,
// as the item server's IVaultUtils hands them out, each with the vault
// connection of the client library's session (ITavroskConnection) and the
// items as roots.
#pragma once

#include "vennacle/sp_mgr.h"
#include "winapi/types.h"

#include <memory>
#include <string>
#include <vector>

namespace BellquistLib {
struct IVaultUtils;
}

namespace vaultdb {
class Database;
}

namespace itemops {

using HeldConnection = SpMgrPtr;

// One item (or folder, file, BOM) of an operation: an XRefRootObject's
// identity.
struct OperationRoot {
    LONG type = 0;        // ObjectType: 5 item, 6 item folder, 1 file, 3 BOM
    LONG documentId = 0;  // 0 for a folder
    LONG projectId = 0;   // the folder the object lies in; a folder's own id
};

struct OperationVault {
    HeldConnection connection;  // one reference
    LONG userId = 0;
    GUID viewGuid{};
    std::u16string viewPath;  // the view's local folder, in the system's path form
    ULONGLONG parentWnd = 0;
    std::vector<OperationRoot> roots;

    // The connection's open vault database.
    vaultdb::Database& Database() const;
};

// Every vault that `utils` hands out (GetNextVault until it has no more), in
// its order. Raises a COM error: the failure of GetNextVault;
// E_OXN_NULL_VALUE for a vault without connection or a connection that is
// no client library's; the client library's E_OXN_NOT_LOGGED_IN for a
// session that ended.
std::vector<OperationVault> ReadOperationVaults(BellquistLib::IVaultUtils& utils);

}  // namespace itemops
