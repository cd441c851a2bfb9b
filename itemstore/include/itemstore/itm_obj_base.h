// ItmObjBase: the data part shared by the item server's item classes (item,
// item folder, file, BOM). It owns the object's ItmObjectData record (null
// until the first load) and carries the operations on it that the classes
// expose through IItmObject and IItmObjectPrivate. Every operation of an
// object that was never loaded fails instead of reading a missing record.
#pragma once

#include "bellquist/records.h"
#include "com/bstr.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/types.h"

class ItmObjBase {
public:
    ItmObjBase() = default;
    ItmObjBase(const ItmObjBase&) = delete;
    ItmObjBase& operator=(const ItmObjBase&) = delete;
    // Releases the record and everything it owns.
    virtual ~ItmObjBase();

    // A copy of the linked file name. E_POINTER without a record,
    // E_INVALIDARG for a null out.
    virtual HRESULT GetLinkedFileName(BSTR* linkedFile);
    // The flag word. Errors as GetLinkedFileName.
    virtual HRESULT GetItmObjectFlags(LONG* flags);
    // The path becomes `folderPath`, one "\" when it is non-empty and lacks
    // one, and the name. E_POINTER without a record, E_INVALIDARG for null.
    virtual HRESULT SetPathPartOnly(BSTR folderPath);

    // Replaces the record by one initialised with `load` and loaded from
    // `source`. E_OXN_NULL_VALUE for a null source; on failure the old record
    // stays.
    HRESULT Load(const BellquistLib::ItmObjectData* source, const BellquistLib::LoadItmObjectData* load);

    // The property groups that differ from `other` (an object with
    // IItmObjectPrivate), as a mask: 0x0002 type/id, 0x0004 parent,
    // 0x0008 name/path, 0x0010 link, 0x0020 parent project, 0x0040 attached
    // version, 0x0080 configuration, 0x0100 lock, 0x0200 state, 0x0400 date.
    // E_INVALIDARG for null arguments or without a record;
    // E_ITEM_INVALID_OBJECT when `other` is not an item object;
    // E_OXN_NOT_INITIALIZED when either record is incomplete (a never-loaded
    // other counts as incomplete).
    HRESULT Compare(IUnknown* other, LONG* mask);
    // Copies the groups of `mask` from `other` (0x0040 copies all three
    // versions); nothing when 0x0002 is set. Errors as Compare.
    HRESULT Copy(IUnknown* other, LONG mask);
    // Exchanges the records with `other`; with `excludeVersionSpecificFields`
    // the alternate name, the linked file name and the dirty flag stay with
    // their objects. E_OXN_NULL_VALUE for a null other; E_ITEM_INVALID_OBJECT
    // when `other` is not an item object or has no record; E_POINTER without a
    // record.
    HRESULT Swap(IUnknown* other, VARIANT_BOOL excludeVersionSpecificFields);

    // New task-memory records (the caller frees them with CoTaskMemFree).
    // E_POINTER for a null out or without a record; E_OUTOFMEMORY.
    HRESULT GetUniqueID(BellquistLib::ItmUniqueID** id);
    HRESULT GetItmLink(BellquistLib::ItmLink** link);
    HRESULT GetLinkData(BellquistLib::ItmLinkData** linkData);

    // IItmObjectPrivate's operations (see itemstore/itm_object_private.h).
    HRESULT PutProperty(LONG kind, VARIANT value);
    HRESULT GetProperty(LONG kind, VARIANT* value);
    // E_OXN_NULL_VALUE for null.
    HRESULT SetDataPtr(BellquistLib::ItmObjectData* data);
    // E_OXN_NULL_VALUE for a null out; E_POINTER (null out) without a record.
    HRESULT GetDataPtr(BellquistLib::ItmObjectData** data);

protected:
    BellquistLib::ItmObjectData* mpoData = nullptr;  // Owned; null before the first load.

private:
    HRESULT mhRename(BSTR newName);
};
