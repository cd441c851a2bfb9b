// The delete utility (IOxnBatchDelete, IOxnBatchDeleteSource): folders and
// files added, delete or destroy, the vault's question, the run, and the
// errors of the run shown to the user. The work itself is Deletions
// (oxnvault/deletions.h): one transaction for the whole batch. Created through
// CreateBatchDelete (utilities.h).
#pragma once

#include "oxnvault/deletions.h"
#include "utilities.h"

#include "oxnvault/interfaces.h"

#include "com/server/com_object.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/support_error_info.h"
#include "com/server/thread_model.h"

#include <memory>
#include <optional>

namespace oxnvault {

class CBatchDelete
    : public CComObjectRootEx<CComSingleThreadModel>,
      public IDispatchImpl<OxnVaultLib::IOxnBatchDelete>,
      public OxnVaultLib::IOxnBatchDeleteSource,
      public ISupportErrorInfoImpl<&OxnVaultLib::IOxnBatchDelete::kIid, &OxnVaultLib::IOxnBatchDeleteSource::kIid> {
public:
    BEGIN_COM_MAP(CBatchDelete)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnBatchDelete)
    COM_INTERFACE_ENTRY2(IDispatch, OxnVaultLib::IOxnBatchDelete)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnBatchDeleteSource)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    // IOxnBatchDelete
    HRESULT STDMETHODCALLTYPE AddFolder(VARIANT folderId) override;
    HRESULT STDMETHODCALLTYPE AddFile(LONG fileId, LONG folderId) override;
    HRESULT STDMETHODCALLTYPE SetDestroy(VARIANT_BOOL destroy, LONG reserved) override;
    HRESULT STDMETHODCALLTYPE ShowDialog(LONG hWnd, VARIANT_BOOL* ok) override;
    HRESULT STDMETHODCALLTYPE Run(LONG hWnd, LONG reserved, VARIANT_BOOL* succeeded) override;
    HRESULT STDMETHODCALLTYPE ShowErrors(LONG hWnd) override;

    // IOxnBatchDeleteSource
    HRESULT STDMETHODCALLTYPE SetSource(LONG reserved, LONG viewServerId) override;

private:
    friend HRESULT CreateBatchDelete(const std::shared_ptr<VaultSession>& session, IDispatch** utility);

    std::shared_ptr<VaultSession> session_;
    std::optional<Deletions> deletions_;  // made with the session
};

}  // namespace oxnvault
