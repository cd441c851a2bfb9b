// The file-reference dialog (CLSID_FileCastavy): shows a command object's
// reference tree - or, for a command without tree columns, its
// confirmation with a comment - modally through the prompter
// (file_ref_window.h), driving the command as castavy/interfaces.h says.
#pragma once

#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "com/server/co_class.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/support_error_info.h"

#include <string>

namespace castavy {

class CFileCastavy : public CComObjectRootEx<CComSingleThreadModel>,
                     public CComCoClass<CFileCastavy, &CASTAVYLib::CLSID_FileCastavy>,
                     public CASTAVYLib::IFileCastavy,
                     public ISupportErrorInfoImpl<&CASTAVYLib::IFileCastavy::kIid> {
public:
    BEGIN_COM_MAP(CFileCastavy)
    COM_INTERFACE_ENTRY(CASTAVYLib::IFileCastavy)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    // IFileCastavy (castavy/interfaces.h). The comment is kept only when the
    // user pressed OK.
    HRESULT STDMETHODCALLTYPE Show(LONG lParentWnd, IUnknown* poCommand, LONG lReserved, LONG lWidth,
                                   BSTR bsCaption) override;
    HRESULT STDMETHODCALLTYPE PutTreeType(LONG lTreeType) override;
    HRESULT STDMETHODCALLTYPE GetText(BSTR* pbsText) override;
    HRESULT STDMETHODCALLTYPE SetText(BSTR bsText) override;

protected:
    CFileCastavy() = default;
    ~CFileCastavy() = default;

private:
    std::u16string text_;
    LONG treeType_ = CASTAVYLib::kTreeTypeNone;
    bool showing_ = false;
};

}  // namespace castavy
