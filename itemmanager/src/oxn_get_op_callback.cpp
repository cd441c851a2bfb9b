#include "oxn_get_op_callback.h"

#include "com/server/com_object.h"
#include "winapi/errors.h"

using OxnVaultLib::IOxnGetOpCallback;

HRESULT OxnGetOpCallbackImpl::mhCreate(IOxnGetOpCallback** callback) {
    if (!callback) return E_POINTER;
    *callback = nullptr;
    CComObject<OxnGetOpCallbackImpl>* created = nullptr;
    if (HRESULT hr = CComObject<OxnGetOpCallbackImpl>::CreateInstance(&created); FAILED(hr)) return hr;
    created->AddRef();
    *callback = created;
    return S_OK;
}

HRESULT OxnGetOpCallbackImpl::BeginPhase(LONG, LONG) { return S_OK; }
// The step's go-on flag is left as the vault set it: the vault's own
// progress decides about its cancel.
HRESULT OxnGetOpCallbackImpl::Step(LONG, BSTR, LONG, VARIANT_BOOL*) { return S_OK; }
HRESULT OxnGetOpCallbackImpl::EndPhase(LONG) { return S_OK; }
HRESULT OxnGetOpCallbackImpl::CheckReady() { return S_OK; }
HRESULT OxnGetOpCallbackImpl::GetOption(LONG, LONG, SHORT*) { return S_OK; }

HRESULT OxnGetOpCallbackImpl::FileMessage(LONG, BSTR, HRESULT, BSTR, VARIANT_BOOL* goOn) {
    if (!goOn) return E_POINTER;
    *goOn = VARIANT_TRUE;
    return S_OK;
}
