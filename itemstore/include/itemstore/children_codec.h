// An item's children list as stored in the item cache file: live count (4),
// record count n (4), then n item records (record_codec.h) in list order.
// BOM children (type 7) are never written. A child is live unless its
// current link operation is LinkOp_Remove (3) or LinkOp_Delete (4).
#pragma once

#include "itemstore/item_object.h"
#include "common/ref_ptr.h"

#include "storage/storage.h"

#include <cstdint>
#include <span>
#include <vector>

using ChildList = std::vector<RefPtr<ChildWithLink>>;

// True unless the current link operation is 3 or 4.
bool gbIsLiveChild(const ItemObject& child);

// Appends both counts and every non-BOM child to `bytes`. Null entries are
// skipped like BOM children.
void gvEncodeChildRecords(const ChildList& children, std::vector<uint8_t>& bytes);
// Appends the records of the list at the front of `bytes` to `children`
// until n records are decoded or one fails; that failure (E_OXN_IO_ERROR) is
// returned and the records decoded so far stay appended. Nothing is
// reserved from the stored count. Bytes after the list are ignored.
HRESULT ghDecodeChildRecords(std::span<const uint8_t> bytes, ChildList& children);

// Writes the list encoded as above with one Write: E_OXN_IO_ERROR when it
// fails or writes fewer bytes than asked.
HRESULT ghWriteChildRecords(ISequentialStream* stream, const ChildList& children);
// Reads the rest of the stream (in blocks until a read comes back short)
// and decodes it as above; a failed read is E_OXN_IO_ERROR, the records
// read before it appended. A cache stream
// is better read whole by its size (ghReadWholeStream, one Read) and
// decoded.
HRESULT ghReadChildRecords(ISequentialStream* stream, ChildList& children);
