// VariantChangeType: conversions between the value types. Texts are
// written and read as value_text.h says.
#include "com/hresults.h"
#include "com/variant.h"
#include "typed_values.h"
#include "value_text.h"
#include "winapi/thread_locale.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

namespace {

using com::detail::FormatDate;
using com::detail::FormatInteger;
using com::detail::FormatReal;
using com::detail::Integer;
using com::detail::Number;
using com::detail::ParseDate;
using com::detail::ParseNumber;
using com::detail::ParseTruth;

struct IntegerType {
    VARTYPE type;
    Integer min;
    Integer max;
};

constexpr IntegerType kIntegerTypes[] = {
    {VT_I1, INT8_MIN, INT8_MAX},   {VT_UI1, 0, UINT8_MAX},  {VT_I2, INT16_MIN, INT16_MAX},  {VT_UI2, 0, UINT16_MAX},
    {VT_I4, INT32_MIN, INT32_MAX}, {VT_UI4, 0, UINT32_MAX}, {VT_INT, INT32_MIN, INT32_MAX}, {VT_UINT, 0, UINT32_MAX},
    {VT_I8, INT64_MIN, INT64_MAX}, {VT_UI8, 0, UINT64_MAX},
};

const IntegerType* FindIntegerType(VARTYPE type) {
    for (const IntegerType& candidate : kIntegerTypes) {
        if (candidate.type == type) return &candidate;
    }
    return nullptr;
}

// --- Reading the source --------------------------------------------------------

bool IsIntegerSource(VARTYPE type) { return FindIntegerType(type) != nullptr; }

Integer IntegerOf(const VARIANT& v) {
    switch (v.vt) {
    case VT_I1:
        return v.cVal;
    case VT_UI1:
        return v.bVal;
    case VT_I2:
        return v.iVal;
    case VT_UI2:
        return v.uiVal;
    case VT_I4:
        return v.lVal;
    case VT_UI4:
        return v.ulVal;
    case VT_INT:
        return v.intVal;
    case VT_UINT:
        return v.uintVal;
    case VT_I8:
        return v.llVal;
    case VT_UI8:
        return v.ullVal;
    default:
        return 0;
    }
}

// The source as a number; DISP_E_TYPEMISMATCH when it is none.
HRESULT NumberOf(const VARIANT& source, Number* number) {
    if (IsIntegerSource(source.vt)) {
        number->integer = IntegerOf(source);
        return S_OK;
    }
    number->isInteger = false;
    switch (source.vt) {
    case VT_EMPTY:
        number->isInteger = true;
        return S_OK;
    case VT_R4:
        number->real = source.fltVal;
        return S_OK;
    case VT_R8:
        number->real = source.dblVal;
        return S_OK;
    case VT_DATE:
        number->real = source.date;
        return S_OK;
    case VT_BOOL:
        number->isInteger = true;
        number->integer = source.boolVal ? -1 : 0;
        return S_OK;
    case VT_BSTR:
        return ParseNumber(source.bstrVal, number) ? S_OK : DISP_E_TYPEMISMATCH;
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

// --- Writing the target ----------------------------------------------------------

void StoreInteger(VARTYPE type, Integer value, VARIANT* result) {
    result->vt = type;
    switch (type) {
    case VT_I1:
        result->cVal = static_cast<CHAR>(value);
        break;
    case VT_UI1:
        result->bVal = static_cast<BYTE>(value);
        break;
    case VT_I2:
        result->iVal = static_cast<SHORT>(value);
        break;
    case VT_UI2:
        result->uiVal = static_cast<USHORT>(value);
        break;
    case VT_I4:
        result->lVal = static_cast<LONG>(value);
        break;
    case VT_UI4:
        result->ulVal = static_cast<ULONG>(value);
        break;
    case VT_INT:
        result->intVal = static_cast<INT>(value);
        break;
    case VT_UINT:
        result->uintVal = static_cast<UINT>(value);
        break;
    case VT_I8:
        result->llVal = static_cast<LONGLONG>(value);
        break;
    case VT_UI8:
        result->ullVal = static_cast<ULONGLONG>(value);
        break;
    default:
        break;
    }
}

HRESULT ToInteger(const VARIANT& source, const IntegerType& target, VARIANT* result) {
    // VARIANT_TRUE is all bits set, in unsigned types too.
    if (source.vt == VT_BOOL) {
        StoreInteger(target.type, source.boolVal ? (target.min < 0 ? Integer{-1} : target.max) : 0, result);
        return S_OK;
    }
    Number number;
    const HRESULT hr = NumberOf(source, &number);
    if (FAILED(hr)) return hr;
    Integer value = number.integer;
    if (!number.isInteger) {
        // Halves go to the even neighbour, as the platform rounds.
        const long double rounded = std::nearbyint(static_cast<long double>(number.real));
        if (!(rounded >= static_cast<long double>(target.min) && rounded <= static_cast<long double>(target.max))) {
            return DISP_E_OVERFLOW;
        }
        value = static_cast<Integer>(rounded);
    }
    if (value < target.min || value > target.max) return DISP_E_OVERFLOW;
    StoreInteger(target.type, value, result);
    return S_OK;
}

HRESULT ToReal(const VARIANT& source, VARTYPE type, VARIANT* result) {
    if (type == VT_DATE && source.vt == VT_BSTR) {
        DATE date = 0;
        if (!ParseDate(source.bstrVal, &date)) return DISP_E_TYPEMISMATCH;
        result->vt = VT_DATE;
        result->date = date;
        return S_OK;
    }
    Number number;
    const HRESULT hr = NumberOf(source, &number);
    if (FAILED(hr)) return hr;
    const double value = number.AsReal();
    if (std::isnan(value)) return DISP_E_OVERFLOW;
    result->vt = type;
    if (type == VT_R4) {
        if (std::fabs(value) > FLT_MAX) return DISP_E_OVERFLOW;
        result->fltVal = static_cast<float>(value);
    } else if (type == VT_R8) {
        if (std::isinf(value)) return DISP_E_OVERFLOW;
        result->dblVal = value;
    } else {
        // The first and last days of the calendar DATE covers (see ole_date.h).
        if (!(value > -657435.0 && value < 2958466.0)) return DISP_E_OVERFLOW;
        result->date = value;
    }
    return S_OK;
}

HRESULT ToBool(const VARIANT& source, VARIANT* result) {
    bool truth = false;
    if (source.vt != VT_BSTR || !ParseTruth(source.bstrVal, &truth)) {
        Number number;
        const HRESULT hr = NumberOf(source, &number);
        if (FAILED(hr)) return hr;
        truth = number.isInteger ? number.integer != 0 : number.real != 0.0;
    }
    result->vt = VT_BOOL;
    result->boolVal = truth ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT ToText(const VARIANT& source, USHORT flags, VARIANT* result) {
    std::u16string text;
    if (IsIntegerSource(source.vt)) {
        text = FormatInteger(IntegerOf(source));
    } else {
        switch (source.vt) {
        case VT_EMPTY:
            break;
        case VT_R4:
            text = FormatReal(source.fltVal, 7);
            break;
        case VT_R8:
            text = FormatReal(source.dblVal, 15);
            break;
        case VT_DATE:
            if (!FormatDate(source.date, &text)) return DISP_E_OVERFLOW;
            break;
        case VT_BOOL:
            if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)) {
                text = source.boolVal ? u"True" : u"False";
            } else {
                text = source.boolVal ? u"-1" : u"0";
            }
            break;
        default:
            return DISP_E_TYPEMISMATCH;
        }
    }
    BSTR bstr = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!bstr) return E_OUTOFMEMORY;
    result->vt = VT_BSTR;
    result->bstrVal = bstr;
    return S_OK;
}

HRESULT Convert(const VARIANT& source, USHORT flags, VARTYPE type, VARIANT* result) {
    if (type == VT_EMPTY) return S_OK;
    if (source.vt == type) return VariantCopy(result, &source);
    if (const IntegerType* integerType = FindIntegerType(type)) return ToInteger(source, *integerType, result);
    switch (type) {
    case VT_R4:
    case VT_R8:
    case VT_DATE:
        return ToReal(source, type, result);
    case VT_BOOL:
        return ToBool(source, result);
    case VT_BSTR:
        return ToText(source, flags, result);
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

}  // namespace

HRESULT WINAPI VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* source, LCID, USHORT flags, VARTYPE type) {
    if (!dest || !source) return E_INVALIDARG;
    if ((type & VT_BYREF) || !com::detail::IsValidVariantType(type)) return DISP_E_BADVARTYPE;
    // The value behind a reference is what is converted.
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = VariantCopyInd(&value, source);
    if (FAILED(hr)) return hr;
    VARIANT result;
    VariantInit(&result);
    hr = Convert(value, flags, type, &result);
    VariantClear(&value);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    *dest = result;
    return S_OK;
}

HRESULT WINAPI VariantChangeType(VARIANTARG* dest, const VARIANTARG* source, USHORT flags, VARTYPE type) {
    return VariantChangeTypeEx(dest, source, LOCALE_USER_DEFAULT, flags, type);
}
