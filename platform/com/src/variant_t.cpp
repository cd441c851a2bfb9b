#include "com/variant_t.h"

#include "com/com_error.h"
#include "com/dispatch.h"

namespace {

void Check(HRESULT hr) {
    if (FAILED(hr)) _com_issue_error(hr);
}

// A converted copy of `source`; `source` itself stays as it is.
_variant_t Converted(const _variant_t& source, VARTYPE type) {
    _variant_t converted;
    converted.ChangeType(type, &source);
    return converted;
}

}  // namespace

_variant_t::_variant_t() noexcept { VariantInit(this); }

_variant_t::_variant_t(const VARIANT& source) {
    VariantInit(this);
    Check(VariantCopy(this, &source));
}

_variant_t::_variant_t(const _variant_t& source) : _variant_t(static_cast<const VARIANT&>(source)) {}

_variant_t::_variant_t(VARIANT& source, bool copy) {
    VariantInit(this);
    if (copy) {
        Check(VariantCopy(this, &source));
    } else {
        *static_cast<VARIANT*>(this) = source;
        source.vt = VT_EMPTY;
    }
}

_variant_t::_variant_t(LONG value) {
    VariantInit(this);
    vt = VT_I4;
    lVal = value;
}

_variant_t::_variant_t(bool value) {
    VariantInit(this);
    vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

_variant_t::_variant_t(double value) {
    VariantInit(this);
    vt = VT_R8;
    dblVal = value;
}

_variant_t::_variant_t(const OLECHAR* value) {
    VariantInit(this);
    BSTR copy = nullptr;
    if (value != nullptr) {
        copy = SysAllocString(value);
        if (copy == nullptr) _com_issue_error(E_OUTOFMEMORY);
    }
    vt = VT_BSTR;
    bstrVal = copy;
}

_variant_t::_variant_t(const _bstr_t& value) {
    VariantInit(this);
    vt = VT_BSTR;
    bstrVal = value.copy();
}

_variant_t::_variant_t(IUnknown* value, bool addRef) noexcept {
    VariantInit(this);
    vt = VT_UNKNOWN;
    punkVal = value;
    if (value != nullptr && addRef) value->AddRef();
}

_variant_t::_variant_t(IDispatch* value, bool addRef) noexcept {
    VariantInit(this);
    vt = VT_DISPATCH;
    pdispVal = value;
    if (value != nullptr && addRef) value->AddRef();
}

_variant_t::~_variant_t() {
    // A destructor cannot raise: what cannot be cleared (a locked array) is
    // left to its other holder.
    VariantClear(this);
}

_variant_t& _variant_t::operator=(const VARIANT& source) {
    if (&source != this) Check(VariantCopy(this, &source));
    return *this;
}

_variant_t& _variant_t::operator=(const _variant_t& source) { return *this = static_cast<const VARIANT&>(source); }

void _variant_t::Clear() { Check(VariantClear(this)); }

void _variant_t::ChangeType(VARTYPE type, const _variant_t* source) {
    const VARIANT* from = source != nullptr ? source : this;
    Check(VariantChangeType(this, from, 0, type));
}

VARIANT _variant_t::Detach() noexcept {
    VARIANT content = *this;
    vt = VT_EMPTY;
    return content;
}

void _variant_t::Attach(VARIANT& source) {
    Clear();
    *static_cast<VARIANT*>(this) = source;
    source.vt = VT_EMPTY;
}

_variant_t::operator LONG() const { return vt == VT_I4 ? lVal : Converted(*this, VT_I4).lVal; }

_variant_t::operator bool() const {
    return (vt == VT_BOOL ? boolVal : Converted(*this, VT_BOOL).boolVal) != VARIANT_FALSE;
}

_variant_t::operator double() const { return vt == VT_R8 ? dblVal : Converted(*this, VT_R8).dblVal; }

_variant_t::operator _bstr_t() const {
    if (vt == VT_BSTR) return _bstr_t(bstrVal, true);
    _variant_t converted = Converted(*this, VT_BSTR);
    return _bstr_t(converted.Detach().bstrVal, false);
}
