// The hive files on disk, shared by every process of the machine.
//
// Readers take a shared lock and writers an exclusive one (flock on a lock
// file beside the hive), so a read-modify-write never loses another
// process's change. A write replaces the whole file atomically (temporary
// file, fsync, rename). Each process keeps the last hive it read and reads
// the file again only when it changed.
#pragma once

#include "registry_hive.h"

#include "winapi/types.h"

#include <functional>
#include <memory>

namespace winapi::registry {

enum class Hive { Machine, User };

struct HiveSnapshot {
    std::shared_ptr<const Key> root;  // never changed once read
    FILETIME lastWrite{};             // of the hive file; zero when there is none yet
};

// The current content of a hive; a hive without a file is empty. A damaged
// file gives ERROR_REGISTRY_CORRUPT.
LSTATUS ReadHive(Hive hive, HiveSnapshot& snapshot);

// Applies `change` to a copy of the hive under the exclusive lock. When it
// returns ERROR_SUCCESS and sets `changed`, the copy is written back; any
// other result leaves the hive as it was. A damaged file is never written:
// the result is then ERROR_REGISTRY_CORRUPT.
using HiveChange = std::function<LSTATUS(Key& root, bool& changed)>;
LSTATUS UpdateHive(Hive hive, const HiveChange& change);

}  // namespace winapi::registry
