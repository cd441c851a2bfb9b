// The fields of a directory entry that describe an element, written alike by
// the whole-file writer and by in-place commits.
#pragma once

#include "format/directory_entry.h"
#include "format/element.h"

namespace storage::format {

// Sets the name, the type and, for storages and the root, the CLSID, state
// bits and times of `entry` from `element`. Streams record zeros there and
// the root no creation time (the file's own time stands for it), as the
// format asks. Links, first sector and size are left as they are.
void DescribeElement(const Element& element, DirectoryEntry* entry);

}  // namespace storage::format
