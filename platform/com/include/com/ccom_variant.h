// CComVariant: a VARIANT owned by scope, as _variant_t, but it never raises:
// its operations return their HRESULT, and a constructor that cannot make
// its value leaves VT_ERROR with the failure in scode.
#pragma once

#include "com/variant.h"

class CComVariant : public VARIANT {
public:
    CComVariant() noexcept { VariantInit(this); }
    CComVariant(const VARIANT& source) noexcept;
    CComVariant(const CComVariant& source) noexcept;
    CComVariant(LONG value) noexcept;        // VT_I4
    CComVariant(bool value) noexcept;        // VT_BOOL
    CComVariant(double value) noexcept;      // VT_R8
    CComVariant(LPCOLESTR value) noexcept;   // VT_BSTR, a copy
    CComVariant(IUnknown* value) noexcept;   // VT_UNKNOWN, AddRef'd
    CComVariant(IDispatch* value) noexcept;  // VT_DISPATCH, AddRef'd
    ~CComVariant() { VariantClear(this); }

    // On failure the value is VT_ERROR, as for the constructors.
    CComVariant& operator=(const VARIANT& source) noexcept;
    CComVariant& operator=(const CComVariant& source) noexcept;

    HRESULT Clear() noexcept { return VariantClear(this); }
    // A deep copy of `source` (E_POINTER for null).
    HRESULT Copy(const VARIANT* source) noexcept;
    // Converts `source` (this value when null) to `type` into this value.
    HRESULT ChangeType(VARTYPE type, const VARIANT* source = nullptr) noexcept;
    // Takes over the content of `source`, which is left VT_EMPTY.
    HRESULT Attach(VARIANT* source) noexcept;
    // Moves the content into `dest` (cleared first) and leaves this value
    // VT_EMPTY.
    HRESULT Detach(VARIANT* dest) noexcept;

private:
    void SetError(HRESULT hr) noexcept;
};
