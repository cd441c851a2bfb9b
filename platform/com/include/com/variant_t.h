// _variant_t: a VARIANT owned by scope. It is a VARIANT (pass its address as
// VARIANT*), cleared when it goes; copies are deep (VariantCopy). Failures
// raise _com_error with the failing call's HRESULT.
#pragma once

#include "com/bstr_t.h"
#include "com/variant.h"

class _variant_t : public VARIANT {
public:
    _variant_t() noexcept;  // VT_EMPTY
    _variant_t(const VARIANT& source);
    _variant_t(const _variant_t& source);
    // copy: a copy of `source`; else takes over its content, leaving it
    // VT_EMPTY.
    _variant_t(VARIANT& source, bool copy);
    _variant_t(LONG value);    // VT_I4
    _variant_t(bool value);    // VT_BOOL (VARIANT_TRUE / VARIANT_FALSE)
    _variant_t(double value);  // VT_R8
    // VT_BSTR holding a copy of the text (a null text gives a null BSTR).
    _variant_t(const OLECHAR* value);
    _variant_t(const _bstr_t& value);
    // VT_UNKNOWN / VT_DISPATCH, with a reference of its own unless `addRef`
    // is false (then it takes over the caller's).
    _variant_t(IUnknown* value, bool addRef = true) noexcept;
    _variant_t(IDispatch* value, bool addRef = true) noexcept;
    ~_variant_t();

    _variant_t& operator=(const VARIANT& source);
    _variant_t& operator=(const _variant_t& source);

    // VT_EMPTY again, giving back what the value owned.
    void Clear();
    // Converts `source` (this value when null) to `type` into this value.
    void ChangeType(VARTYPE type, const _variant_t* source = nullptr);
    // Hands the content to the caller, who clears it; this value is left
    // VT_EMPTY.
    VARIANT Detach() noexcept;
    // Takes over the content of `source` (cleared of what this value held
    // first), leaving `source` VT_EMPTY.
    void Attach(VARIANT& source);

    // The value converted as VariantChangeType converts it.
    operator LONG() const;
    operator bool() const;
    operator double() const;
    operator _bstr_t() const;
};
