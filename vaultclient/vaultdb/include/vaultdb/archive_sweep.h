// Clearing the archive of what killed writers left: version files that no
// committed row names (a process killed between placing a version's file and
// committing its row, or a rolled-back transaction) and the temporary files
// of saves that never finished. Such files are never read, but they take
// space for ever; the admin tool sweeps them when it opens a vault to write.
#pragma once

#include "winapi/types.h"

#include <cstddef>

namespace vaultdb {

class Database;

struct ArchiveSweep {
    std::size_t orphanVersions =
        0;  // "<document>/<version>.ver" without a row "<document>/<version>.ver" without a row
    std::size_t staleTemporaries = 0;
};

// Removes the orphan version files and the temporary files no live writer
// holds (their flock is free) from the archive of `database`. Runs in its own
// transaction (BEGIN IMMEDIATE, rolled back: it changes no row), so no other
// writer is between placing a file and committing its row meanwhile; fails
// with VDB_E_FAIL when a transaction is open already. Files whose names the
// archive does not make are left alone. Cost: one query over the version rows
// and one listing of every document folder, holding the write lock
// throughout (other writers wait at their Begin). A file that cannot be
// removed is left for the next sweep; only a failed query fails the call.
HRESULT SweepArchive(Database& database, ArchiveSweep* sweep = nullptr);

}  // namespace vaultdb
