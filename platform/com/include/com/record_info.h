// Records (user-defined types of a type library) and IRecordInfo, which
// initialises, clears and copies them field by field.
//
// There are no type-library files here: each type library registers the
// descriptions of its records with the runtime when it loads (the field
// names, offsets and types of every record), and GetRecordInfoFromGuids
// finds them by library, version and record GUID.
#pragma once

#include "com/bstr.h"
#include "com/dispatch.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/types.h"

#include <vector>

// PutField's flags.
#define INVOKE_PROPERTYPUT 0x4
#define INVOKE_PROPERTYPUTREF 0x8

struct IRecordInfo : IUnknown {
    COM_INTERFACE_ID("0000002F-0000-0000-C000-000000000046");
    // Zeroes a record.
    virtual HRESULT STDMETHODCALLTYPE RecordInit(PVOID record) = 0;
    // Gives back what the record's fields own (BSTRs, interfaces, VARIANTs,
    // nested records) and zeroes those fields.
    virtual HRESULT STDMETHODCALLTYPE RecordClear(PVOID record) = 0;
    // Writes a deep copy of `source` over `dest`, whose old content is not
    // looked at (a fresh or cleared record).
    virtual HRESULT STDMETHODCALLTYPE RecordCopy(PVOID source, PVOID dest) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGuid(GUID* guid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetName(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSize(ULONG* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(ITypeInfo** typeInfo) = 0;
    // A copy of the field as a VARIANT (a nested record as VT_RECORD, a fixed
    // array as a VT_ARRAY of its element type).
    virtual HRESULT STDMETHODCALLTYPE GetField(PVOID record, LPCOLESTR name, VARIANT* field) = 0;
    // The field by reference: VT_BYREF with the field's type, pointing into
    // the record (a fixed array: at its first element; a nested record:
    // VT_BYREF | VT_RECORD with its record information, which the variant
    // does not own). `fieldData`, when given, receives the field's address.
    virtual HRESULT STDMETHODCALLTYPE GetFieldNoCopy(PVOID record, LPCOLESTR name, VARIANT* field,
                                                     PVOID* fieldData) = 0;
    // Stores a copy of the value, converted to the field's type, and gives
    // back the field's old value.
    virtual HRESULT STDMETHODCALLTYPE PutField(ULONG flags, PVOID record, LPCOLESTR name, VARIANT* field) = 0;
    // Stores the value itself, of exactly the field's type: the record takes
    // over what the variant owned, and the caller must not clear it.
    virtual HRESULT STDMETHODCALLTYPE PutFieldNoCopy(ULONG flags, PVOID record, LPCOLESTR name, VARIANT* field) = 0;
    // With null names: the count. Otherwise up to *count new BSTRs.
    virtual HRESULT STDMETHODCALLTYPE GetFieldNames(ULONG* count, BSTR* names) = 0;
    virtual BOOL STDMETHODCALLTYPE IsMatchingType(IRecordInfo* other) = 0;
    // A new zeroed record, freed with RecordDestroy; null without memory.
    virtual PVOID STDMETHODCALLTYPE RecordCreate() = 0;
    virtual HRESULT STDMETHODCALLTYPE RecordCreateCopy(PVOID source, PVOID* copy) = 0;
    // RecordClear, then frees the memory of RecordCreate.
    virtual HRESULT STDMETHODCALLTYPE RecordDestroy(PVOID record) = 0;

protected:
    ~IRecordInfo() = default;
};
typedef IRecordInfo* LPRECORDINFO;

inline constexpr IID IID_IRecordInfo = IRecordInfo::kIid;

// The record information of `record` in the type library `library` of
// version major.minor (a registered library of the same major version and a
// minor version at least as high answers). TYPE_E_LIBNOTREGISTERED when no
// such library is registered, TYPE_E_ELEMENTNOTFOUND when it has no such
// record. The locale is not used.
HRESULT WINAPI GetRecordInfoFromGuids(REFGUID library, ULONG major, ULONG minor, LCID locale, REFGUID record,
                                      IRecordInfo** recordInfo);

namespace com {

// One field of a record. `type` is one of VT_I1, VT_UI1, VT_I2, VT_UI2,
// VT_I4, VT_UI4, VT_INT, VT_UINT, VT_ERROR, VT_I8, VT_UI8, VT_R4, VT_R8,
// VT_DATE, VT_BOOL (VARIANT_BOOL), VT_BSTR, VT_UNKNOWN, VT_DISPATCH,
// VT_VARIANT, or VT_RECORD (a nested record of the same library, named by
// `record`). VT_ARRAY with one of these element types is a SAFEARRAY(T)
// field: a SAFEARRAY pointer (or null) that the record owns - destroyed by
// RecordClear, copied whole by RecordCopy; for VT_ARRAY | VT_RECORD,
// `record` names the element record, which must be registered first. A
// plain type (not BSTR, interface, VARIANT, record or array) may have a
// fixed `count` > 1: an embedded array such as WCHAR[260] (VT_UI2, 260),
// copied as plain data.
struct RecordField {
    const char16_t* name;
    ULONG offset;
    VARTYPE type;
    ULONG count = 1;
    GUID record{};
};

// A record of a type library: its identity, its name, its size in bytes
// (with the library's packing), and its fields. Fields need no alignment:
// packed records (4-byte packing with 8-byte pointers) are read and written
// byte-wise.
struct RecordDescription {
    GUID library;
    WORD major;
    WORD minor;
    GUID record;
    const char16_t* name;
    ULONG size;
    std::vector<RecordField> fields;
};

// Registers a record description, replacing one of the same library,
// version and record GUID (record information already handed out keeps the
// description it was made from). A nested record must be registered first.
// A description that cannot be right (a field outside the record, two fields
// overlapping, a type not listed above, a nested record unknown or of
// another size, a field name given twice) throws std::invalid_argument naming the record and field.
void RegisterRecordDescription(const RecordDescription& description);
// Removes every record description of a library (all versions).
void UnregisterRecordDescriptions(REFGUID library);

}  // namespace com
