// Building an ItemDbData as one task-memory block: the record, then the
// texts its strings borrow, so CoTaskMemFree of the record frees it all.
#pragma once

#include "vennacle/item_db_data.h"

#include <string>

namespace vennacle {

struct ItemDbTexts {
    std::u16string filename;
    std::u16string path;
    std::u16string configName;
    std::u16string lockedBy;
    std::u16string lockedPath;
    std::u16string state;
    std::u16string domain;
    std::u16string alternateName;
};

// A new record with these texts and every other field at its default.
// Throws std::bad_alloc without memory.
ItemDbData* NewItemDbData(const ItemDbTexts& texts);

}  // namespace vennacle
