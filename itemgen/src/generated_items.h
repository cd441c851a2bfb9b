// What becomes of the rows item generation returns (ItemDbData: the new
// items and their links): records of the item cache, grouped as items with
// their children, and the ItmObjectData records handed to the caller.
#pragma once

#include "bellquist/records.h"
#include "common/lst.h"
#include "itemstore/item_cache_file_i.h"
#include "itemstore/item_object.h"
#include "common/ref_ptr.h"

#include <string_view>

struct ItemDbData;

namespace coravent {

// The cache record of a row: ids, type, parent project (the row's parent
// folder), attached version, modified date, configuration, file name, lock
// view, and the path "<root without trailing backslashes><row path><file
// name>". `asChild`: both link pairs take the row's link type and operation
// (else they stay -1).
RefPtr<ChildWithLink> goMakeCacheRecord(const ItemDbData& row, std::u16string_view rootPath, bool asChild);

// The pairs the cache takes: every item heading rows (rows whose parent is
// that item), with those rows as its children in list order; and every item
// of a vault or item folder that heads none, with an empty list. Rows of the
// vault's own type are never children; a later row of an item replaces an
// earlier one.
ItemTree goGroupGeneratedItems(const Lst<ItemDbData*>& rows, std::u16string_view rootPath);

// Fills the zeroed `record` from `row` (new BSTRs, the record's). Raises
// E_OUTOFMEMORY.
void gvMakeObjectData(const ItemDbData& row, BellquistLib::ItmObjectData& record);

}  // namespace coravent
