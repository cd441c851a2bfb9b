// Reading the vault's objects as the client library reports them: folders,
// items, files and BOMs with their versions, lock, state and children. One
// reader serves one operation inside one read transaction of the caller; it
// prepares each statement once and keeps the objects it has read.
//
// Paths: an object's path is the vault folder path "\A\B\" it lies in (a
// folder's path is its own), which is the folder below the view root where
// the item server keeps its local copy.
#pragma once

#include "com/variant.h"
#include "vennacle/database_failure.h"
#include "winapi/types.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace vaultdb {
class Database;
class Statement;
}  // namespace vaultdb

namespace tavrosk {

// The client library raises the failures of the vault database as the other
// vault-client writers do.
using vennacle::CheckDatabase;
using vennacle::NextRow;
using vennacle::PrepareStatement;

// Whether objects of the ItmObjectType `type` are folders: the root item
// folder (1), the vault (2) and item folders (3), all rows of the folders
// table.
bool IsFolderType(LONG type);

// The vault path of the root item folder; item folders are it and the
// folders below it.
inline constexpr char16_t kItemsFolderPath[] = u"\\<items>\\";
// One object of the vault, without its place under a parent.
struct VaultObject {
    LONG type = 0;  // ItmObjectType: 3 folder, 4 item, 6 file, 7 BOM
    LONG id = 0;
    LONG parentProjectId = 0;  // the folder it lies in (a folder: its parent)
    LONG configId = -1;
    std::u16string configName;
    LONG latestVersion = 0;
    std::u16string name;
    std::u16string path;
    LONG flags = 0;
    std::u16string linkedFile;
    std::u16string alternateName;
    std::u16string domain;
    LONG stateId = 0;
    std::u16string state;
    bool isCutlist = false;
    bool hasChildren = false;
    DATE created = 0;
    // The check-out, when there is one.
    LONG lockedBy = 0;
    std::u16string lockedByName;
    std::u16string lockedPath;
    GUID lockViewId{};
    // An item's dynamically linked file at its latest version, else -1.
    LONG dynamicFileVersion = -1;
};

// Whether the folder (a folder object) is an item folder.
bool IsItemFolder(const VaultObject& folder);

// One link of an item to a child, as the vault stores it.
struct VaultLink {
    LONG childType = 0;
    LONG childId = 0;
    LONG childConfigId = -1;
    LONG linkType = 0;
    LONG attachedVersion = 0;
};

// What the vault knows of a deleted or missing object.
struct DeletionState {
    bool gone = false;       // not (or no longer) in the vault
    bool destroyed = false;  // removed for good, not only deleted
};

class VaultReader {
public:
    explicit VaultReader(vaultdb::Database& database);
    ~VaultReader();
    VaultReader(const VaultReader&) = delete;
    VaultReader& operator=(const VaultReader&) = delete;

    // The object, or nothing when the vault has no live object of that type
    // and id. A folder is read for types 1, 2 and 3 (reported as `type`); a
    // file with the configuration `configId` unless it is -1 or not one of
    // the file's (a BOM carries its own). Failures of the database raise a
    // COM error. The object lives as long as the reader.
    const VaultObject* Find(LONG type, LONG id, LONG configId = -1);
    // A live item by its file name (case-insensitive), or nothing.
    const VaultObject* FindItemByName(std::u16string_view name);

    // The item's links to live children in the order they were made. Links
    // pending removal (operation 3 or 4) are not links any more.
    std::vector<VaultLink> ItemLinks(LONG itemId);
    // The sub-folders and then the live items of a folder, by name.
    std::vector<LONG> SubFolders(LONG folderId);
    std::vector<LONG> FolderItems(LONG folderId);

    // The time of a version of a document (0 when it has none).
    DATE VersionTime(LONG documentId, LONG version);
    // The versions of a file with their times, oldest first.
    std::vector<std::pair<LONG, DATE>> FileVersionTimes(LONG documentId);
    // The item's dynamic link: the file and its configuration.
    std::optional<VaultLink> DynamicLink(LONG itemId);

    // Whether the object is gone, and whether for good.
    DeletionState Deletion(LONG type, LONG id);

private:
    vaultdb::Statement& Prepared(int which, const char* sql);
    void ReadFolder(LONG id, VaultObject& folder, bool& found);
    void ReadDocument(LONG id, LONG wantedType, VaultObject& document, bool& found);
    void ReadBom(LONG id, VaultObject& bom, bool& found);
    void ReadLock(VaultObject& document);

    vaultdb::Database& database_;  // not owned
    std::vector<std::unique_ptr<vaultdb::Statement>> statements_;
    // Objects read so far (nullopt: not in the vault), by type, id, config.
    std::map<std::tuple<LONG, LONG, LONG>, std::optional<VaultObject>> objects_;
};

}  // namespace tavrosk
