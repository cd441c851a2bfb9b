#include "column_ids.h"

#include "com/safearray.h"

#include <algorithm>

namespace hastrel {

HRESULT ReadColumnIds(SAFEARRAY* columns, std::vector<LONG>& ids) {
    if (!columns) return E_POINTER;
    VARTYPE type = VT_EMPTY;
    if (HRESULT hr = SafeArrayGetVartype(columns, &type); FAILED(hr)) return hr;
    if (type != VT_I4 || SafeArrayGetDim(columns) != 1) return E_INVALIDARG;
    LONG lower = 0;
    LONG upper = -1;
    if (HRESULT hr = SafeArrayGetLBound(columns, 1, &lower); FAILED(hr)) return hr;
    if (HRESULT hr = SafeArrayGetUBound(columns, 1, &upper); FAILED(hr)) return hr;
    ids.assign(static_cast<size_t>(upper >= lower ? upper - lower + 1 : 0), 0);  // before the data is locked
    void* data = nullptr;
    if (HRESULT hr = SafeArrayAccessData(columns, &data); FAILED(hr)) return hr;
    std::copy_n(static_cast<const LONG*>(data), ids.size(), ids.begin());
    return SafeArrayUnaccessData(columns);
}

}  // namespace hastrel
