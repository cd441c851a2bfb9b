// A user's rights on one object of the vault (the MenuUserRight bits of
// bellquist/menu_info.h), as the vault's object_rights table grants them.
#pragma once

#include "winapi/types.h"

namespace vaultdb {
class Database;
}

namespace tavrosk {

// The rights of `userId` on the object (`type`, `id`): the object's own
// object_rights row; else the row of the nearest folder (object type 3) that
// holds it: the folder it lies in or one above it (a folder starts with
// itself; types 1 and 2 are folders too); else every right
// (BellquistLib::kAllUserRights). Types are ItmObjectType numbers: 3 folder,
// 4 item, 6 file, 7 BOM (a BOM lies in its own folder, else in its
// document's). An object the vault does not know inherits from no folder.
// Reads inside the caller's transaction when there is one; failures of the
// database raise a COM error.
ULONG UserRightsOn(vaultdb::Database& database, LONG userId, LONG type, LONG id);

}  // namespace tavrosk
