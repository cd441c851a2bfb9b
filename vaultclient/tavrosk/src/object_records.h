// The records the library hands out for the vault's objects: the tree
// fetch, the folder listing and the new item fill them alike, from the
// object as a VaultReader read it and the place it hangs in.
#pragma once

#include "common/record_array.h"
#include "winapi/types.h"

#include <vector>

namespace BellquistLib {
struct ItmObjectData;
}

namespace tavrosk {

struct VaultObject;
class VaultReader;

// An object under one parent, as one record reports it.
struct PlacedObject {
    const VaultObject* object;
    LONG parentId;
    LONG parentType;
    LONG linkType;
    LONG linkOperation;
    LONG attachedVersion;
};

// The object in the folder it lies in: under that item folder, link type 3
// (BOM, the link of folders and items), no link operation, at its latest
// version (a folder: its parent folder, version 0).
PlacedObject InItsFolder(const VaultObject& object);

// Fills the zeroed `record` from `placed`: the object's own fields, the
// parent fields and versions of its place, the time of the attached version
// (a folder: its creation time); the local version is left to the item
// server (-1). Raises E_OUTOFMEMORY when a string cannot be made.
void FillObjectRecord(BellquistLib::ItmObjectData& record, const PlacedObject& placed, VaultReader& reader);

// Makes `records` a new array (SAFEARRAY(ItmObjectData) of the library's
// type library) with one filled record per placed object, in order.
void MakeObjectRecords(RecordArray<BellquistLib::ItmObjectData>& records, const std::vector<PlacedObject>& placed,
                       VaultReader& reader);

}  // namespace tavrosk
