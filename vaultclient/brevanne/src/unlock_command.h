// The unlock command (CLSID_UnlockCommand): started with the vault's data
// provider, who works where and the objects; set to check in or to undo
// check-outs; its text is the check-in comment the file-reference dialog
// (CASTAVYLib) edits - for that dialog it is a command object without tree
// columns, whose message names what it will do; its run
// reads the plan (unlock_plan.h) and works it (unlock_run.h) on the
// connection it took at the start.
//
// Apartment-threaded: created and called on one thread, which is also the
// thread of the vault connection it is started with.
#pragma once

#include "unlock_plan.h"

#include "brevanne/ids.h"
#include "brevanne/interfaces.h"
#include "castavy/ids.h"
#include "castavy/interfaces.h"
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
      public CASTAVYLib::IFileRefCmd3,
      public CASTAVYLib::IUnlockCommandKind,
      public ISupportErrorInfoImpl<&BrevanneLib::IUnlockCommand::kIid, &BrevanneLib::IUnlockStart::kIid> {
public:
    BEGIN_COM_MAP(CUnlockCommand)
    COM_INTERFACE_ENTRY(BrevanneLib::IUnlockCommand)
    COM_INTERFACE_ENTRY(BrevanneLib::IUnlockStart)
    COM_INTERFACE_ENTRY(CASTAVYLib::IFileRefCmd3)
    COM_INTERFACE_ENTRY(CASTAVYLib::IUnlockCommandKind)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    // IUnlockCommand (brevanne/interfaces.h). Run again works the objects
    // as the vault has them then. A run re-entered from its own callback
    // answers E_UNEXPECTED.
    HRESULT STDMETHODCALLTYPE SetCommand(LONG lCommand, LONG lReserved) override;
    HRESULT STDMETHODCALLTYPE Run(BrevanneLib::IUnlockOpCallback* poCallback, IUnknown* poReserved) override;
    HRESULT STDMETHODCALLTYPE GetText(BSTR* pbsText) override;
    HRESULT STDMETHODCALLTYPE SetText(BSTR bsText) override;
    using CASTAVYLib::IFileRefCmd3::GetText;

    // IUnlockStart
    HRESULT STDMETHODCALLTYPE Start(BrevanneLib::IUnlockOpDb* poDb, BrevanneLib::UnlockStartRecord* poRecord,
                                    SAFEARRAY* poFiles) override;

    // IFileRefCmd3, as the file-reference dialog asks it: no tree columns
    // (two empty column sets, flags 0), no tree (the root enumerator answers
    // S_FALSE and null, building it does nothing), no options, and the
    // message (CastavyText_Message) that names what the command will do; the
    // other texts are the dialog's own. E_POINTER for a null out-argument.
    HRESULT STDMETHODCALLTYPE GetColumns(SAFEARRAY** ppoFirst, SAFEARRAY** ppoSecond, LONG* plFlags) override;
    HRESULT STDMETHODCALLTYPE Command(LONG lWnd, LONG lCommand, VARIANT* pvValue) override;
    HRESULT STDMETHODCALLTYPE GetRootEnumerator(LONG lReserved, IUnknown** ppoEnum) override;
    HRESULT STDMETHODCALLTYPE GetRowItem(LONG lReserved, IUnknown* poElement, IUnknown** ppoRow) override;
    HRESULT STDMETHODCALLTYPE GetOption(LONG lReserved1, LONG lReserved2, LONG lOption, LONG* plValue,
                                        LONG* plFlag) override;
    HRESULT STDMETHODCALLTYPE ValueChanged(LONG lWnd, CASTAVYLib::IFileRefItem* poRow, LONG lReserved, LONG lColumn,
                                           LONG lValue) override;
    HRESULT STDMETHODCALLTYPE GetText(LONG lTextId, BSTR* pbsText) override;
    HRESULT STDMETHODCALLTYPE OnDialogInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE BuildTree(LONG /*lMode*/) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnTreeShown() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetRowChecked(IUnknown* poRow, LONG* plChecked) override;
    HRESULT STDMETHODCALLTYPE OnDialogClose() override { return S_OK; }

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
