// Value helpers of the 16-byte identity record ItmUniqueID: keys of the link
// tables, their equality, their order and their hash.
#pragma once

#include "bellquist/records.h"
#include "winapi/types.h"

#include <cstddef>
#include <unordered_set>

namespace BellquistLib {
struct IItmObject;
}

// The key of a link: the parent id is kept only for files (6) and BOMs (7),
// whose identity includes the item they hang under; 0 for every other kind.
BellquistLib::ItmUniqueID goMakeUniqueID(BellquistLib::ItmObjectType type, LONG objectID, LONG parentID, LONG configID);
BellquistLib::ItmUniqueID goMakeLinkKey(const BellquistLib::ItmLink& link);
BellquistLib::ItmUniqueID goMakeLinkKey(const BellquistLib::ItmUniqueID& id);

// The identity of `object` read through its properties: ID and Type; for a
// file or BOM also its ConfigID (through IItmFile / IItmBOM) and ParentID,
// else parent 0 and configuration -1. False, with `id` untouched, when a
// read fails, an interface is missing or an argument is null.
bool gbReadUniqueIDOf(BellquistLib::IItmObject* object, BellquistLib::ItmUniqueID* id);
// As gbReadUniqueIDOf; the initial value (gvInitUniqueID) when that fails.
BellquistLib::ItmUniqueID goGetUniqueIDOf(BellquistLib::IItmObject* object);

// Type 0, id 0, parent 0, configuration -1.
void gvInitUniqueID(BellquistLib::ItmUniqueID* id);

// All 16 bytes equal.
bool gbEqualUniqueID(const BellquistLib::ItmUniqueID& left, const BellquistLib::ItmUniqueID& right);
// The bytes compared as memcmp does (each field little-endian), not the
// numbers: the order of every link table, and so of every list of links.
bool gbUniqueIDLess(const BellquistLib::ItmUniqueID& left, const BellquistLib::ItmUniqueID& right);

struct UniqueIDBytesLess {
    bool operator()(const BellquistLib::ItmUniqueID& left, const BellquistLib::ItmUniqueID& right) const {
        return gbUniqueIDLess(left, right);
    }
};
struct UniqueIDBytesEqual {
    bool operator()(const BellquistLib::ItmUniqueID& left, const BellquistLib::ItmUniqueID& right) const {
        return gbEqualUniqueID(left, right);
    }
};
// A hash of the 16 bytes, consistent with gbEqualUniqueID.
struct UniqueIDBytesHash {
    size_t operator()(const BellquistLib::ItmUniqueID& id) const;
};

// Identities already met, when a list of n records must not repeat one:
// constant time per look-up where a scan of the list would make it n.
using UniqueIDSet = std::unordered_set<BellquistLib::ItmUniqueID, UniqueIDBytesHash, UniqueIDBytesEqual>;
