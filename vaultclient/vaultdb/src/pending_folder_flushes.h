// The folders whose new entries must reach the disk before the open
// transaction commits: the archive files a transaction stores are flushed as
// data when each is placed (archive.cpp), but the folder entries that name
// them are flushed here, once per folder, when the transaction commits -
// rather than once per file. Storing many versions of one document, or a
// thousand versions in one batch, then costs one folder flush per folder.
#pragma once

#include <filesystem>
#include <set>

namespace vaultdb {

class PendingFolderFlushes {
public:
    // Notes that `folder` gained an entry in this transaction. Cheap: no I/O.
    void Add(const std::filesystem::path& folder) { folders_.insert(folder); }

    // Flushes every noted folder once (one fsync each) and forgets them.
    // 0, or the errno value of the first failure; the folders are forgotten
    // either way, since the transaction then does not commit.
    int FlushAll();

    // Forgets the folders without flushing them: the transaction is over
    // without committing, and what it placed is an orphan no row names.
    void Clear() { folders_.clear(); }

private:
    std::set<std::filesystem::path> folders_;
};

}  // namespace vaultdb
