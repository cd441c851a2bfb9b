#include "unlock_dialog.h"

#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/method_boundary.h"
#include "ui/window_value.h"
#include "ui/dialog.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "winapi/text.h"

#include <algorithm>
#include <string>

namespace brevanne {

using namespace BrevanneLib;

namespace {

// The narrowest and the widest the dialog is made, in dialog units.
constexpr LONG kNarrowest = 180;
constexpr LONG kWidest = 1000;

// The template of one showing: its width, caption and message are the
// caller's.
ui::DialogTemplate MakeTemplate(short width, const std::u16string& caption, const std::u16string& message,
                                bool takesComment) {
    const short inner = static_cast<short>(width - 14);
    return ui::DialogTemplate{
        0,
        kUnlockDialogName,
        caption,
        width,
        74,
        u"MS Shell Dlg",
        8,
        {
            {IDC_UNLOCK_MESSAGE, ui::ControlKind::Static, message, 7, 7, inner, 16, SS_LEFT},
            {IDC_UNLOCK_COMMENT_LABEL, ui::ControlKind::Static, u"Comment:", 7, 26, inner, 8, SS_LEFT},
            {IDC_UNLOCK_COMMENT, ui::ControlKind::Edit, u"", 7, 36, inner, 14,
             static_cast<DWORD>(WS_TABSTOP | (takesComment ? 0 : WS_DISABLED))},
            {IDOK, ui::ControlKind::Button, u"OK", static_cast<short>(width - 114), 55, 50, 14,
             WS_TABSTOP | BS_DEFPUSHBUTTON},
            {IDCANCEL, ui::ControlKind::Button, u"Cancel", static_cast<short>(width - 57), 55, 50, 14, WS_TABSTOP},
        },
    };
}

std::u16string Objects(LONG count) {
    return winapi::ToUtf16(std::to_string(count)) + (count == 1 ? u" selected object" : u" selected objects");
}

class UnlockDialogWindow : public ui::Dialog {
public:
    UnlockDialogWindow(const ui::DialogTemplate& dialogTemplate, std::u16string& comment)
        : ui::Dialog(dialogTemplate), comment_(comment) {}
    ~UnlockDialogWindow() override {
        if (Exists()) DestroyWindow(Handle());
    }

protected:
    BOOL OnInitDialog() override {
        SetControlText(IDC_UNLOCK_COMMENT, comment_);
        return TRUE;
    }
    void OnCommand(int id, int notifyCode, HWND control) override {
        if (id == IDOK) comment_ = ControlText(IDC_UNLOCK_COMMENT);
        ui::Dialog::OnCommand(id, notifyCode, control);
    }

private:
    std::u16string& comment_;  // Not owned: the showing's copy of the text.
};

}  // namespace

HRESULT CUnlockDialog::Show(LONG lParentWnd, IUnknown* poCommand, LONG /*lReserved*/, LONG lWidth, BSTR bsCaption) {
    if (!poCommand) return E_POINTER;
    if (showing_) return E_UNEXPECTED;
    return com::Boundary([&]() -> HRESULT {
        CComQIPtr<IUnlockDialogSource> source(poCommand);
        if (!source) return E_NOINTERFACE;
        LONG command = 0, count = 0;
        if (HRESULT hr = source->GetCommand(&command); FAILED(hr)) return hr;
        if (HRESULT hr = source->GetObjectCount(&count); FAILED(hr)) return hr;
        const bool undo = command == kCommandUndoCheckOut;
        const std::u16string message =
            undo ? u"Undo the check-out of the " + Objects(count) + u"? Changes to their local copies are lost."
                 : u"Check in the " + Objects(count) + u".";
        const auto width = static_cast<short>(std::clamp(lWidth, kNarrowest, kWidest));
        const ui::DialogTemplate dialogTemplate =
            MakeTemplate(width, std::u16string(com::BstrView(bsCaption)), message, !undo);
        std::u16string comment = text_;
        struct Showing {
            bool& flag;
            explicit Showing(bool& showing) : flag(showing) { flag = true; }
            ~Showing() { flag = false; }
        } showing(showing_);
        UnlockDialogWindow dialog(dialogTemplate, comment);
        const INT_PTR result = dialog.DoModal(ui::WindowFromValue(lParentWnd));
        if (result == IDOK) {
            text_ = std::move(comment);
            return S_OK;
        }
        if (result == IDCANCEL) return S_FALSE;
        return E_FAIL;
    });
}

HRESULT CUnlockDialog::GetText(BSTR* pbsText) {
    if (!pbsText) return E_POINTER;
    *pbsText = SysAllocStringLen(text_.data(), static_cast<UINT>(text_.size()));
    return *pbsText ? S_OK : E_OUTOFMEMORY;
}

HRESULT CUnlockDialog::SetText(BSTR bsText) {
    return com::Boundary([&] {
        text_ = com::BstrView(bsText);
        return S_OK;
    });
}

}  // namespace brevanne
