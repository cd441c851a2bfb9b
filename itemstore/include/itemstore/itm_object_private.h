// The private access of the item server's own item objects: single
// properties by kind and the object's data record itself. Compare, Copy and
// Swap reach the other object's record through it; an object that does not
// give it is not one of this server's item objects.
#pragma once

#include "bellquist/records.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/types.h"

// The property numbers of PutProperty and GetProperty.
enum ItmPropertyKind : LONG {
    ItmProperty_ParentProjectID = 0,  // also the object id of a vault
    ItmProperty_Filename = 1,         // put renames (the path follows)
    ItmProperty_Result = 2,
    ItmProperty_LockedByName = 3,
    ItmProperty_LockedByID = 4,  // put only
    ItmProperty_AttachedVersion = 5,
    ItmProperty_LocalVersion = 6,
    ItmProperty_LinkOperation = 7,
    ItmProperty_LinkType = 8,    // put only
    ItmProperty_ObjectType = 9,  // put only
    ItmProperty_Path = 10,
    ItmProperty_Connection = 11,      // put only: VT_UI8 holding an IUnknown pointer
    ItmProperty_ParentObjectID = 12,  // put only
    ItmProperty_FolderPath = 13,      // the folder part of the path
    ItmProperty_IsDirty = 14,
};

struct IItmObjectPrivate : IUnknown {
    COM_INTERFACE_ID("5135A792-0628-4417-A6BD-B696F27EAC87");
    // A value of another type than the kind takes changes nothing and
    // succeeds; so does an unknown kind. E_POINTER without a record.
    virtual HRESULT STDMETHODCALLTYPE PutProperty(LONG kind, VARIANT value) = 0;
    // The out VARIANT is initialised first; VT_EMPTY for the kinds that are
    // put only and for unknown kinds. E_POINTER without a record.
    virtual HRESULT STDMETHODCALLTYPE GetProperty(LONG kind, VARIANT* value) = 0;
    // The object adopts `data` (no copy) and owns it from now on; the record
    // it held before is left to whoever took it through GetDataPtr (Swap).
    virtual HRESULT STDMETHODCALLTYPE SetDataPtr(BellquistLib::ItmObjectData* data) = 0;
    // The object's own record, not a copy.
    virtual HRESULT STDMETHODCALLTYPE GetDataPtr(BellquistLib::ItmObjectData** data) = 0;

protected:
    ~IItmObjectPrivate() = default;
};
