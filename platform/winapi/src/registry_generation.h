// The generation of a hive: a 64-bit counter at the start of the hive's lock
// file ("<hive>.lock"), raised under the exclusive lock by every write of
// the hive. Each process maps the word into memory once, so that a reader
// can tell whether its copy of the hive is still current by one load from
// memory, without a system call; the lock is taken only to read the hive
// again or to write it.
//
// The word is in the machine's byte order, which is little-endian on every
// machine this runs on: lock files written before it was mapped hold the
// same bytes.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace winapi::registry {

class HiveGeneration {
public:
    // What Current() gives before the word could be mapped (no lock file
    // yet, or one shorter than the word): the caller must read the hive.
    static constexpr uint64_t kUnknown = ~uint64_t(0);

    // `lockPath` names the lock file the word lives in.
    explicit HiveGeneration(std::string lockPath) : lockPath_(std::move(lockPath)) {}
    HiveGeneration(const HiveGeneration&) = delete;
    HiveGeneration& operator=(const HiveGeneration&) = delete;

    // The generation now, or kUnknown. One acquire load; no system call.
    uint64_t Current() const {
        const std::atomic<uint64_t>* word = word_.load(std::memory_order_acquire);
        return word ? word->load(std::memory_order_acquire) : kUnknown;
    }

    // The generation, read with the hive's lock held on the lock file `fd`
    // (shared or exclusive). Maps the word when it is not mapped yet, or was
    // mapped from a file since replaced. A file too short to hold it (made
    // by a reader, or by a writer that died first) is lengthened with zeros:
    // generation 0, before the first write. kUnknown when that cannot be
    // done (a lock file this user may only read). Cost: an fstat; an open and
    // an mmap the first time.
    uint64_t Read(int fd);

    // Raises the generation, before the hive file is replaced; call with the
    // exclusive lock held on `fd`. Lengthens a short file to hold the word.
    // Returns the new generation, or kUnknown when the file cannot hold it
    // (the hive is written all the same; readers then read the file each time).
    uint64_t Raise(int fd);

private:
    // Maps the word of `fd` unless it is mapped from that file already (and
    // writable, when `forWriting`). Call with attach_ held. False when the
    // file is too short or cannot be mapped.
    bool AttachLocked(int fd, bool forWriting);

    const std::string lockPath_;
    std::mutex attach_;  // serialises mapping; never taken by Current()
    // A mapping is never undone: a reader may be loading from it. One page
    // per replaced lock file is what that costs.
    std::atomic<std::atomic<uint64_t>*> word_{nullptr};
    dev_t device_ = 0;  // of the mapped file; under attach_
    ino_t inode_ = 0;
    bool writable_ = false;
};

}  // namespace winapi::registry
