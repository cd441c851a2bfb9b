// The reading side of a loaded compound file: its descriptor and the sector
// chains of its streams, checked by the reader, through which the streams of
// a Tree read their unchanged bytes.
#pragma once

#include "format/file.h"
#include "winapi/types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace storage::format {

class SourceImage {
public:
    // `sectorShift`: 9 or 12.
    SourceImage(std::shared_ptr<const File> file, unsigned sectorShift);

    // The regular sectors of the mini stream, in order; set before any mini
    // stream is added, and again when the mini stream grows (its sectors
    // never move, so the streams added before read as they did).
    void SetMiniStreamSectors(std::vector<uint32_t> sectors) { miniStreamSectors_ = std::move(sectors); }

    // Records a checked chain (regular sectors, or mini sectors when `mini`)
    // and returns its stream index. Chains are kept for the image's life:
    // each commit adds those of the streams it wrote.
    uint32_t AddStream(bool mini, const std::vector<uint32_t>& chain);

    // Reads exactly `count` bytes at `offset` of stream `index`; the caller
    // keeps within the stream's size (which its chain covers). Adjacent
    // sectors are read in one call. Bytes past the end of a file whose last
    // sector is cut short read as zeros. STG_E_READFAULT on failure.
    HRESULT ReadStream(uint32_t index, uint64_t offset, void* buffer, size_t count) const;

    // Reads whole regular sectors `sectors` (in order) into `out`, which holds
    // sectors.size() sectors; for the reader's tables.
    HRESULT ReadSectors(const std::vector<uint32_t>& sectors, uint8_t* out) const;

private:
    struct Chain {
        size_t first;  // Index of its first sector in chainSectors_.
        size_t count;
        bool mini;
    };

    uint64_t SectorOffset(uint32_t sector) const { return (static_cast<uint64_t>(sector) + 1) << sectorShift_; }
    // File offset of the start of unit `position` (a sector or a mini sector) of a chain.
    uint64_t UnitOffset(const Chain& chain, size_t position) const;
    HRESULT ReadFile(uint64_t offset, uint8_t* out, size_t count) const;

    std::shared_ptr<const File> file_;
    unsigned sectorShift_;
    std::vector<uint32_t> miniStreamSectors_;
    std::vector<uint32_t> chainSectors_;  // Every stream's chain, back to back.
    std::vector<Chain> chains_;
};

}  // namespace storage::format
