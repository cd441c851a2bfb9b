// Incrementing the revision of items: each item gets the next revision
// (vennacle::NextRevision of its current one) on a new version of its own,
// which carries its state and card values on, with a history row.
//
// The whole batch changes in one transaction: every item or, when one is
// refused or the database fails, none.
#pragma once

#include "winapi/types.h"

#include <string>
#include <vector>

namespace vaultdb {
class Database;
}

namespace itemops {

// An item's revision as it is and as the increment makes it.
struct PlannedRevision {
    LONG itemId = 0;
    std::u16string name;
    std::u16string revision;  // current; empty when it has none yet
    std::u16string next;
};

// What an increment of `itemIds` would do, for the live items among them,
// in the order given. Database failures raise a COM error.
std::vector<PlannedRevision> PlanRevisions(vaultdb::Database& database, const std::vector<LONG>& itemIds);

// An item after the increment.
struct RevisedItem {
    LONG itemId = 0;
    LONG version = 0;  // the new version that carries the revision
    std::u16string revision;
};

// Increments the revision of every item of `itemIds` as `userId` at `now`.
// Raises a COM error and changes nothing: E_OXN_FILE_NOT_FOUND for an id
// that is no item of the vault, E_OXN_FILE_DELETED for a deleted item,
// E_OXN_LOCKED_BY_ANOTHER_USER for an item checked out by another user, or
// the database's failure.
std::vector<RevisedItem> IncrementRevisions(vaultdb::Database& database, LONG userId, const std::vector<LONG>& itemIds,
                                            double now);

}  // namespace itemops
