// Fixed values of the compound-file format: sector ids with a special
// meaning, sizes and the element types a directory entry records.
#pragma once

#include <cstddef>
#include <cstdint>

namespace storage::format {

// Sector ids in the allocation tables. Every id up to kMaxRegularSector names
// a sector; the values above it mark what a table slot holds.
inline constexpr uint32_t kMaxRegularSector = 0xFFFFFFFAu;
inline constexpr uint32_t kDifatSector = 0xFFFFFFFCu;  // slot of a sector holding DIFAT entries
inline constexpr uint32_t kFatSector = 0xFFFFFFFDu;    // slot of a sector holding FAT entries
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFEu;
inline constexpr uint32_t kFreeSector = 0xFFFFFFFFu;

// Directory entry ids: up to kMaxRegularEntry name an entry.
inline constexpr uint32_t kMaxRegularEntry = 0xFFFFFFFAu;
inline constexpr uint32_t kNoEntry = 0xFFFFFFFFu;

inline constexpr size_t kHeaderSize = 512;
inline constexpr size_t kDirectoryEntrySize = 128;
inline constexpr size_t kMiniSectorSize = 64;
// Streams shorter than this live in the mini stream.
inline constexpr uint64_t kMiniStreamCutoff = 4096;
// FAT sector ids kept in the header itself; more are listed in DIFAT sectors.
inline constexpr size_t kHeaderDifatEntries = 109;
// Element names: at most 31 UTF-16 code units, stored with a terminator in 64 bytes.
inline constexpr size_t kMaxNameLength = 31;

inline constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Major versions: 3 with 512-byte sectors, 4 with 4096-byte sectors.
inline constexpr uint16_t kVersion3 = 3;
inline constexpr uint16_t kVersion4 = 4;

// The object type byte of a directory entry.
enum class ElementType : uint8_t {
    Unallocated = 0,
    Storage = 1,
    Stream = 2,
    Root = 5,
};

}  // namespace storage::format
