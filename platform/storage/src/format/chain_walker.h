// Following a sector chain through an allocation table, safely: every id is
// checked against the table and the file, and a bitmap of sectors already
// taken catches cycles and sectors that two chains share.
#pragma once

#include "format/allocation_table.h"
#include "winapi/types.h"

#include <cstdint>
#include <vector>

namespace storage::format {

class ChainWalker {
public:
    // `table` is followed; ids must be below `limit` (at most the table's size:
    // the number of sectors, or mini sectors, that exist). Not owned.
    ChainWalker(const AllocationTable& table, uint32_t limit);

    // Appends the chain beginning at `start` to *chain, up to its end of chain
    // mark, and marks its sectors taken. A start of kEndOfChain is an empty
    // chain. STG_E_DOCFILECORRUPT when an id is out of range or a special
    // value other than the end mark, or a sector is already taken (a cycle in
    // this chain, or a sector of another chain walked by this walker).
    // Cost: O(chain length).
    HRESULT Walk(uint32_t start, std::vector<uint32_t>* chain);

    // Marks one sector taken (the FAT and DIFAT sectors, which are not chained
    // through the FAT); STG_E_DOCFILECORRUPT when out of range or taken.
    HRESULT Take(uint32_t sector);

    // Which sectors below the limit are taken.
    const std::vector<bool>& Taken() const { return taken_; }

private:
    const AllocationTable& table_;
    uint32_t limit_;
    std::vector<bool> taken_;
};

}  // namespace storage::format
