#include "format/allocation_table.h"

#include "format/constants.h"
#include "format/endian.h"

namespace storage::format {

AllocationTable AllocationTable::FromBytes(const uint8_t* bytes, size_t size) {
    std::vector<uint32_t> entries(size / 4);
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i] = Load32(bytes + 4 * i);
    }
    return AllocationTable(std::move(entries));
}

void AllocationTable::ToBytes(size_t paddedSize, uint8_t* out) const {
    for (size_t i = 0; i < paddedSize; ++i) {
        Store32(out + 4 * i, i < entries_.size() ? entries_[i] : kFreeSector);
    }
}

}  // namespace storage::format
