#include "itm_object_variant.h"

#include "common/error_codes.h"

using BellquistLib::IItmObject;

HRESULT ghItmObjectOf(const VARIANT& value, CComPtr<IItmObject>& object) {
    object = nullptr;
    IUnknown* held = nullptr;
    if (value.vt == VT_DISPATCH) held = value.pdispVal;
    if (value.vt == VT_UNKNOWN) held = value.punkVal;
    if (!held) return E_OXN_NULL_VALUE;
    IItmObject* asked = nullptr;
    if (FAILED(held->QueryInterface(IID_PPV_ARGS(&asked))) || !asked) return E_OXN_NULL_VALUE;
    object.Attach(asked);
    return S_OK;
}
