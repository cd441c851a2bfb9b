#include "vault_session.h"

#include "oxnvault/view_copy.h"
#include "vaultdb/database.h"
#include "winapi/errors.h"

#include <new>

namespace oxnvault {

VaultSession::VaultSession() = default;

VaultSession::~VaultSession() = default;

HRESULT VaultSession::Attach(std::unique_ptr<vaultdb::Database>& opened, std::u16string dbName) {
    if (connection) return E_UNEXPECTED;
    SpMgrPtr made(new (std::nothrow) SpMgr(false));
    if (!made) return E_OUTOFMEMORY;
    vaultdb::Database* const attached = opened.get();
    const HRESULT hr = made->mhAttach(opened, std::move(dbName));
    if (FAILED(hr)) return hr;
    connection = std::move(made);
    database = attached;
    return S_OK;
}

std::u16string VaultSession::ViewFilePath(std::u16string_view folderVaultPath, std::u16string_view fileName) const {
    return oxnvault::ViewFilePath(viewPath, folderVaultPath, fileName);
}

}  // namespace oxnvault
