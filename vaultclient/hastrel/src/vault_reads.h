// What the cross-reference tree reads from the vault and the counter ids it
// reserves there: the documents its rows stand for, the references between
// them, their configurations, the items that link them already and the names
// of every item. Reads raise a failure of the vault database as a COM error
// with the database's text (vennacle/database_failure.h); the tree's COM
// methods catch it at their boundary.
#pragma once

#include "vennacle/counters.h"
#include "com/variant.h"
#include "winapi/types.h"

#include <optional>
#include <string>
#include <vector>

namespace vaultdb {
class Database;
}

namespace hastrel {

// A live file of the vault (documents of type 6 that are not deleted).
struct VaultDocument {
    LONG id = 0;
    LONG folderId = 0;
    std::u16string name;
    std::u16string folderPath;  // the vault path of its folder, "\A\B\"
    LONG latestVersion = 0;
    DATE modified = 0;  // of the latest version; 0 without versions
    LONG stateId = 0;
    std::u16string state;
    std::u16string alternateName;
    std::u16string domain;
    // The check-out, when there is one (lockedBy 0 otherwise).
    LONG lockedBy = 0;
    std::u16string lockedByName;
    std::u16string lockedPath;
    GUID lockViewId{};
};

struct VaultConfiguration {
    LONG id = 0;
    std::u16string name;
};

// One reference of a document to a live child. A configuration the child
// does not have keeps its name with id -1, as it stays on the generated
// link; no configuration is id -1 with an empty name.
struct VaultReference {
    LONG childId = 0;
    LONG childConfigId = -1;
    std::u16string childConfigName;
    bool isStatic = false;
};

// An existing item's file name ("<name>.<item>") and whether it has a
// dynamic link (a second one is refused, so a document can only join it
// statically).
struct VaultItemName {
    std::u16string name;
    bool hasDynamicLink = false;
};

class VaultReads {
public:
    explicit VaultReads(vaultdb::Database& database) : database_(database) {}

    // The live file `documentId`, or nothing.
    std::optional<VaultDocument> Document(LONG documentId);
    // The live files of a folder (not of its sub-folders), by name.
    std::vector<LONG> FolderDocuments(LONG folderId);
    // A document's configurations in the order they were made.
    std::vector<VaultConfiguration> Configurations(LONG documentId);
    // A document's references to live children in the order they were made;
    // a child referenced twice comes twice.
    std::vector<VaultReference> References(LONG documentId);

    // The file name of the item that links the document (in `configId`, -1
    // for none) already: an item linking that configuration before one
    // linking the document without a configuration, a dynamic link before a
    // static one, then the older link. Empty when no live item does.
    std::u16string LinkedItemName(LONG documentId, LONG configId);
    // Every live item's name, by name.
    std::vector<VaultItemName> ItemNames();

    // `count` counter ids reserved for new item names, in one transaction:
    // first those of `handedIn` that are still reserved (a tree built again
    // takes over its predecessor's), then new ones (vennacle::ReserveCounter,
    // as "Generate new ID" reserves them). Handed-in ids beyond `count` are
    // freed; spent or unknown ones are left alone.
    std::vector<vennacle::Counter> ReserveCounters(LONG count, const std::vector<LONG>& handedIn);
    // Frees reserved counter ids again; spent or unknown ones are left alone.
    void FreeCounters(const std::vector<LONG>& counterIds);

private:
    vaultdb::Database& database_;  // Not owned: the connection's.
};

}  // namespace hastrel
