// Opening the vault object of a user of a vault: the object the explorer
// hands the item server (InitData::mllOxnVault), answering IOxnVault11.
#pragma once

#include "winapi/types.h"

#include <filesystem>
#include <string>

namespace OxnVaultLib {
struct IOxnVault11;
}

namespace oxnvault {

struct VaultObjectLogin {
    std::filesystem::path databaseFile;  // the vault's database (vaultdb::VaultDatabaseFile)
    std::u16string userName;
    std::u16string password;
    GUID viewGuid{};
    std::u16string viewPath;  // the view's local folder, in the system's path form
    std::u16string computer;
};

// Opens the vault's database, checks the user's password and gives one
// reference to a new vault object working as that user in that view.
// Registers the library's records with the process (OxnVaultLib's
// RegisterRecords). E_POINTER for a null `vault`; E_OXN_LOGIN_FAILED for an
// unknown user or a wrong password; E_OXN_CANT_OPEN_DATABASE when the
// database does not open; E_OUTOFMEMORY.
HRESULT OpenVaultObject(const VaultObjectLogin& login, OxnVaultLib::IOxnVault11** vault);

}  // namespace oxnvault
