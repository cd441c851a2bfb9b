#include "format/chain_walker.h"

#include "format/constants.h"
#include "winapi/errors.h"

#include <algorithm>

namespace storage::format {

ChainWalker::ChainWalker(const AllocationTable& table, uint32_t limit)
    // Capped below the special values, so that none of them is ever an index.
    : table_(table),
      limit_(static_cast<uint32_t>(std::min<size_t>({limit, table.Size(), size_t{kMaxRegularSector} + 1}))),
      taken_(limit_, false) {}

HRESULT ChainWalker::Take(uint32_t sector) {
    if (sector >= taken_.size() || taken_[sector]) {
        return STG_E_DOCFILECORRUPT;
    }
    taken_[sector] = true;
    return S_OK;
}

HRESULT ChainWalker::Walk(uint32_t start, std::vector<uint32_t>* chain) {
    uint32_t sector = start;
    while (sector != kEndOfChain) {
        // Special values (free, FAT, DIFAT) and ids past the table or the file
        // are all at or above the limit.
        if (const HRESULT hr = Take(sector); FAILED(hr)) {
            return hr;
        }
        chain->push_back(sector);
        sector = table_.Next(sector);
    }
    return S_OK;
}

}  // namespace storage::format
