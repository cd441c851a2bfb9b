// The folder listing of the client library (service slot 4): the children
// of one item folder, answered from the vault database.
#pragma once

#include "winapi/types.h"

struct SAFEARRAY;

namespace vaultdb {
class Database;
}

namespace tavrosk {

// Hands out the children of the item folder `folderId` (`folderType` 2, the
// vault, or 3, an item folder; the vault's object carries the root item
// folder's id) as SAFEARRAY(ItmObjectData): its sub-folders (type 3), then
// its live items (type 4), each by name, under the folder as the tree fetch
// reports them (parent type 3, link type 3, at the latest version, with the
// lock, its view GUID and whether it has children). Read in one
// transaction. Raises E_ITEM_INVALID_ITEM_TYPE for another folder type,
// E_OXN_FOLDER_NOT_FOUND for a folder the vault does not have and
// E_ITEM_INVALID_TARGET for a folder outside the item folders; nothing is
// handed out then.
void ListFolder(vaultdb::Database& database, LONG folderId, LONG folderType, SAFEARRAY** children);

}  // namespace tavrosk
