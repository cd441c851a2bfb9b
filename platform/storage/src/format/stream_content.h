// The bytes of one stream of a Tree: either still those of a stream of the
// file the tree was loaded from (read on demand, never copied until changed)
// or bytes held in memory.
#pragma once

#include "winapi/types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace storage::format {

class SourceImage;

// The largest stream the model holds: what a version 4 file can address
// (2^32 sectors of 4096 bytes). Version 3 files hold streams below 4 GiB.
inline constexpr uint64_t kMaxStreamSize = uint64_t{1} << 44;

class StreamContent {
public:
    // An empty stream held in memory.
    StreamContent() = default;
    // The stream `streamIndex` of `source`, `size` bytes long; used by the reader.
    StreamContent(std::shared_ptr<const SourceImage> source, uint32_t streamIndex, uint64_t size);

    uint64_t Size() const { return size_; }

    // Copies up to `count` bytes from `offset` into `buffer`; *read tells how
    // many (fewer only at the end of the stream; 0 at or past it). Cost: the
    // bytes asked for; unchanged content is read from the source file in as
    // few reads as its sectors allow. STG_E_READFAULT when that read fails.
    HRESULT Read(uint64_t offset, void* buffer, size_t count, size_t* read) const;

    // Writes `count` bytes at `offset`, growing the stream when they reach past
    // its end (a gap before `offset` reads as zeros). The first change of
    // unchanged content reads it whole into memory (cost: the stream's size).
    // STG_E_MEDIUMFULL when the end would pass kMaxStreamSize,
    // STG_E_INSUFFICIENTMEMORY when memory runs out, the source's read error;
    // the content is unchanged after a failure.
    HRESULT Write(uint64_t offset, const void* data, size_t count);

    // Cuts or extends the stream. Cutting keeps unchanged content unchanged
    // (nothing is read); extending adds zeros without allocating them.
    // STG_E_MEDIUMFULL beyond kMaxStreamSize.
    HRESULT SetSize(uint64_t size);

private:
    // Reads the source's bytes into bytes_ and forgets the source.
    HRESULT Materialize();

    std::shared_ptr<const SourceImage> source_;  // Shared with the tree's other streams; null once in memory.
    uint32_t sourceIndex_ = 0;
    // Bytes of the stream that are stored: the first storedSize_ bytes come from
    // the source (when set) or from bytes_; the rest up to size_ are zeros.
    uint64_t storedSize_ = 0;
    std::vector<uint8_t> bytes_;
    uint64_t size_ = 0;
};

}  // namespace storage::format
