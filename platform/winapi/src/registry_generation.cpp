#include "registry_generation.h"

#include "winapi/unique_fd.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>

namespace winapi::registry {

namespace {

static_assert(std::endian::native == std::endian::little, "lock files hold the generation little-endian");
static_assert(std::atomic<uint64_t>::is_always_lock_free, "the word is shared with other processes");

constexpr off_t kWordSize = sizeof(uint64_t);

// Lengthening under a shared lock is safe: readers that race here all write
// zeros, and no writer holds the lock meanwhile.
bool Lengthen(int fd) {
    struct stat st;
    return ::fstat(fd, &st) == 0 && (st.st_size >= kWordSize || ::ftruncate(fd, kWordSize) == 0);
}

}  // namespace

bool HiveGeneration::AttachLocked(int fd, bool forWriting) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || st.st_size < kWordSize) return false;
    if (word_.load(std::memory_order_relaxed) && st.st_dev == device_ && st.st_ino == inode_ &&
        (writable_ || !forWriting))
        return true;
    // Mapped through an open file of its own: a mapping holds its open file
    // for as long as it lasts, and a flock taken through that file would
    // never be released. Only the word is touched, which lies inside the file.
    bool writable = true;
    UniqueFd mapFd(::open(lockPath_.c_str(), O_RDWR | O_CLOEXEC));
    if (!mapFd && !forWriting) {  // a lock file this user may only read
        writable = false;
        mapFd.Reset(::open(lockPath_.c_str(), O_RDONLY | O_CLOEXEC));
    }
    struct stat mapped;
    if (!mapFd || ::fstat(mapFd.Get(), &mapped) != 0 || mapped.st_dev != st.st_dev || mapped.st_ino != st.st_ino)
        return false;  // replaced since it was locked: the next lock maps the new one
    void* page = ::mmap(nullptr, kWordSize, writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, mapFd.Get(), 0);
    if (page == MAP_FAILED) return false;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    writable_ = writable;
    word_.store(static_cast<std::atomic<uint64_t>*>(page), std::memory_order_release);
    return true;
}

uint64_t HiveGeneration::Read(int fd) {
    std::lock_guard guard(attach_);
    if (!AttachLocked(fd, false) && !(Lengthen(fd) && AttachLocked(fd, false))) return kUnknown;
    return word_.load(std::memory_order_relaxed)->load(std::memory_order_acquire);
}

uint64_t HiveGeneration::Raise(int fd) {
    std::lock_guard guard(attach_);
    if (!AttachLocked(fd, true) && !(Lengthen(fd) && AttachLocked(fd, true))) return kUnknown;
    // Raised before the new file is renamed into place, which no reader can
    // see early: a reader whose copy is older reads the hive again, under
    // the shared lock, which waits for this writer. A writer that dies
    // between the two leaves a raised word and readers that read again; one
    // that raised it after the rename could leave a new file behind an old
    // word, which readers would never read.
    std::atomic<uint64_t>* word = word_.load(std::memory_order_relaxed);
    uint64_t next = word->load(std::memory_order_relaxed) + 1;
    word->store(next, std::memory_order_release);
    return next;
}

}  // namespace winapi::registry
