// VARIANT: the Automation value with a type tag, and the functions that
// clear, copy and convert it.
//
// The layout is the platform's: a 16-bit type, three reserved words and a
// 16-byte union, 24 bytes on a 64-bit machine. The union is anonymous, so
// the members are reached directly (v.vt, v.lVal, v.bstrVal, v.pvRecord).
//
// Ownership: a VARIANT owns its BSTR, its interface reference, its SAFEARRAY
// and its record (memory and one reference on the record's IRecordInfo);
// VariantClear gives them back. A VT_BYREF variant owns nothing.
#pragma once

#include "com/bstr.h"
#include "com/unknown.h"
#include "winapi/types.h"

struct IDispatch;
struct IRecordInfo;
struct SAFEARRAY;

typedef unsigned short VARTYPE;
typedef short VARIANT_BOOL;
typedef LONG SCODE;
// Days since 1899-12-30 (see com/ole_date.h).
typedef double DATE;

#define VARIANT_TRUE (static_cast<VARIANT_BOOL>(-1))
#define VARIANT_FALSE (static_cast<VARIANT_BOOL>(0))

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_RECORD = 36,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_RESERVED = 0x8000,
    VT_TYPEMASK = 0x0FFF,
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        LONGLONG* pllVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        PVOID byref;
        CHAR* pcVal;
        USHORT* puiVal;
        ULONG* pulVal;
        ULONGLONG* pullVal;
        INT* pintVal;
        UINT* puintVal;
        // VT_RECORD: the record's memory and its description.
        struct {
            PVOID pvRecord;
            IRecordInfo* pRecInfo;
        };
    };
};
static_assert(sizeof(VARIANT) == 8 + 2 * sizeof(void*), "VARIANT has the platform's layout");

typedef VARIANT VARIANTARG;
typedef VARIANT* LPVARIANT;
typedef VARIANT* LPVARIANTARG;

#define V_VT(v) ((v)->vt)
#define V_ISBYREF(v) (((v)->vt & VT_BYREF) != 0)
#define V_ISARRAY(v) (((v)->vt & VT_ARRAY) != 0)
#define V_I4(v) ((v)->lVal)
#define V_I8(v) ((v)->llVal)
#define V_UI8(v) ((v)->ullVal)
#define V_R8(v) ((v)->dblVal)
#define V_BOOL(v) ((v)->boolVal)
#define V_DATE(v) ((v)->date)
#define V_BSTR(v) ((v)->bstrVal)
#define V_UNKNOWN(v) ((v)->punkVal)
#define V_DISPATCH(v) ((v)->pdispVal)
#define V_ARRAY(v) ((v)->parray)
#define V_RECORD(v) ((v)->pvRecord)
#define V_RECORDINFO(v) ((v)->pRecInfo)

// Flags of VariantChangeType(Ex).
#define VARIANT_NOVALUEPROP 0x01
// VT_BOOL to VT_BSTR gives "True"/"False" instead of "-1"/"0".
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_LOCALBOOL 0x10

// Makes the variant VT_EMPTY without looking at its old content.
void WINAPI VariantInit(VARIANTARG* variant);
// Gives back what the variant owns (frees its BSTR, releases its interface,
// destroys its array, clears its record through IRecordInfo::RecordClear,
// frees the record memory and releases the IRecordInfo) and makes it
// VT_EMPTY. E_INVALIDARG for null, DISP_E_BADVARTYPE for an unknown type,
// DISP_E_ARRAYISLOCKED for a locked array; the variant is unchanged then.
HRESULT WINAPI VariantClear(VARIANTARG* variant);
// Clears `dest`, then makes it a deep copy of `source`: BSTRs duplicated,
// interfaces AddRef'd, arrays copied with SafeArrayCopy, records copied with
// IRecordInfo::RecordCopy into new memory. A VT_BYREF source copies the
// pointer only. On failure `dest` is VT_EMPTY.
HRESULT WINAPI VariantCopy(VARIANTARG* dest, const VARIANTARG* source);
// As VariantCopy, but a VT_BYREF source gives a deep copy of the value it
// points at (type without VT_BYREF). `dest` may be `source`.
HRESULT WINAPI VariantCopyInd(VARIANT* dest, const VARIANTARG* source);
// Converts `source` (dereferenced when VT_BYREF) to `type`; on success
// `dest`, which may be `source`, is cleared and takes the result. Numbers are formatted and
// parsed as in US English whatever the locale: "-12", "1.5", "1.5E+20",
// dates "12/31/1999 11:59:59 PM". Supported: VT_EMPTY, the integer types,
// VT_R4, VT_R8, VT_DATE, VT_BOOL and VT_BSTR to each other; any type to
// itself and to VT_EMPTY. Reals become integers rounded half to even;
// VARIANT_TRUE becomes -1, or all bits set in an unsigned type; VT_BOOL
// becomes "-1"/"0" ("True"/"False" with VARIANT_ALPHABOOL or
// VARIANT_LOCALBOOL); text becomes VT_BOOL from "True"/"False" or a number.
// DISP_E_OVERFLOW when the value does not fit, DISP_E_TYPEMISMATCH
// for a pair not supported or text that is not a value, DISP_E_BADVARTYPE
// for an unknown type. On failure `dest` is unchanged.
HRESULT WINAPI VariantChangeType(VARIANTARG* dest, const VARIANTARG* source, USHORT flags, VARTYPE type);
// The locale is accepted and the US English forms used.
HRESULT WINAPI VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* source, LCID locale, USHORT flags, VARTYPE type);
