#include "file_castavy.h"

#include "dialog_session.h"
#include "file_ref_window.h"

#include "com/bstr.h"
#include "com/method_boundary.h"
#include "ui/window_messages.h"
#include "ui/window_value.h"

#include <algorithm>

namespace castavy {

using namespace CASTAVYLib;

namespace {

// The narrowest and the widest the dialog is made, in dialog units.
constexpr LONG kNarrowest = 180;
constexpr LONG kWidest = 1000;

}  // namespace

HRESULT CFileCastavy::Show(LONG lParentWnd, IUnknown* poCommand, LONG /*lReserved*/, LONG lWidth, BSTR bsCaption) {
    if (!poCommand) return E_POINTER;
    if (showing_) return E_UNEXPECTED;
    return com::Boundary([&]() -> HRESULT {
        struct Showing {
            bool& flag;
            explicit Showing(bool& showing) : flag(showing) { flag = true; }
            ~Showing() { flag = false; }
        } showing(showing_);
        DialogSession session;
        if (HRESULT hr = session.Open(poCommand, treeType_, lParentWnd, text_); FAILED(hr)) return hr;
        const auto width = static_cast<short>(std::clamp(lWidth, kNarrowest, kWidest));
        const ui::DialogTemplate dialogTemplate = FileRefWindow::MakeTemplate(
            session, width, session.TextOr(CastavyText_Title, std::u16string(com::BstrView(bsCaption))));
        INT_PTR result = -1;
        {
            FileRefWindow window(dialogTemplate, session);
            result = window.DoModal(ui::WindowFromValue(lParentWnd));
        }
        session.DialogClosing();
        if (result == IDOK) {
            text_ = session.Comment();
            return S_OK;
        }
        if (result == IDCANCEL) return S_FALSE;
        return E_FAIL;
    });
}

HRESULT CFileCastavy::PutTreeType(LONG lTreeType) {
    if (lTreeType != kTreeTypeNone && lTreeType != kTreeTypeReferences) return E_INVALIDARG;
    treeType_ = lTreeType;
    return S_OK;
}

HRESULT CFileCastavy::GetText(BSTR* pbsText) {
    if (!pbsText) return E_POINTER;
    *pbsText = SysAllocStringLen(text_.data(), static_cast<UINT>(text_.size()));
    return *pbsText ? S_OK : E_OUTOFMEMORY;
}

HRESULT CFileCastavy::SetText(BSTR bsText) {
    return com::Boundary([&] {
        text_ = com::BstrView(bsText);
        return S_OK;
    });
}

}  // namespace castavy
