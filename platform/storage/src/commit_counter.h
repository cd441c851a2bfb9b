// A count of the commits made to each compound file, shared by every process
// of the session through a named mapping, so that a process can tell that a
// file it closed was committed to since: the file's times tick too coarsely
// to tell two commits apart, and an in-place commit may leave its size as
// it was.
//
// Files share counters by a hash of their identity: a commit to one file may
// show as a change of another, which costs that other a fresh read, never a
// wrong one.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>

namespace storage {

// The count for the file with that device and inode; nothing when the
// shared counters cannot be had (the caller then trusts no kept state).
std::optional<uint64_t> CommitCount(dev_t device, ino_t inode);

// Counts one commit (or the creation) of that file.
void CountCommit(dev_t device, ino_t inode);

}  // namespace storage
