// The change-state utility (IOxnBatchChangeState, IOxnBatchChangeState2):
// files and folders added, a transition chosen by name (or a transition to
// revoke), the vault's question, the run, and the list of changed files.
// The work itself is StateChanges (state_changes.h): one transaction for
// the whole batch. Created through CreateBatchChangeState (utilities.h).
#pragma once

#include "state_changes.h"
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

// SetOption's options.
enum ChangeStateOption : LONG {
    // Value non-zero: files that cannot take the transition stay as they are
    // and the others change; zero (the default): such a file refuses the run.
    kChangeStateSkipRefused = 0,
};

class CBatchChangeState : public CComObjectRootEx<CComSingleThreadModel>,
                          public IDispatchImpl<OxnVaultLib::IOxnBatchChangeState2>,
                          public ISupportErrorInfoImpl<&OxnVaultLib::IOxnBatchChangeState::kIid,
                                                       &OxnVaultLib::IOxnBatchChangeState2::kIid> {
public:
    BEGIN_COM_MAP(CBatchChangeState)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnBatchChangeState2)
    COM_INTERFACE_ENTRY2(OxnVaultLib::IOxnBatchChangeState, OxnVaultLib::IOxnBatchChangeState2)
    COM_INTERFACE_ENTRY2(IDispatch, OxnVaultLib::IOxnBatchChangeState2)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE AddFile(LONG fileId, LONG folderId) override;
    HRESULT STDMETHODCALLTYPE SetTransition(BSTR name, VARIANT_BOOL* found) override;
    HRESULT STDMETHODCALLTYPE ShowDialog(LONG hWnd, VARIANT_BOOL* ok) override;
    HRESULT STDMETHODCALLTYPE Run(LONG hWnd, LONG reserved) override;
    HRESULT STDMETHODCALLTYPE GetResultList(LONG listKind, OxnVaultLib::IOxnResultList** list) override;
    HRESULT STDMETHODCALLTYPE SetOption(LONG option, LONG value) override;
    HRESULT STDMETHODCALLTYPE SetRevokeTransition(BSTR name, VARIANT_BOOL* found) override;

private:
    friend HRESULT CreateBatchChangeState(const std::shared_ptr<VaultSession>& session, IDispatch** utility);

    HRESULT ChooseTransition(BSTR name, bool revoke, VARIANT_BOOL* found);

    std::shared_ptr<VaultSession> session_;
    std::optional<StateChanges> changes_;  // made with the session
};

}  // namespace oxnvault
