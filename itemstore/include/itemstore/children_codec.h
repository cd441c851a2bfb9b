// An item's children list as stored in the item cache file: live count (4),
// record count n (4), then n item records (record_codec.h) in list order.
// BOM children (type 7) are never written. A child is live unless its
// current link operation is LinkOp_Remove (3) or LinkOp_Delete (4).
#pragma once

#include "itemstore/item_object.h"
#include "itemstore/ref_ptr.h"

#include "storage/storage.h"

#include <vector>

using ChildList = std::vector<RefPtr<ChildWithLink>>;

// True unless the current link operation is 3 or 4.
bool gbIsLiveChild(const ItemObject& child);

// Writes both counts and every non-BOM child. The first failing write ends
// it with E_OXN_IO_ERROR. Null entries are skipped like BOM children.
HRESULT ghWriteChildRecords(ISequentialStream* stream, const ChildList& children);
// Appends the stored records to `children` until n records are read or one
// fails; that failure (E_OXN_IO_ERROR) is returned and the records read so
// far stay appended. Nothing is reserved from the stored count.
HRESULT ghReadChildRecords(ISequentialStream* stream, ChildList& children);
