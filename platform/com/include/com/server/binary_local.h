// State that every server library keeps for itself.
//
// The server helpers are header templates compiled into each server library
// (and into programs that make objects of their own). What must belong to
// one library - the count of its live objects and locks that decides when it
// may be unloaded - is declared with hidden visibility: each library gets its
// own copy, which the dynamic linker neither merges with another library's
// nor lets another library's code reach.
#pragma once

#include "winapi/types.h"

#include <atomic>

#define COM_LOCAL_TO_BINARY __attribute__((visibility("hidden")))

namespace com::detail {

// The lock count of the library (or program) being built: its live objects
// and its LockServer locks. ServerModule reads it to answer DllCanUnloadNow.
COM_LOCAL_TO_BINARY inline std::atomic<LONG> gModuleLockCount{0};

}  // namespace com::detail
