#include "typed_values.h"

#include "com/hresults.h"
#include "com/safearray.h"

namespace com::detail {

size_t ValueSize(VARTYPE type) {
    switch (type) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
        return 8;
    case VT_DECIMAL:
        return 16;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
        return sizeof(void*);
    case VT_VARIANT:
        return sizeof(VARIANT);
    default:
        return 0;
    }
}

bool IsValidVariantType(VARTYPE type) {
    if (type & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) return false;
    const VARTYPE base = type & VT_TYPEMASK;
    if (type & VT_ARRAY) return ValueSize(base) > 0 || base == VT_RECORD;
    if (base == VT_VARIANT) return (type & VT_BYREF) != 0;
    if (base == VT_EMPTY || base == VT_NULL) return (type & VT_BYREF) == 0;
    return ValueSize(base) > 0 || base == VT_RECORD;
}

bool IsOwningType(VARTYPE type) {
    return type == VT_BSTR || type == VT_UNKNOWN || type == VT_DISPATCH || type == VT_VARIANT || (type & VT_ARRAY) != 0;
}

HRESULT DuplicateBstr(BSTR source, BSTR* copy) {
    *copy = nullptr;
    if (!source) return S_OK;
    // By bytes, so that odd byte counts and embedded nulls survive.
    *copy = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source), SysStringByteLen(source));
    return *copy ? S_OK : E_OUTOFMEMORY;
}

HRESULT ClearValue(VARTYPE type, void* place) {
    if (type & VT_ARRAY) {
        const HRESULT hr = SafeArrayDestroy(LoadValue<SAFEARRAY*>(place));
        if (SUCCEEDED(hr)) StoreValue<SAFEARRAY*>(place, nullptr);
        return hr;
    }
    switch (type) {
    case VT_BSTR:
        SysFreeString(LoadValue<BSTR>(place));
        StoreValue<BSTR>(place, nullptr);
        return S_OK;
    case VT_UNKNOWN:
    case VT_DISPATCH:
        if (auto* object = LoadValue<IUnknown*>(place)) object->Release();
        StoreValue<IUnknown*>(place, nullptr);
        return S_OK;
    case VT_VARIANT: {
        auto variant = LoadValue<VARIANT>(place);
        const HRESULT hr = VariantClear(&variant);
        if (SUCCEEDED(hr)) StoreValue(place, variant);
        return hr;
    }
    default:
        return S_OK;
    }
}

HRESULT CopyValue(VARTYPE type, const void* source, void* dest) {
    if (type & VT_ARRAY) {
        SAFEARRAY* copy = nullptr;
        const HRESULT hr = SafeArrayCopy(LoadValue<SAFEARRAY*>(source), &copy);
        StoreValue(dest, copy);
        return hr;
    }
    switch (type) {
    case VT_BSTR: {
        BSTR copy = nullptr;
        const HRESULT hr = DuplicateBstr(LoadValue<BSTR>(source), &copy);
        StoreValue(dest, copy);
        return hr;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        auto* object = LoadValue<IUnknown*>(source);
        if (object) object->AddRef();
        StoreValue(dest, object);
        return S_OK;
    }
    case VT_VARIANT: {
        const auto original = LoadValue<VARIANT>(source);
        VARIANT copy;
        VariantInit(&copy);
        const HRESULT hr = VariantCopy(&copy, &original);
        StoreValue(dest, copy);
        return hr;
    }
    default:
        std::memmove(dest, source, ValueSize(type));
        return S_OK;
    }
}

}  // namespace com::detail
