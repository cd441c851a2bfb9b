// The tree fetch of the client library (main slot 5), answered from the
// vault database:
// - every input object that the vault still has gives its own record, under
//   the parent the input names (meParentDocType not 0), else under its folder;
// - below it, down to the depth asked, one record per object and per parent
//   it hangs under: a folder's sub-folders and items, an item's files, BOMs
//   and child items (cut lists and links pending removal are not reported);
//   each object's children are read once, however often it hangs;
// - link types follow the link rules of the item server: folders, items and
//   BOMs hang by link type 3, files by 1 (dynamic) or 2 (static), at most one
//   dynamic file per item; every link is reported with operation 1 (none),
//   the vault's links being committed;
// - the deleted list names the input and cached objects the vault no longer
//   has, each once, destroyed when removed for good.
//
// Versions: a dynamically linked file is reported at its latest version (a
// dynamic link follows the file); the input objects, and with option bit 1
// (latest) and without bit 8 (respect versions) every child, at the latest
// version; otherwise a child at the version its link carries. An input
// object asked at a version it has (mlAttachedVersion 1..latest, without
// bit 1) keeps it. Bit 2 (not latest) and bit 4 (copy metadata) change
// nothing in what is read; the library keeps no state of its own between
// calls, so the refresh flag does not either.
#pragma once

#include "winapi/types.h"

struct SAFEARRAY;

namespace vaultdb {
class Database;
}

namespace tavrosk {

inline constexpr LONG kFetchLatest = 1;
inline constexpr LONG kFetchNotLatest = 2;
inline constexpr LONG kFetchCopyMetaData = 4;
inline constexpr LONG kFetchRespectVersions = 8;
inline constexpr LONG kFetchIdOnlyInput = 16;

struct FetchRequest {
    bool recursive = false;  // false: the input objects' direct children only
    LONG options = 0;
    LONG levels = 0;              // with recursive: levels below the input objects, 0 (or less) = all
    SAFEARRAY* input = nullptr;   // SAFEARRAY(ItmObjectData) or null (nothing)
    SAFEARRAY* cached = nullptr;  // SAFEARRAY(ItmObjectData) or null
};

// Reads the trees in one transaction of `database` and hands out the
// fetched list (SAFEARRAY(ItmObjectData)) and the deleted list
// (SAFEARRAY(DelOrDestroyed)), both arrays, empty when there is nothing.
// Failures raise a COM error (E_INVALIDARG for arrays of
// another record, the database's failure); nothing is handed out then.
void FetchTrees(vaultdb::Database& database, const FetchRequest& request, SAFEARRAY** fetched, SAFEARRAY** deleted);

}  // namespace tavrosk
