// The changes of the item tree that the client library makes for the item
// server: a new item (service slot 10), a new item folder (folder interface
// slot 7), moves (service slot 9) and renames (service slot 11).
//
// Each runs in one transaction of the session's vault: all of it or, on any
// failure, nothing. Each checks the logged-in user's rights (user_rights.h,
// the meanings of bellquist/menu_info.h, as the explorer offers the
// commands) and logs what it changed in the objects' history. Names follow
// the vault's rules (vaultdb/vault_names.h); items are "<name>.<item>", and
// an item's name is unique in the vault, a folder's among its siblings,
// without regard to case. Failures raise a COM error:
// E_OXN_PERMISSION_DENIED without the rights, E_OXN_INVALID_NAME,
// E_OXN_PATH_TOO_LONG for a vault path over kMaxVaultPathLength,
// E_OXN_NAME_ALREADY_EXISTS, E_OXN_FOLDER_NOT_FOUND / E_OXN_FILE_NOT_FOUND /
// E_OXN_BOM_NOT_FOUND for objects the vault does not have (an item is a
// document), E_ITEM_INVALID_TARGET for a parent or destination that is not
// an item folder, E_ITEM_INVALID_SOURCE for an object the operation does not
// change, the database's failure.
#pragma once

#include "winapi/types.h"

#include <string>
#include <string_view>

struct SAFEARRAY;

namespace BellquistLib {
struct ItmObjectData;
}

namespace tavrosk {

class ClientSession;

// A new item in the item folder `parentId` (`parentType` 2, the vault's
// object carrying the root item folder's id, or 3): named after the next
// counter ("<counter>.<item>", its item number the counter's name; a counter
// whose name an item has taken already is passed over), at version 1,
// checked out to the user in the session's view. Needs UserRight_Create
// and UserRight_Write on the folder. Returns its record as the tree fetch
// fills it, under the parent as the caller named it: a 200-byte record from
// the task allocator that the caller clears (IRecordInfo::RecordClear) and
// frees (CoTaskMemFree). E_ITEM_INVALID_TARGET for another parent type.
BellquistLib::ItmObjectData* CreateNewItem(const ClientSession& session, LONG parentId, LONG parentType);

// A new item folder `name` below the item folder `parentId`. Needs
// UserRight_Create and UserRight_CreateFolders on the parent.
struct NewFolder {
    std::u16string name;  // as stored
    LONG id = 0;
};
NewFolder CreateNewItemFolder(const ClientSession& session, LONG parentId, std::u16string_view name);

// Moves the objects (SAFEARRAY(XRefRootObject); null or empty: nothing)
// into the item folder `destFolderId`, in order: items (Ot_Item, by
// mlDocumentID) and item folders (Ot_ItemFolder, by mlProjectID) with all
// they hold; an object in the destination already stays as it is. A move
// takes an object out of its folder and puts it into another: it needs the
// rights to delete it (UserRight_DeleteDocuments on an item,
// UserRight_DeleteFolders on a folder) and to make it in the destination
// (as a new item or item folder). E_OXN_CANT_MOVE_FOLDER_TO_SUBFOLDER for a
// folder moved into itself or below itself; E_OXN_LOCKED_BY_ANOTHER_USER
// for an item another user has checked out; E_ITEM_INVALID_SOURCE for other
// kinds of object and for the root item folder.
void MoveObjects(const ClientSession& session, SAFEARRAY* objects, LONG destFolderId);

// Renames the item folder (3), item (4) or BOM (7) `id`. An item's name is
// given with its extension (".<item>" is appended when it lacks it). Needs
// UserRight_Write on the object; an item another user has checked out
// (E_OXN_LOCKED_BY_ANOTHER_USER) or this user in another view
// (E_OXN_LOCKED_IN_OTHER_FOLDER) keeps its name. A folder's new name moves
// the vault paths of all it holds. The same name changes nothing; another
// case of it is a rename. E_ITEM_INVALID_SOURCE for other types and for the
// root item folder.
void RenameObject(const ClientSession& session, LONG id, LONG type, std::u16string_view newName);

}  // namespace tavrosk
