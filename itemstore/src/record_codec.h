// The item record as stored in the item cache file (little-endian):
//   0 version (1) | 4 N | 8 P | 12 object id | 16 parent project id |
//   20 attached version | 24 config id | 28 object type | 32 DATE (8) |
//   40 file name (N bytes, UTF-16LE + NUL) | 40+N path (P bytes) |
//   40+N+P dirty | then current link type, current link operation,
//   initial link type, initial link operation (4 each).
// N and P are 2 x (characters + 1). A record is 60 + N + P bytes; a stream
// may hold more (records are overwritten in place) and readers ignore it.
// The lock-view GUID is never stored.
#pragma once

#include "itemstore/item_object.h"
#include "itemstore/ref_ptr.h"

#include "storage/storage.h"

inline constexpr int32_t kItemRecordVersion = 1;
// The fixed part of a record: everything but the two texts.
inline constexpr size_t kItemRecordFixedBytes = 60;

// Writes `record` at the stream's position. E_OXN_IO_ERROR when a write fails
// or writes fewer bytes than asked.
HRESULT ghWriteItemRecord(ISequentialStream* stream, const ItemObject& record);
// Reads one record into `record` (a freshly constructed one). A version
// below 1 ends the read with S_OK, the record keeping its constructor
// values. E_OXN_IO_ERROR for a short or failed read, and for a damaged
// record whose N or P is not an even count of 2 or more bytes that fits the
// field (file name 520 bytes, path 1040); the fields read before the
// failure are kept, the texts always NUL-terminated.
HRESULT ghReadItemRecord(ISequentialStream* stream, ItemObject& record);
// Constructs an ItemObject into `record` and reads one record into it.
HRESULT ghLoadItemRecord(ISequentialStream* stream, RefPtr<ItemObject>& record);
