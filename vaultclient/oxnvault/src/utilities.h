// The batch utilities a vault object makes (IOxnVault11::CreateUtility) and
// the result lists they hand out. Each factory gives one reference to a new
// object working in `session`; E_POINTER for a null out-pointer,
// E_OUTOFMEMORY.
#pragma once

#include "vault_session.h"

#include "com/dispatch.h"
#include "winapi/types.h"

#include <memory>
#include <string>
#include <vector>

namespace OxnVaultLib {
struct IOxnResultList;
}

namespace oxnvault {

// Answers IOxnBatchGet.
HRESULT CreateBatchGet(const std::shared_ptr<VaultSession>& session, IDispatch** utility);

// Answers IOxnBatchChangeState and IOxnBatchChangeState2.
HRESULT CreateBatchChangeState(const std::shared_ptr<VaultSession>& session, IDispatch** utility);

// Answers IOxnBatchDelete and IOxnBatchDeleteSource.
HRESULT CreateBatchDelete(const std::shared_ptr<VaultSession>& session, IDispatch** utility);

// One entry of a result list: the file's path in the view folder
// (VaultSession::ViewFilePath), its id and its folder's id.
struct ResultEntry {
    std::u16string path;
    LONG fileId = 0;
    LONG folderId = 0;
};

// A result list over `entries`, in their order.
HRESULT CreateResultList(std::vector<ResultEntry> entries, OxnVaultLib::IOxnResultList** list);

}  // namespace oxnvault
