#include "common/com_errors.h"

#include "com/com_error.h"
#include "com/error_info.h"

void gvRaiseComError(HRESULT hr, const WCHAR* description) {
    ICreateErrorInfo* create = nullptr;
    IErrorInfo* errorInfo = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        // An error object without its description would mislead more than
        // none at all.
        if (SUCCEEDED(create->SetDescription(description)) &&
            FAILED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&errorInfo)))) {
            errorInfo = nullptr;
        }
        create->Release();
    }
    _com_raise_error(hr, errorInfo);
}

void gvRaiseFailedCall(HRESULT hr, const WCHAR* description) {
    IErrorInfo* pending = nullptr;
    if (GetErrorInfo(0, &pending) == S_OK && pending != nullptr) _com_raise_error(hr, pending);
    gvRaiseComError(hr, description);
}
