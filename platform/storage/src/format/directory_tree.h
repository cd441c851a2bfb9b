// The sibling trees of the directory: each storage's children form a
// red-black tree through the entries' left and right links, ordered by
// CompareElementNames, with the storage's child link at its root.
#pragma once

#include "format/directory_entry.h"
#include "winapi/types.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace storage::format {

// Links of one sibling, as indexes into the sorted siblings (kNoEntry: none).
struct SiblingLinks {
    uint32_t left = kNoEntry;
    uint32_t right = kNoEntry;
    EntryColour colour = EntryColour::Black;
};

// Builds a valid red-black tree over `count` siblings sorted by name: a
// perfectly balanced search tree (each subtree's root is the middle of its
// range) in which every level but the last is full; the nodes of an
// incomplete last level are red and all others black, so every path from
// the root down passes the same number of black nodes and no red node has a
// red child. Fills *links (count entries) and returns the root's index
// (kNoEntry for no siblings). Cost: O(count), no recursion.
uint32_t BuildSiblingTree(uint32_t count, std::vector<SiblingLinks>* links);

// Visits every entry reachable from the root entry (entry 0) through child
// links and sibling links, calling visit(id, storageId) with the id of the
// storage (or root) whose children include it; a storage is visited before
// its children. The child links of streams and unallocated entries are not
// followed (they hold nothing in a well-formed file); sibling links are
// followed from every entry. Walked with an explicit stack: a degenerate tree
// of any depth costs memory, not stack. STG_E_DOCFILECORRUPT when entry 0
// is not the root, a link points past the entries, or an entry is reached a
// second time (a cycle, or an entry shared by two trees). The visitor's
// failure ends the walk with its code. Sibling order and colours are not
// checked. Cost: O(entries).
HRESULT WalkDirectory(const std::vector<DirectoryEntry>& entries,
                      const std::function<HRESULT(uint32_t id, uint32_t storageId)>& visit);

}  // namespace storage::format
