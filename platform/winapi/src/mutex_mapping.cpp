#include "mutex_mapping.h"

#include "named_object.h"
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
    if (mapped->handles != 0 || mapped->acquisitions != 0) return;
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
    auto* mapped = new MappedMutex{info.st_dev, info.st_ino, page, 1, 0};
    mappings.byFile.emplace(std::make_pair(info.st_dev, info.st_ino), mapped);
    return mapped;
}

void DetachMutex(MappedMutex* mapped) {
    MutexMappings& mappings = Mappings();
    std::lock_guard guard(mappings.lock);
    --mapped->handles;
    UnmapWhenUnused(mappings, mapped);
}

void NoteMutexAcquired(MappedMutex* mapped) {
    std::lock_guard guard(Mappings().lock);
    ++mapped->acquisitions;
}

void NoteMutexReleased(MappedMutex* mapped) {
    MutexMappings& mappings = Mappings();
    std::lock_guard guard(mappings.lock);
    --mapped->acquisitions;
    UnmapWhenUnused(mappings, mapped);
}

}  // namespace winapi::kernel
