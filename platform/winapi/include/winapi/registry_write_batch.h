// Gathers the registry writes of the calling thread, so that each hive they
// change is rewritten once instead of once per change: a registration sets
// hundreds of values, and each rewrite of a hive saves the whole file and
// flushes it.
//
// While a batch lives on a thread, the thread's Reg* calls behave as they
// always do - the same checks, results and error codes - but their changes
// go to the batch's copies of the hives, which the thread's own reads see
// and nobody else does yet. The hives stay locked for writing (the machine's
// first, then the user's) until the batch ends, when each changed hive is
// written once. Other processes and threads wait for those locks to change
// or to read afresh a hive; what they held before stays readable.
//
// Batches nest: an inner one joins the outer, and only the outermost end
// writes. A thread in a batch must not wait for another thread that writes
// or reads afresh the same hives.
#pragma once

#include "winapi/types.h"

#include <cstdint>

namespace winapi {

class RegistryWriteBatch {
public:
    RegistryWriteBatch();
    // Ends the batch as Finish() does when that was not called; a failure to
    // write is then lost.
    ~RegistryWriteBatch();
    RegistryWriteBatch(const RegistryWriteBatch&) = delete;
    RegistryWriteBatch& operator=(const RegistryWriteBatch&) = delete;

    // Ends the batch. The outermost writes the hives it changed and returns
    // the first failure (ERROR_SUCCESS when all were written); an inner one
    // returns ERROR_SUCCESS. Further calls return ERROR_SUCCESS.
    LSTATUS Finish();

private:
    bool finished_ = false;
};

// How often the hive of `root` (HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER) has
// been rewritten through this layer: its generation. For tests and
// diagnostics; UINT64_MAX when it cannot be read.
uint64_t RegistryHiveWrites(HKEY root);

}  // namespace winapi
