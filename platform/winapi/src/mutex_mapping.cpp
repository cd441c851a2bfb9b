#include "mutex_mapping.h"

#include "named_object.h"
#include "process_id.h"
#include "winapi/errors.h"

#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

namespace winapi::kernel {

namespace {

struct MutexMappings {
    std::mutex lock;
    // Keyed by the object file's identity; an entry keeps its file mapped,
    // so the identity cannot pass to another file while the entry lives.
    std::map<std::pair<dev_t, ino_t>, MappedMutex*> byFile;
};

MutexMappings& Mappings() {
    // Never destroyed: mutexes may be closed from static destructors.
    static MutexMappings* mappings = new MutexMappings;
    return *mappings;
}

// Call with the table locked.
void UnmapWhenUnused(MutexMappings& mappings, MappedMutex* mapped) {
    // A thread of ours holding it keeps it mapped: its robust list names it.
    if (mapped->handles != 0 || mapped->depth.load(std::memory_order_relaxed) != 0) return;
    mappings.byFile.erase({mapped->device, mapped->inode});
    UnmapStatePage(mapped->page);
    delete mapped;
}

}  // namespace

MutexState* MappedMutex::state() const { return StateIn<MutexState>(page); }

MappedMutex* AttachMutex(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        SetLastErrorFromErrno(errno);
        return nullptr;
    }
    MutexMappings& mappings = Mappings();
    std::lock_guard guard(mappings.lock);
    auto it = mappings.byFile.find({info.st_dev, info.st_ino});
    if (it != mappings.byFile.end()) {
        ++it->second->handles;
        return it->second;
    }
    void* page = MapStatePage(fd);
    if (!page) return nullptr;
    auto* mapped = new MappedMutex{info.st_dev, info.st_ino, page, 1};
    mappings.byFile.emplace(std::make_pair(info.st_dev, info.st_ino), mapped);
    return mapped;
}

void DetachMutex(MappedMutex* mapped) {
    MutexMappings& mappings = Mappings();
    std::lock_guard guard(mappings.lock);
    --mapped->handles;
    UnmapWhenUnused(mappings, mapped);
}

void NoteMutexAcquired(MappedMutex* mapped, bool abandoned) {
    // A first acquisition when the count names another thread: one that
    // released it, one that died holding it (its robust list went with it),
    // or the parent's thread in a forked child's copy.
    pid_t self = CurrentThreadId();
    bool again = !abandoned && mapped->owner.load(std::memory_order_relaxed) == self;
    uint32_t depth = again ? mapped->depth.load(std::memory_order_relaxed) + 1 : 1;
    mapped->owner.store(self, std::memory_order_relaxed);
    mapped->depth.store(depth, std::memory_order_relaxed);
}

bool NoteMutexReleasing(MappedMutex* mapped) {
    // Only the holder ever finds its own id here: it clears it before its
    // last release.
    if (mapped->owner.load(std::memory_order_relaxed) != CurrentThreadId()) return false;
    uint32_t depth = mapped->depth.load(std::memory_order_relaxed) - 1;
    if (depth == 0) mapped->owner.store(0, std::memory_order_relaxed);
    mapped->depth.store(depth, std::memory_order_relaxed);
    return true;
}

}  // namespace winapi::kernel
