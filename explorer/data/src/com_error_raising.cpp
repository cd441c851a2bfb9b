#include "explorer/data/com_error_raising.h"

#include "com/bstr_t.h"

IErrorInfo* MakeErrorInfo(const WCHAR* description) {
    // The copy raises E_OUTOFMEMORY when it cannot be made.
    const _bstr_t text(description);
    com::ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(&create)) || create == nullptr) return nullptr;
    create->SetDescription(text);
    IErrorInfo* errorInfo = nullptr;
    if (FAILED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&errorInfo)))) return nullptr;
    return errorInfo;
}

void ThrowComErrorWithDescription(HRESULT hr, const WCHAR* description) {
    _com_raise_error(hr, MakeErrorInfo(description));
}

void RaiseFailedHResult(HRESULT hr, const WCHAR* description) {
    IErrorInfo* pending = nullptr;
    if (GetErrorInfo(0, &pending) == S_OK && pending != nullptr) _com_raise_error(hr, pending);
    if (description != nullptr) ThrowComErrorWithDescription(hr, description);
    _com_issue_error(hr);
}
