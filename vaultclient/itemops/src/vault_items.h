// The items of the vault as the item operations read them: an item's row,
// where it lies, and the files it links to at a chosen version. Reads run in
// the caller's transaction, if any; failures of the database raise a COM
// error (vennacle/database_failure.h).
#pragma once

#include "winapi/types.h"

#include <optional>
#include <string>
#include <vector>

namespace vaultdb {
class Database;
}

namespace itemops {

struct VaultItem {
    LONG id = 0;
    LONG folderId = 0;
    std::u16string name;        // "<name>.<item>"
    std::u16string folderPath;  // the vault path of its folder, "\<items>\A\"
    LONG latestVersion = 0;
    bool deleted = false;
    LONG stateId = 0;     // 0: none
    LONG lockUserId = 0;  // 0: not checked out
};

// The item `id`, deleted or not; none when the vault has no item of that id.
std::optional<VaultItem> FindItem(vaultdb::Database& database, LONG id);

// One file an item links to, at the version a get asks for.
struct LinkedFile {
    LONG id = 0;
    std::u16string name;
    std::u16string folderPath;  // "\Cad\"
    LONG latestVersion = 0;
    LONG version = 0;           // the version asked for
    bool versionFound = false;  // the vault has that version
    double modifiedUtc = 0;     // its stored time
    bool hasContents = false;   // it has an archive file
    LONG lockUserId = 0;        // 0: not checked out
    std::u16string lockViewGuid;
};

// The live files that item `itemId` links to (by any link type), each once,
// in folder path and name order, at `version` (0: each at its latest).
std::vector<LinkedFile> LinkedFiles(vaultdb::Database& database, LONG itemId, LONG version);

}  // namespace itemops
