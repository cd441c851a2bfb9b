// The trees of compound files this process closed, kept so that opening an
// unchanged file again costs no reading of its directory: the item cache
// opens its file once per lock scope, and between two of its scopes the file
// mostly stays as it was.
//
// A tree is taken back only when the file is the same one (device and
// inode), of the same size and times, and no commit was counted for it since
// (commit_counter.h). At most a few trees are kept, the last closed first.
#pragma once

#include "format/file.h"
#include "format/tree.h"

#include <sys/types.h>

#include <cstdint>
#include <memory>

namespace storage {

// What tells that an open file is the one a tree was read from, unchanged.
struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modifiedNanoseconds = 0;
    int64_t changedNanoseconds = 0;
    uint64_t commits = 0;

    bool operator==(const FileState&) const = default;
};

// The state of the file open as `descriptor`; false when it cannot be told.
bool StateOfFile(int descriptor, FileState* state);

// Keeps `tree`, whose streams read through `file` (its descriptor already
// closed), for a later open of the file in `state`.
void RetainTree(const FileState& state, std::shared_ptr<format::File> file, std::unique_ptr<format::Tree> tree);

// The tree kept for a file in exactly `state`, with its file object (to be
// given the new descriptor); false when there is none. The tree is no longer
// kept.
bool TakeRetainedTree(const FileState& state, std::shared_ptr<format::File>* file, std::unique_ptr<format::Tree>* tree);

}  // namespace storage
