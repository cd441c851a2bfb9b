// SAFEARRAY: the Automation array, with its bounds, its element type, a lock
// count, and ownership of its elements (BSTRs, interfaces, VARIANTs and
// records are given back when the array is destroyed).
//
// Dimensions: SafeArrayCreate takes the bounds leftmost dimension first;
// rgsabound holds them in reverse (rgsabound[0] is the rightmost dimension,
// the one SafeArrayRedim changes). Dimension numbers (GetLBound, GetUBound)
// count from 1 for the leftmost; an index vector (GetElement, PutElement)
// gives the leftmost dimension's index first, and that index varies
// fastest in memory.
#pragma once

#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/types.h"

struct IRecordInfo;

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};
typedef SAFEARRAYBOUND* LPSAFEARRAYBOUND;

struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    PVOID pvData;
    // cDims entries: the descriptor is allocated with room for all of them.
    SAFEARRAYBOUND rgsabound[1];
};
typedef SAFEARRAY* LPSAFEARRAY;

#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_EMBEDDED 0x0004
#define FADF_FIXEDSIZE 0x0010
#define FADF_RECORD 0x0020
#define FADF_HAVEIID 0x0040
#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100
#define FADF_UNKNOWN 0x0200
#define FADF_DISPATCH 0x0400
#define FADF_VARIANT 0x0800

// Element types: VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_INT,
// VT_UINT, VT_I8, VT_UI8, VT_R4, VT_R8, VT_CY, VT_DATE, VT_DECIMAL,
// VT_ERROR, VT_BOOL, VT_BSTR, VT_UNKNOWN, VT_DISPATCH, VT_VARIANT, and
// VT_RECORD through SafeArrayCreateVectorEx. Elements start zeroed (null
// BSTRs and interfaces, VT_EMPTY variants, zeroed records). Null for another
// type, no dimension, or without memory.
SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE type, UINT dims, SAFEARRAYBOUND* bounds);
SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE type, LONG lowerBound, ULONG count);
// `extra` is the IRecordInfo* of VT_RECORD elements (required; the array
// keeps its own reference), or for VT_UNKNOWN and VT_DISPATCH an optional
// IID* of the elements' interface (SafeArrayGetIID). Ignored for other types.
SAFEARRAY* WINAPI SafeArrayCreateVectorEx(VARTYPE type, LONG lowerBound, ULONG count, PVOID extra);
// Gives back every element, the data, the record information and the
// descriptor. Null is S_OK; DISP_E_ARRAYISLOCKED while locked.
HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* array);

// The lock count keeps the data in place and the array alive: Destroy and
// Redim refuse a locked array. Unlocking an unlocked array is E_UNEXPECTED.
HRESULT WINAPI SafeArrayLock(SAFEARRAY* array);
HRESULT WINAPI SafeArrayUnlock(SAFEARRAY* array);
// Lock, and the data pointer; UnaccessData unlocks.
HRESULT WINAPI SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY* array);

UINT WINAPI SafeArrayGetDim(SAFEARRAY* array);
UINT WINAPI SafeArrayGetElemsize(SAFEARRAY* array);
// `dim` counts from 1 (leftmost); DISP_E_BADINDEX for another.
HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* lowerBound);
HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* upperBound);
// The element type, from the array's features: VT_RECORD, VT_UNKNOWN,
// VT_DISPATCH, or the type it was created with.
HRESULT WINAPI SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* type);
// The elements' interface id of a VT_UNKNOWN or VT_DISPATCH array;
// E_INVALIDARG for other arrays.
HRESULT WINAPI SafeArrayGetIID(SAFEARRAY* array, GUID* iid);
// The record information of a VT_RECORD array, AddRef'd for the caller;
// E_INVALIDARG for other arrays.
HRESULT WINAPI SafeArrayGetRecordInfo(SAFEARRAY* array, IRecordInfo** recordInfo);
// Replaces the record information of a VT_RECORD array (the array keeps its
// own reference to the new one and releases the old one).
HRESULT WINAPI SafeArraySetRecordInfo(SAFEARRAY* array, IRecordInfo* recordInfo);

// `value` is the element's value for VT_BSTR, VT_UNKNOWN and VT_DISPATCH
// (the BSTR or interface pointer itself), and points at it for every other
// type. The array keeps a copy: a BSTR duplicated, an interface AddRef'd, a
// VARIANT copied with VariantCopy, a record with RecordCopy; the old element
// is given back. DISP_E_BADINDEX for an index out of bounds.
HRESULT WINAPI SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value);
// Writes the caller's own copy of the element to `value` (a BSTR*,
// IUnknown**, VARIANT*, the record's memory, or the plain value's place);
// what `value` held before is overwritten, not given back.
HRESULT WINAPI SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value);
// Changes the rightmost dimension (rgsabound[0]); elements dropped by
// shrinking are given back, new ones start zeroed. DISP_E_ARRAYISLOCKED
// while locked.
HRESULT WINAPI SafeArrayRedim(SAFEARRAY* array, SAFEARRAYBOUND* newBound);
// A deep copy with the same type, bounds and features, unlocked. A null
// source gives a null copy and S_OK.
HRESULT WINAPI SafeArrayCopy(SAFEARRAY* source, SAFEARRAY** copy);
// Replaces the elements of `dest` by deep copies of those of `source`; both
// must have the same dimensions, bounds and element size (else E_INVALIDARG).
HRESULT WINAPI SafeArrayCopyData(SAFEARRAY* source, SAFEARRAY* dest);
