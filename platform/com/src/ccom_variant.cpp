#include "com/ccom_variant.h"

#include "com/dispatch.h"

CComVariant::CComVariant(const VARIANT& source) noexcept {
    VariantInit(this);
    Copy(&source);
}

CComVariant::CComVariant(const CComVariant& source) noexcept : CComVariant(static_cast<const VARIANT&>(source)) {}

CComVariant::CComVariant(LONG value) noexcept {
    VariantInit(this);
    vt = VT_I4;
    lVal = value;
}

CComVariant::CComVariant(bool value) noexcept {
    VariantInit(this);
    vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

CComVariant::CComVariant(double value) noexcept {
    VariantInit(this);
    vt = VT_R8;
    dblVal = value;
}

CComVariant::CComVariant(LPCOLESTR value) noexcept {
    VariantInit(this);
    BSTR copy = SysAllocString(value);
    if (copy == nullptr && value != nullptr) {
        SetError(E_OUTOFMEMORY);
        return;
    }
    vt = VT_BSTR;
    bstrVal = copy;
}

CComVariant::CComVariant(IUnknown* value) noexcept {
    VariantInit(this);
    vt = VT_UNKNOWN;
    punkVal = value;
    if (value != nullptr) value->AddRef();
}

CComVariant::CComVariant(IDispatch* value) noexcept {
    VariantInit(this);
    vt = VT_DISPATCH;
    pdispVal = value;
    if (value != nullptr) value->AddRef();
}

CComVariant& CComVariant::operator=(const VARIANT& source) noexcept {
    if (&source != this) Copy(&source);
    return *this;
}

CComVariant& CComVariant::operator=(const CComVariant& source) noexcept {
    return *this = static_cast<const VARIANT&>(source);
}

HRESULT CComVariant::Copy(const VARIANT* source) noexcept {
    if (source == nullptr) return E_POINTER;
    HRESULT hr = VariantCopy(this, source);
    if (FAILED(hr)) SetError(hr);
    return hr;
}

HRESULT CComVariant::ChangeType(VARTYPE type, const VARIANT* source) noexcept {
    return VariantChangeType(this, source != nullptr ? source : this, 0, type);
}

HRESULT CComVariant::Attach(VARIANT* source) noexcept {
    if (source == nullptr) return E_INVALIDARG;
    HRESULT hr = Clear();
    if (FAILED(hr)) return hr;
    *static_cast<VARIANT*>(this) = *source;
    source->vt = VT_EMPTY;
    return S_OK;
}

HRESULT CComVariant::Detach(VARIANT* dest) noexcept {
    if (dest == nullptr) return E_POINTER;
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) return hr;
    *dest = *this;
    vt = VT_EMPTY;
    return S_OK;
}

void CComVariant::SetError(HRESULT hr) noexcept {
    VariantClear(this);
    vt = VT_ERROR;
    scode = hr;
}
