// The hive files on disk, shared by every process of the machine.
//
// Readers take a shared lock and writers an exclusive one (flock on a lock
// file beside the hive), so a read-modify-write never loses another
// process's change. A write replaces the whole file atomically (temporary
// file, fsync, rename) and raises the hive's generation
// (registry_generation.h). Each process keeps the last hive it read; while
// the generation, mapped into memory, says it is current, a read takes no
// lock and makes no system call.
//
// A thread may gather its writes in a batch (BeginBatch/EndBatch): the hives
// it touches stay locked for the batch, its reads see its own changes, and
// each changed hive is written once at the end.
#pragma once

#include "registry_generation.h"
#include "registry_hive.h"

#include "winapi/types.h"

#include <atomic>
#include <functional>
#include <memory>

namespace winapi::registry {

enum class Hive { Machine, User };

// One hive file as this process sees it: its path, its mapped generation and
// the last copy read. Made the first time a path is used and kept until the
// process ends, so pointers to it stay valid.
class HiveFile;

// The file the hive names now, by the state root and user of the
// environment. A user name taken from the account is kept for the process,
// as the platform binds HKEY_CURRENT_USER once. Cost: a few environment
// lookups and string compares; no system call once the environment was seen.
HiveFile& CurrentHiveFile(Hive hive);

struct HiveSnapshot {
    std::shared_ptr<const Key> root;  // never changed once read
    FILETIME lastWrite{};             // of the hive file; zero when there is none yet
    // The generation it was read at, for IsCurrent; kUnknown when it cannot
    // be checked without a read (no generation yet, or a batch's own copy).
    uint64_t generation = ~uint64_t(0);
};

// The hive's mapped generation, for checks that must cost no call.
const HiveGeneration& GenerationOf(const HiveFile& file);

// Whether the hive is still as it was at `generation`: one load from memory,
// no system call. False when it cannot tell.
inline bool IsCurrent(const HiveGeneration& word, uint64_t generation) {
    return generation != HiveGeneration::kUnknown && word.Current() == generation;
}

// The current content of a hive; a hive without a file is empty. A damaged
// file gives ERROR_REGISTRY_CORRUPT. No system call when the copy this
// process holds is current; otherwise the shared lock is taken and the file
// read when it changed.
LSTATUS ReadHive(HiveFile& file, HiveSnapshot& snapshot);
inline LSTATUS ReadHive(Hive hive, HiveSnapshot& snapshot) { return ReadHive(CurrentHiveFile(hive), snapshot); }

// Applies `change` to a copy of the hive under the exclusive lock. When it
// returns ERROR_SUCCESS and sets `changed`, the copy is written back; any
// other result leaves the hive as it was. A damaged file is never written:
// the result is then ERROR_REGISTRY_CORRUPT; nor is a copy whose text would
// exceed the hive's limit: ERROR_NO_SYSTEM_RESOURCES. In a batch the copy
// replaces the batch's and is written at its end, where the limit is checked
// (EndBatch reports it).
using HiveChange = std::function<LSTATUS(Key& root, bool& changed)>;
LSTATUS UpdateHive(HiveFile& file, const HiveChange& change);
inline LSTATUS UpdateHive(Hive hive, const HiveChange& change) { return UpdateHive(CurrentHiveFile(hive), change); }

// The largest hive text read or written: a larger file is taken as damaged,
// and a change that would make one fails with ERROR_NO_SYSTEM_RESOURCES
// before anything is written. kMaxHiveTextSize unless a test lowers it, to
// reach the limit without gigabytes; returns the limit it replaces.
size_t SetHiveTextLimitForTesting(size_t bytes);

// Starts a batch on the calling thread, or joins the one it runs.
void BeginBatch();
// Ends the calling thread's batch; the outermost end writes each hive the
// batch changed, once, and releases the locks. Returns the first failure to
// write, or ERROR_SUCCESS (always, for an inner end).
LSTATUS EndBatch();
// Whether the calling thread runs a batch: its reads then come from the
// batch's copies, which no one else sees yet. Cost: one relaxed load while
// no thread of the process runs a batch.
extern std::atomic<int> gThreadsInBatch;
bool ThisThreadInBatch();
inline bool InBatch() { return gThreadsInBatch.load(std::memory_order_relaxed) != 0 && ThisThreadInBatch(); }

// The hive's generation: how often it was written through this layer (0
// before its first write); kUnknown when it cannot be read. For tests and
// diagnostics.
uint64_t HiveWrites(Hive hive);

}  // namespace winapi::registry
