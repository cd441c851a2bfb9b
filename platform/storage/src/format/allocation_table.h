// An allocation table: for each sector (the FAT) or mini sector (the mini
// FAT), the id of the next one in its chain or a special value. Both tables
// have the same form on disk: an array of 32-bit ids filling whole sectors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace storage::format {

class AllocationTable {
public:
    AllocationTable() = default;
    explicit AllocationTable(std::vector<uint32_t> entries) : entries_(std::move(entries)) {}

    // Decodes whole sectors of little-endian ids.
    static AllocationTable FromBytes(const uint8_t* bytes, size_t size);

    size_t Size() const { return entries_.size(); }
    // The slot of `id`; id < Size().
    uint32_t Next(uint32_t id) const { return entries_[id]; }
    void Set(uint32_t id, uint32_t next) { entries_[id] = next; }
    const std::vector<uint32_t>& Entries() const { return entries_; }
    // Hands the ids over, leaving the table empty.
    std::vector<uint32_t> TakeEntries() { return std::move(entries_); }

    // Encodes the ids, padded with free slots to `paddedSize` entries.
    void ToBytes(size_t paddedSize, uint8_t* out) const;

private:
    std::vector<uint32_t> entries_;
};

}  // namespace storage::format
