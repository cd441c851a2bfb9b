#include "owned_link_manager.h"

#include "com/error_info.h"

using namespace BellquistLib;

namespace {

// Leaves `description` as the thread's error info for the caller.
void SetErrorDescription(const WCHAR* description) {
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create))) return;
    IErrorInfo* errorInfo = nullptr;
    if (SUCCEEDED(create->SetGUID(IItmObject::kIid)) && SUCCEEDED(create->SetDescription(description)) &&
        SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&errorInfo)))) {
        SetErrorInfo(0, errorInfo);
        errorInfo->Release();
    }
    create->Release();
}

}  // namespace

HRESULT ghNewLinkManager(CComObject<CItmLinkManager>** linkManager) {
    *linkManager = nullptr;
    CComObject<CItmLinkManager>* created = nullptr;
    HRESULT hr = CComObject<CItmLinkManager>::CreateInstance(&created);
    if (FAILED(hr)) return hr;
    if (!created) return E_OUTOFMEMORY;
    created->AddRef();
    *linkManager = created;
    return S_OK;
}

HRESULT ghHandOutLinkManager(IItmLinkManager* held, IItmLinkManager** out) {
    if (out) *out = nullptr;
    if (!held || !out) {
        SetErrorDescription(u"The link manager is not available.");
        return E_POINTER;
    }
    held->AddRef();
    *out = held;
    return S_OK;
}
