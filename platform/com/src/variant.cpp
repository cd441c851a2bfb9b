// VARIANT lifetime: initialise, clear, copy.
#include "com/variant.h"

#include "com/hresults.h"
#include "com/record_info.h"
#include "com/safearray.h"
#include "com/task_memory.h"
#include "typed_values.h"

#include <cstring>

namespace {

using com::detail::ValueSize;

// A deep copy of the record a VT_RECORD variant holds, in new task memory.
HRESULT CopyRecord(PVOID record, IRecordInfo* recordInfo, PVOID* copy) {
    *copy = nullptr;
    if (!record) return S_OK;
    if (!recordInfo) return E_INVALIDARG;
    ULONG size = 0;
    HRESULT hr = recordInfo->GetSize(&size);
    if (FAILED(hr)) return hr;
    void* memory = CoTaskMemAlloc(size);
    if (!memory) return E_OUTOFMEMORY;
    std::memset(memory, 0, size);
    hr = recordInfo->RecordCopy(record, memory);
    if (FAILED(hr)) {
        CoTaskMemFree(memory);
        return hr;
    }
    *copy = memory;
    return S_OK;
}

// `copy` becomes a deep copy of `source` (a VT_BYREF one copies its pointer).
// Nothing is left to give back on failure.
HRESULT DeepCopy(const VARIANT& source, VARIANT* copy) {
    *copy = source;
    const VARTYPE type = source.vt;
    if (type & VT_BYREF) return S_OK;
    HRESULT hr = S_OK;
    if (type & VT_ARRAY) {
        hr = SafeArrayCopy(source.parray, &copy->parray);
    } else if (type == VT_RECORD) {
        hr = CopyRecord(source.pvRecord, source.pRecInfo, &copy->pvRecord);
        if (SUCCEEDED(hr) && copy->pRecInfo) copy->pRecInfo->AddRef();
    } else if (com::detail::IsOwningType(type)) {
        hr = com::detail::CopyValue(type, &source.byref, &copy->byref);
    }
    if (FAILED(hr)) VariantInit(copy);
    return hr;
}

// `copy` becomes a deep copy of the value a VT_BYREF variant points at.
HRESULT CopyReferencedValue(const VARIANT& source, VARIANT* copy) {
    VariantInit(copy);
    const VARTYPE type = source.vt & ~VT_BYREF;
    if (!source.byref) return E_INVALIDARG;
    if (type == VT_VARIANT) {
        // One level only: a reference to a reference to a variant is refused.
        if (source.pvarVal->vt == (VT_BYREF | VT_VARIANT)) return E_INVALIDARG;
        return VariantCopyInd(copy, source.pvarVal);
    }
    VARIANT value;
    VariantInit(&value);
    value.vt = type;
    if (type & VT_ARRAY) {
        value.parray = *source.pparray;
    } else if (type == VT_RECORD) {
        // A record by reference is laid out as one by value.
        value.pvRecord = source.pvRecord;
        value.pRecInfo = source.pRecInfo;
    } else if (type == VT_DECIMAL) {
        // A DECIMAL takes the whole variant on the platform; it has no place here.
        return DISP_E_BADVARTYPE;
    } else {
        std::memcpy(&value.byref, source.byref, ValueSize(type));
    }
    return DeepCopy(value, copy);
}

}  // namespace

void WINAPI VariantInit(VARIANTARG* variant) { std::memset(variant, 0, sizeof(VARIANT)); }

HRESULT WINAPI VariantClear(VARIANTARG* variant) {
    if (!variant) return E_INVALIDARG;
    const VARTYPE type = variant->vt;
    if (!com::detail::IsValidVariantType(type)) return DISP_E_BADVARTYPE;
    if (!(type & VT_BYREF)) {
        if (type & VT_ARRAY) {
            const HRESULT hr = SafeArrayDestroy(variant->parray);
            if (FAILED(hr)) return hr;
        } else if (type == VT_RECORD) {
            IRecordInfo* recordInfo = variant->pRecInfo;
            // Memory without a description could not be cleared: refuse rather than leak it quietly.
            if (variant->pvRecord && !recordInfo) return E_INVALIDARG;
            if (variant->pvRecord) {
                recordInfo->RecordClear(variant->pvRecord);
                CoTaskMemFree(variant->pvRecord);
            }
            if (recordInfo) recordInfo->Release();
        } else {
            const HRESULT hr = com::detail::ClearValue(type, &variant->byref);
            if (FAILED(hr)) return hr;
        }
    }
    VariantInit(variant);
    return S_OK;
}

HRESULT WINAPI VariantCopy(VARIANTARG* dest, const VARIANTARG* source) {
    if (!dest || !source) return E_INVALIDARG;
    if (!com::detail::IsValidVariantType(source->vt)) return DISP_E_BADVARTYPE;
    if (dest == source) return S_OK;
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) return hr;
    VARIANT copy;
    hr = DeepCopy(*source, &copy);
    if (FAILED(hr)) return hr;
    *dest = copy;
    return S_OK;
}

HRESULT WINAPI VariantCopyInd(VARIANT* dest, const VARIANTARG* source) {
    if (!dest || !source) return E_INVALIDARG;
    if (!com::detail::IsValidVariantType(source->vt)) return DISP_E_BADVARTYPE;
    if (!(source->vt & VT_BYREF)) return VariantCopy(dest, source);
    // Copied first: `dest` may be `source`, whose reference must survive the clear.
    VARIANT copy;
    HRESULT hr = CopyReferencedValue(*source, &copy);
    if (FAILED(hr)) return hr;
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    *dest = copy;
    return S_OK;
}
