// An open compound file with a whole-file lock held on its descriptor.
//
// The lock is flock(2): it belongs to the open file description, so two
// opens in one process exclude each other as two processes do, and the
// kernel drops it when the holder dies. Because a commit replaces the file
// by renaming a new one over it, a lock is only good while the path still
// names the locked file: OpenLockedFile checks that after locking and tries
// again when a committer replaced the file meanwhile.
#pragma once

#include "winapi/types.h"
#include "winapi/unique_fd.h"

#include <string>

namespace storage {

enum class LockKind {
    kShared,     // readers that deny writers
    kExclusive,  // one opener only
};

class LockedFile {
public:
    LockedFile() = default;
    // Takes over `fd`, whose lock is already held.
    explicit LockedFile(int fd) : fd_(fd) {}

    int fd() const { return fd_.Get(); }
    bool IsOpen() const { return fd_.IsOpen(); }
    // Closes the descriptor, which gives up the lock.
    void Close() { fd_.Reset(); }
    // Hands the descriptor, with its lock, to the caller.
    int Release() { return fd_.Release(); }

private:
    winapi::UniqueFd fd_;
};

// Opens `path` (read-only, or for reading and writing) and takes the lock
// without waiting. STG_E_FILENOTFOUND, STG_E_PATHNOTFOUND,
// STG_E_ACCESSDENIED, STG_E_SHAREVIOLATION while another opener holds a
// conflicting lock.
HRESULT OpenLockedFile(const std::string& path, bool writable, LockKind kind, LockedFile* file);

// Takes the lock on an open descriptor without waiting; false when it is held.
bool TryLock(int fd, LockKind kind);

// Whether `path` names the file open as `fd` (a committer may have renamed
// another file over the path).
bool PathNamesFile(const std::string& path, int fd);

// The storage code for a failed file-system call's errno; `ioFault` for
// read and write errors that have no better code.
HRESULT StorageErrorFromErrno(int error, HRESULT ioFault);

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);

}  // namespace storage
