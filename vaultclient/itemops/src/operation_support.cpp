#include "operation_support.h"

#include "com/bstr.h"
#include "com/ccom_bstr.h"
#include "common/com_errors.h"
#include "itemops/ids.h"
#include "tavrosk/feedback_interfaces.h"

namespace itemops {

using BellquistLib::IItmCallBack;
using BellquistLib::IVaultUtils;

HRESULT OperationSetup::Init(IVaultUtils* utils, IItmCallBack* callback, const VARIANT& param) {
    if (!utils) return E_POINTER;
    bool silent = false;
    if (param.vt == VT_I4 && param.lVal == ItemOperationsLib::kOperationSilent)
        silent = true;
    else if (param.vt != VT_EMPTY)
        return E_INVALIDARG;
    utils_ = utils;
    callback_ = callback;
    silent_ = silent;
    return S_OK;
}

void OperationSetup::Report(BellquistLib::ItmObjectType type, LONG id, LONG projectId, std::u16string_view name,
                            std::u16string_view path, bool processed) const {
    if (!callback_) return;
    CComBSTR itemName(static_cast<UINT>(name.size()), name.data());
    CComBSTR itemPath(static_cast<UINT>(path.size()), path.data());
    BellquistLib::ItmDbInfo info{type, id, projectId, itemName, itemPath};
    callback_->SetProcess(&info, processed ? VARIANT_TRUE : VARIANT_FALSE);
}

OperationSetup::Replace OperationSetup::AskReplace(const std::u16string& path) const {
    if (silent_ || !callback_) return Replace::kNo;
    CComQIPtr<TavroskClientLib::IConfirmReplace> confirm(callback_.GetInterfacePtr());
    if (!confirm) return Replace::kNo;
    CComBSTR filePath(path.c_str());
    VARIANT_BOOL replace = VARIANT_FALSE;
    const HRESULT hr = confirm->ConfirmReplace(filePath, &replace);
    if (FAILED(hr)) gvRaiseFailedCall(hr, u"Whether to replace a checked-out local file could not be asked.");
    if (hr == S_FALSE) return Replace::kCancel;
    return replace != VARIANT_FALSE ? Replace::kYes : Replace::kNo;
}

void OperationSetup::ShowProblems(const std::u16string& text, const std::vector<std::u16string>& problems) const {
    if (silent_ || !callback_ || problems.empty()) return;
    CComQIPtr<TavroskClientLib::ITavroskFeedback> feedback(callback_.GetInterfacePtr());
    if (!feedback) return;
    std::u16string lines;
    for (const std::u16string& problem : problems) lines += (lines.empty() ? u"" : u"\n") + problem;
    CComBSTR message(text.c_str());
    VARIANT detail;
    VariantInit(&detail);
    detail.vt = VT_BSTR;
    detail.bstrVal = SysAllocStringLen(lines.data(), static_cast<UINT>(lines.size()));
    constexpr ULONG kErrorMessage = 0x800;
    ULONG answer = 0;
    feedback->ShowMessage(message, &detail, kErrorMessage, 0, 0, &answer);  // only OK to answer
    VariantClear(&detail);
}

bool ReadAskedVersion(const VARIANT& param, LONG& version) {
    if (param.vt == VT_EMPTY || (param.vt == VT_I4 && param.lVal == -1)) {
        version = 0;
        return true;
    }
    if (param.vt != VT_I4 || param.lVal <= 0) return false;
    version = param.lVal;
    return true;
}

}  // namespace itemops
