// What the vault knows of local paths (file-info slot 3): the view holds
// each vault folder "\A\B\" at the same path below its root, and each
// document in the folder it lies in, so a path relative to the view names a
// vault folder or a document in one.
#pragma once

struct SAFEARRAY;

namespace vaultdb {
class Database;
}

namespace tavrosk {

// Fills each record of `records` (SAFEARRAY(ItmDbInfo); null: nothing) in
// place, in one read transaction. A record names a local folder
// (meItemType 5: moItemPath, with moItemName when given, is the folder's
// path relative to the view, "\" the root) or a local file (moItemName in
// the folder moItemPath). A folder the vault has gets its id as
// mlProjectID (mlDocumentID 0); a live document gets its id as
// mlDocumentID, its folder's as mlProjectID and its kind as meItemType (4
// an item, 6 a file). A path the vault does not know keeps ids 0 and its
// type: it is local only. Either separator is taken. Raises E_INVALIDARG for
// an array of another record, the database's failure.
void ResolvePaths(vaultdb::Database& database, SAFEARRAY* records);

}  // namespace tavrosk
