// Exact-count reads and writes of little-endian words on a stream: a call
// that moves fewer bytes than asked counts as a failure.
#pragma once

#include "storage/storage.h"

#include <cstddef>
#include <cstdint>

bool gbWriteExactly(ISequentialStream* stream, const void* bytes, size_t count);
bool gbReadExactly(ISequentialStream* stream, void* bytes, size_t count);

bool gbWriteInt32(ISequentialStream* stream, int32_t value);
bool gbWriteUInt64(ISequentialStream* stream, uint64_t value);
bool gbReadInt32(ISequentialStream* stream, int32_t& value);
bool gbReadUInt32(ISequentialStream* stream, uint32_t& value);
bool gbReadUInt64(ISequentialStream* stream, uint64_t& value);
