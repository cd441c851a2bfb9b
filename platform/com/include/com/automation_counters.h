// Counters of live Automation allocations, for tests: each is the number of
// allocations minus the number of frees, process wide, so a test that takes
// the value before and after its work proves it leaked nothing and freed
// nothing twice.
#pragma once

#include <cstdint>

namespace com::testing {

// BSTRs allocated by SysAlloc*/SysReAlloc* and not yet freed.
int64_t LiveBstrCount();
// SAFEARRAY descriptors created and not yet destroyed.
int64_t LiveSafeArrayCount();

}  // namespace com::testing
