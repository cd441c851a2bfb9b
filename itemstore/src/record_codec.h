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

#include "stream_io.h"

#include "itemstore/item_object.h"
#include "common/ref_ptr.h"

#include "storage/storage.h"

#include <cstdint>
#include <vector>

inline constexpr int32_t kItemRecordVersion = 1;
// The fixed part of a record: everything but the two texts.
inline constexpr size_t kItemRecordFixedBytes = 60;
// The longest record: both texts filling their fields.
inline constexpr size_t kItemRecordMaxBytes = kItemRecordFixedBytes + 2 * kItemFileNameCapacity + 2 * kItemPathCapacity;

// Appends the record's bytes to `bytes`.
void gvEncodeItemRecord(const ItemObject& record, std::vector<uint8_t>& bytes);
// Decodes one record from the front of `in` into `record` (a freshly
// constructed one), taking exactly its bytes. A version below 1 ends the
// decode with S_OK after the version, the record keeping its constructor
// values. E_OXN_IO_ERROR when the bytes end early, and for a damaged record
// whose N or P is not an even count of 2 or more bytes that fits the field
// (file name 520 bytes, path 1040); the fields decoded before the failure
// are kept, the texts always NUL-terminated.
HRESULT ghDecodeItemRecord(ByteReader& in, ItemObject& record);
// Constructs an ItemObject into `record` and decodes one record into it.
HRESULT ghLoadItemRecord(ByteReader& in, RefPtr<ItemObject>& record);

// Writes `record` at the stream's position with one Write. E_OXN_IO_ERROR
// when the write fails or writes fewer bytes than asked.
HRESULT ghWriteItemRecord(ISequentialStream* stream, const ItemObject& record);
// Reads one record at the stream's position, as ghDecodeItemRecord decodes
// it, leaving the position after it: at most three Reads (the version, the
// text sizes, the rest). A short or failed read is E_OXN_IO_ERROR. Where
// the record is all the stream holds, read the stream whole
// (ghReadWholeStream) and decode it instead: one Read.
HRESULT ghReadItemRecord(ISequentialStream* stream, ItemObject& record);
// Constructs an ItemObject into `record` and reads one record into it.
HRESULT ghLoadItemRecord(ISequentialStream* stream, RefPtr<ItemObject>& record);
