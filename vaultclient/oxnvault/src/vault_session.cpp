#include "vault_session.h"

#include "oxnvault/view_copy.h"
#include "vaultdb/database.h"

namespace oxnvault {

VaultSession::~VaultSession() = default;

std::u16string VaultSession::ViewFilePath(std::u16string_view folderVaultPath, std::u16string_view fileName) const {
    return oxnvault::ViewFilePath(viewPath, folderVaultPath, fileName);
}

}  // namespace oxnvault
