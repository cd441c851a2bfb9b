#include "operation_get_result.h"

#include "winapi/errors.h"

namespace NsTavroskClient {

HRESULT COperationGetResult::mhCreate(COperationGetResult** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    CComObject<COperationGetResult>* created = nullptr;
    if (HRESULT hr = CComObject<COperationGetResult>::CreateInstance(&created); FAILED(hr)) return hr;
    created->AddRef();
    *result = created;
    return S_OK;
}

HRESULT COperationGetResult::SetResult(LONG ePropResult, VARIANT* vPropertyValue) {
    if (ePropResult != 0) return S_FALSE;
    if (!vPropertyValue || vPropertyValue->vt != VT_I4) return E_INVALIDARG;
    mlResult.store(vPropertyValue->lVal);
    return S_OK;
}

}  // namespace NsTavroskClient
