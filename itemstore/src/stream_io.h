// Bytes of the item cache's streams: exact-count reads and writes on a
// stream (a call that moves fewer bytes than asked counts as a failure), a
// stream read whole in one call, and the little-endian words of the
// records, appended to a buffer or taken from one.
//
// The records are encoded in memory and written with one Write, and read
// with one Read and decoded from memory: every call on a cache stream is a
// call into the storage layer (for an unchanged stream a read of the file).
#pragma once

#include "storage/storage.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

bool gbWriteExactly(ISequentialStream* stream, const void* bytes, size_t count);
bool gbReadExactly(ISequentialStream* stream, void* bytes, size_t count);

bool gbReadUInt32(ISequentialStream* stream, uint32_t& value);

// Replaces `bytes` with the stream's content from its position on: one Stat
// and one Read of the stream's size. E_OXN_IO_ERROR when either fails;
// fewer bytes than the size (the position was not at the start) is no
// failure. E_OUTOFMEMORY when the buffer cannot grow.
HRESULT ghReadWholeStream(IStream* stream, std::vector<uint8_t>& bytes);
// The same for a stream without Stat: reads in growing blocks until a read
// comes back short. After a failed read `bytes` holds what the reads before
// it gave.
HRESULT ghReadRestOfStream(ISequentialStream* stream, std::vector<uint8_t>& bytes);

void gvAppendInt32(std::vector<uint8_t>& bytes, int32_t value);
void gvAppendUInt64(std::vector<uint8_t>& bytes, uint64_t value);

// Takes words and byte runs from the front of a span; a take that finds too
// few bytes takes nothing and answers false.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : rest_(bytes) {}

    bool mbTake(void* target, size_t count);
    // The next `count` bytes, without copying.
    bool mbTakeView(size_t count, std::span<const uint8_t>& view);
    bool mbTakeUInt32(uint32_t& value);
    bool mbTakeInt32(int32_t& value);
    bool mbTakeUInt64(uint64_t& value);

    size_t mRemaining() const { return rest_.size(); }

private:
    std::span<const uint8_t> rest_;
};
