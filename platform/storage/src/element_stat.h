// Filling the STATSTG record of an element.
#pragma once

#include "format/element.h"
#include "storage/storage.h"

#include <string_view>

namespace storage {

// The record of `element` with grfMode `mode`; the name (task memory, the
// caller's to free) is `name` unless `statFlag` is STATFLAG_NONAME.
// STG_E_INVALIDFLAG for another flag, E_OUTOFMEMORY when the name cannot
// be allocated.
HRESULT FillStat(const format::Element& element, std::u16string_view name, DWORD mode, DWORD statFlag, STATSTG* stat);

// A copy of `text` with a terminator in task memory; null when out of memory.
LPOLESTR TaskMemoryString(std::u16string_view text);

FILETIME ToFileTime(uint64_t time);
uint64_t FromFileTime(const FILETIME& time);

}  // namespace storage
