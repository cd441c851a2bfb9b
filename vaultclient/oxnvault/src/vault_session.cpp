#include "vault_session.h"

#include "vaultdb/database.h"

namespace oxnvault {

VaultSession::~VaultSession() = default;

std::u16string VaultSession::ViewFilePath(std::u16string_view folderVaultPath, std::u16string_view fileName) const {
    std::u16string path = viewPath;
    if (folderVaultPath.empty() || folderVaultPath.front() != u'\\') path += u'\\';
    path += folderVaultPath;
    if (path.back() != u'\\') path += u'\\';
    path += fileName;
    return path;
}

}  // namespace oxnvault
