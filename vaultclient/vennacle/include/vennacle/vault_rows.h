// Rows that more than one writer of the vault adds the same way: a new item
// (the item generation, the client library's new item) and a new folder
// (the folders of the stored-procedure layer, the client library's new item
// folder). Each runs inside the caller's transaction and raises its failures
// as _com_error; the caller checks names and rights first.
#pragma once

#include "com/variant.h"
#include "vennacle/counters.h"
#include "winapi/types.h"

#include <string>
#include <string_view>

namespace vaultdb {
class Database;
}

namespace vennacle {

struct NewItem {
    LONG mlFolderID = 0;          // the item folder it lies in
    std::u16string moFileName;    // "<name>.<item>"
    std::u16string moItemName;    // the name without the extension
    Counter moCounter;            // the counter its number comes from; id 0 for none
    LONG mlUserID = 0;            // its maker, who has it checked out
    std::u16string moViewGuid;    // the maker's view, "{...}"
    std::u16string moComputer;    // the maker's computer
    std::u16string moLockedPath;  // where the view keeps it
    DATE mdNow = 0;
};

// Adds the item at version 1 with its item row (item number = the counter's
// name, empty without one), spends its counter, checks it out to its maker in
// the maker's view and logs the addition in its history. Returns its id.
// E_OXN_NAME_ALREADY_EXISTS when a live item of that name is in the vault,
// or a live document of that name in its folder.
LONG InsertNewItem(vaultdb::Database& database, const NewItem& item);

// Adds the folder `name` below the folder `parentId` made by `userId` (0:
// nobody named) at `now`, the root item folder when it is "\<items>\" below
// the root; returns its id. E_OXN_FOLDER_NOT_FOUND for an unknown parent;
// E_OXN_NAME_ALREADY_EXISTS when the parent holds a folder of that name.
LONG InsertFolder(vaultdb::Database& database, LONG parentId, std::u16string_view name, LONG userId, DATE now);

}  // namespace vennacle
