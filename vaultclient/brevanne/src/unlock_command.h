// The unlock command (CLSID_UnlockCommand): started with the vault's data
// provider, who works where and the objects; set to check in or to undo
// check-outs; its text is the check-in comment the dialog edits; its run
// reads the plan (unlock_plan.h) and works it (unlock_run.h) on the
// connection it took at the start.
//
// Apartment-threaded: created and called on one thread, which is also the
// thread of the vault connection it is started with.
#pragma once

#include "unlock_plan.h"

#include "brevanne/ids.h"
#include "brevanne/interfaces.h"
#include "com/server/co_class.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/support_error_info.h"
#include "vennacle/sp_mgr.h"

#include <string>
#include <vector>

namespace brevanne {

class CUnlockCommand
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<CUnlockCommand, &BrevanneLib::CLSID_UnlockCommand>,
      public BrevanneLib::IUnlockCommand,
      public BrevanneLib::IUnlockStart,
      public BrevanneLib::IUnlockDialogSource,
      public BrevanneLib::IUnlockCommandKind,
      public ISupportErrorInfoImpl<&BrevanneLib::IUnlockCommand::kIid, &BrevanneLib::IUnlockStart::kIid> {
public:
    BEGIN_COM_MAP(CUnlockCommand)
    COM_INTERFACE_ENTRY(BrevanneLib::IUnlockCommand)
    COM_INTERFACE_ENTRY(BrevanneLib::IUnlockStart)
    COM_INTERFACE_ENTRY(BrevanneLib::IUnlockDialogSource)
    COM_INTERFACE_ENTRY(BrevanneLib::IUnlockCommandKind)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    // IUnlockCommand (brevanne/interfaces.h). Run again works the objects
    // as the vault has them then. A run re-entered from its own callback
    // answers E_UNEXPECTED.
    HRESULT STDMETHODCALLTYPE SetCommand(LONG lCommand, LONG lReserved) override;
    HRESULT STDMETHODCALLTYPE Run(BrevanneLib::IUnlockOpCallback* poCallback, IUnknown* poReserved) override;
    HRESULT STDMETHODCALLTYPE GetText(BSTR* pbsText) override;
    HRESULT STDMETHODCALLTYPE SetText(BSTR bsText) override;

    // IUnlockStart
    HRESULT STDMETHODCALLTYPE Start(BrevanneLib::IUnlockOpDb* poDb, BrevanneLib::UnlockStartRecord* poRecord,
                                    SAFEARRAY* poFiles) override;

    // IUnlockDialogSource. E_POINTER for a null out-argument.
    HRESULT STDMETHODCALLTYPE GetCommand(LONG* plCommand) override;
    HRESULT STDMETHODCALLTYPE GetObjectCount(LONG* plCount) override;

    // IUnlockCommandKind. E_POINTER for a null out-argument.
    HRESULT STDMETHODCALLTYPE GetUndoCheckOut(LONG* plUndo) override;

protected:
    CUnlockCommand() = default;
    ~CUnlockCommand() = default;

private:
    SpMgrPtr connection_;  // null until started
    UnlockWorker worker_;
    std::vector<UnlockTarget> targets_;
    LONG command_ = 0;
    std::u16string text_;
    bool running_ = false;
};

}  // namespace brevanne
