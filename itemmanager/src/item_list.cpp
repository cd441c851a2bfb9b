#include "item_list.h"

#include "common/com_errors.h"
#include "winapi/errors.h"

using BellquistLib::IItmObject;

ItemList::ItemList(SAFEARRAY* list) : mpoList(list) {
    VARTYPE type = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(list, &type)) || type != VT_VARIANT)
        gvRaiseComError(E_INVALIDARG, u"The list does not hold VARIANTs.");
    LONG lower = 0;
    LONG upper = -1;
    if (HRESULT hr = SafeArrayGetLBound(list, 1, &lower); FAILED(hr))
        gvRaiseFailedCall(hr, ComErrorText::kCouldNotGetLowerBound);
    if (HRESULT hr = SafeArrayGetUBound(list, 1, &upper); FAILED(hr))
        gvRaiseFailedCall(hr, ComErrorText::kCouldNotGetUpperBound);
    void* data = nullptr;
    if (HRESULT hr = SafeArrayAccessData(list, &data); FAILED(hr))
        gvRaiseFailedCall(hr, ComErrorText::kCouldNotLockSafeArray);
    mpoData = static_cast<VARIANT*>(data);
    mlElements = upper >= lower ? upper - lower + 1 : 0;
}

ItemList::~ItemList() { SafeArrayUnaccessData(mpoList); }

CComPtr<IItmObject> gpoItemOf(const VARIANT& element) {
    IUnknown* unknown = nullptr;
    if (element.vt == VT_DISPATCH) unknown = element.pdispVal;
    if (element.vt == VT_UNKNOWN) unknown = element.punkVal;
    CComPtr<IItmObject> item;
    if (unknown) unknown->QueryInterface(IItmObject::kIid, reinterpret_cast<void**>(&item));
    return item;
}
