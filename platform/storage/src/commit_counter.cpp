#include "commit_counter.h"

#include "winapi/file_mapping.h"
#include "winapi/handles.h"

#include "winapi/state_root.h"

#include <atomic>
#include <map>
#include <string>
#include <functional>
#include <mutex>

namespace storage {

namespace {

constexpr size_t kCounters = 4096;

uint64_t* MapCounters() {
    HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                           static_cast<DWORD>(kCounters * sizeof(uint64_t)), u"Local\\Compound file commit counters");
    if (mapping == nullptr) return nullptr;
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (view == nullptr) {
        CloseHandle(mapping);
        return nullptr;
    }
    return static_cast<uint64_t*>(view);
}

// The shared counters of the session's namespace, mapped once and kept for
// the life of the process: its handle keeps the mapping (and every count in
// it) alive while this process may still hold trees read at some count. A
// process whose state root changes (tests do) maps that root's counters too.
uint64_t* Counters() {
    static std::mutex lock;
    static auto* mapped = new std::map<std::string, uint64_t*>;  // By namespace folder; never freed.
    std::string space = winapi::KernelObjectDir().string();
    std::lock_guard<std::mutex> hold(lock);
    auto found = mapped->find(space);
    if (found != mapped->end()) return found->second;
    uint64_t* counters = MapCounters();
    if (counters != nullptr) mapped->emplace(std::move(space), counters);
    return counters;
}

uint64_t& CounterOf(uint64_t* counters, dev_t device, ino_t inode) {
    const size_t hash =
        std::hash<uint64_t>{}(static_cast<uint64_t>(inode) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(device));
    return counters[hash % kCounters];
}

}  // namespace

std::optional<uint64_t> CommitCount(dev_t device, ino_t inode) {
    uint64_t* counters = Counters();
    if (counters == nullptr) return std::nullopt;
    return std::atomic_ref<uint64_t>(CounterOf(counters, device, inode)).load(std::memory_order_acquire);
}

void CountCommit(dev_t device, ino_t inode) {
    if (uint64_t* counters = Counters()) {
        std::atomic_ref<uint64_t>(CounterOf(counters, device, inode)).fetch_add(1, std::memory_order_acq_rel);
    }
}

}  // namespace storage
