// One 128-byte directory entry: an element's name, type, place in its
// storage's sibling tree, and its stream's first sector and size.
#pragma once

#include "format/constants.h"
#include "winapi/types.h"

#include <cstdint>
#include <string>

namespace storage::format {

enum class EntryColour : uint8_t { Red = 0, Black = 1 };

struct DirectoryEntry {
    char16_t nameUnits[32] = {};   // As stored, terminator included.
    uint16_t nameLengthBytes = 0;  // Terminator included: 2 x (units + 1).
    uint8_t type = 0;              // An ElementType value, or anything a damaged file holds.
    EntryColour colour = EntryColour::Black;
    uint32_t left = kNoEntry;
    uint32_t right = kNoEntry;
    uint32_t child = kNoEntry;
    GUID clsid{};
    uint32_t stateBits = 0;
    uint64_t creationTime = 0;
    uint64_t modifiedTime = 0;
    uint32_t startSector = 0;
    uint64_t size = 0;  // Only the low 32 bits count in version 3 files.

    // The name, when the length field describes one: even, 4 to 64 bytes (at
    // least one unit and the terminator), no terminator inside the name.
    bool DecodeName(std::u16string* name) const;
    // Sets the name units and length; `name` has at most 31 units.
    void SetName(std::u16string_view name);
};

// Fields as stored, without checks (an entry's fields matter only when the
// entry is reached through the directory tree).
void ParseDirectoryEntry(const uint8_t* bytes, DirectoryEntry* entry);
void SerializeDirectoryEntry(const DirectoryEntry& entry, uint8_t* bytes);

}  // namespace storage::format
