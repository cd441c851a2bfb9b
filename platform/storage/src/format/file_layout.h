// Where everything of a committed compound file lies: its tables, its
// directory, its chains, and which sectors, mini sectors and directory
// entries the committed content uses. The reader fills it; CommitInPlace
// (in_place_commit.h) writes a tree's changes into the space the committed
// content does not use and updates it.
#pragma once

#include "format/constants.h"
#include "format/directory_entry.h"
#include "format/header.h"
#include "format/source_image.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace storage::format {

// The first index at or after `from` that `used` does not mark (its size when
// all do): where the search for a free sector, mini sector or entry goes on.
inline uint32_t FirstUnused(const std::vector<bool>& used, uint32_t from) {
    while (from < used.size() && used[from]) {
        ++from;
    }
    return from;
}

struct FileLayout {
    Header header;
    std::vector<uint32_t> fat;                // Every FAT slot, whole sectors of them.
    std::vector<uint32_t> fatSectors;         // The FAT's own sectors, in order.
    std::vector<uint32_t> difatSectors;       // The DIFAT's sectors, in order.
    std::vector<uint32_t> miniFat;            // Every mini FAT slot.
    std::vector<uint32_t> miniFatSectors;     // The mini FAT's chain.
    std::vector<uint32_t> directorySectors;   // The directory's chain.
    std::vector<DirectoryEntry> entries;      // Every slot of the directory's sectors.
    std::vector<uint32_t> miniStreamSectors;  // The chain of the mini stream (the root's stream).
    uint64_t miniStreamSize = 0;              // As the root entry records it.

    // What the committed content uses. A sector past the end of a bitmap is
    // unused. Only unused sectors and mini sectors are written by a commit,
    // so the committed content stays whole until the header names the new
    // one. Entries are rewritten with their whole directory sector, so their
    // slots may be reused at once.
    std::vector<bool> sectorUsed;
    std::vector<bool> miniSectorUsed;  // Mini sectors that exist (start within the mini stream's size).
    std::vector<bool> entryUsed;       // Entries reached from the root, allocated or not.
    uint64_t usedSectorCount = 0;
    // Nothing below these is unused; where the next search for a free one starts.
    uint32_t firstFreeSector = 0;
    uint32_t firstFreeMiniSector = 0;
    uint32_t firstFreeEntry = 1;

    // The file's reading side, through which unchanged streams read their bytes.
    std::shared_ptr<SourceImage> image;

    uint32_t SectorSize() const { return header.SectorSize(); }
    // The stream size an entry records: version 3 writers may leave garbage in the high half.
    uint64_t StreamSize(const DirectoryEntry& entry) const {
        return header.majorVersion == kVersion3 ? (entry.size & 0xFFFFFFFFu) : entry.size;
    }
    // Sectors holding nothing the content uses, for deciding when a commit
    // should rather write a compact new file.
    uint64_t UnusedSectorCount() const { return sectorUsed.size() - usedSectorCount; }
};

}  // namespace storage::format
