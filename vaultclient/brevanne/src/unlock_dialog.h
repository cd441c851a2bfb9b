// The unlock dialog (CLSID_UnlockDialog): a small modal dialog, asked
// through the prompter, that names what the command it is handed will do
// and lets the user write the check-in comment (an undo of check-outs takes
// none: the edit is disabled) and confirm or cancel.
//
// For tests and scripts the dialog is named "Unlock"; its comment edit is
// IDC_UNLOCK_COMMENT, its message IDC_UNLOCK_MESSAGE, and OK and Cancel are
// IDOK and IDCANCEL.
#pragma once

#include "brevanne/ids.h"
#include "brevanne/interfaces.h"
#include "com/server/co_class.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/support_error_info.h"

#include <string>

namespace brevanne {

enum : int {
    IDC_UNLOCK_MESSAGE = 1001,
    IDC_UNLOCK_COMMENT_LABEL = 1002,
    IDC_UNLOCK_COMMENT = 1003,
};

// The dialog's name, which the prompter sees.
inline constexpr char kUnlockDialogName[] = "Unlock";

class CUnlockDialog : public CComObjectRootEx<CComSingleThreadModel>,
                      public CComCoClass<CUnlockDialog, &BrevanneLib::CLSID_UnlockDialog>,
                      public BrevanneLib::IUnlockDialog,
                      public ISupportErrorInfoImpl<&BrevanneLib::IUnlockDialog::kIid> {
public:
    BEGIN_COM_MAP(CUnlockDialog)
    COM_INTERFACE_ENTRY(BrevanneLib::IUnlockDialog)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    // IUnlockDialog (brevanne/interfaces.h). The comment is kept only when
    // the user pressed OK.
    HRESULT STDMETHODCALLTYPE Show(LONG lParentWnd, IUnknown* poCommand, LONG lReserved, LONG lWidth,
                                   BSTR bsCaption) override;
    HRESULT STDMETHODCALLTYPE GetText(BSTR* pbsText) override;
    HRESULT STDMETHODCALLTYPE SetText(BSTR bsText) override;

protected:
    CUnlockDialog() = default;
    ~CUnlockDialog() = default;

private:
    std::u16string text_;
    bool showing_ = false;
};

}  // namespace brevanne
