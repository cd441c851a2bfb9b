// Values of one VARTYPE stored at an address, as array elements and record
// fields hold them. Record fields may sit at any offset (packed records), so
// every access goes through memcpy rather than a typed pointer.
#pragma once

#include "com/bstr.h"
#include "com/variant.h"

#include <cstring>

namespace com::detail {

template <class T>
T LoadValue(const void* place) {
    T value;
    std::memcpy(&value, place, sizeof(T));
    return value;
}

template <class T>
void StoreValue(void* place, const T& value) {
    std::memcpy(place, &value, sizeof(T));
}

// Bytes of one value: 0 for a type that cannot be stored (VT_EMPTY, VT_NULL,
// VT_RECORD, whose size its record information knows, and unknown types).
size_t ValueSize(VARTYPE type);
// A type tag a VARIANT may carry: a value type, VT_BYREF with a value type
// or VT_VARIANT, VT_ARRAY with an element type (with or without VT_BYREF).
bool IsValidVariantType(VARTYPE type);
// BSTR, VT_UNKNOWN, VT_DISPATCH, VT_VARIANT and VT_ARRAY with an element
// type (a SAFEARRAY pointer, as record fields hold one) own what they point at.
bool IsOwningType(VARTYPE type);

// A new BSTR with the same bytes; null stays null. E_OUTOFMEMORY.
HRESULT DuplicateBstr(BSTR source, BSTR* copy);
// Gives back what the value owns and leaves a null / VT_EMPTY value; plain
// values are left as they are. The first failure is returned (a VARIANT
// holding a locked array), and that value is left unchanged.
HRESULT ClearValue(VARTYPE type, void* place);
// Writes a deep copy of the value at `source` over `dest` (whose old content
// is not looked at); on failure `dest` holds a null / VT_EMPTY value.
HRESULT CopyValue(VARTYPE type, const void* source, void* dest);

}  // namespace com::detail
