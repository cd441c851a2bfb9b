// The hive files on disk: locking, the per-process cache and atomic writes.
#include "registry_store.h"

#include "winapi/errors.h"
#include "winapi/save_file.h"
#include "winapi/state_root.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <string>

namespace winapi::registry {

namespace {

// A larger file is taken as damaged rather than read into memory.
constexpr off_t kMaxHiveFileSize = off_t(1) << 30;

std::filesystem::path HivePath(Hive hive) { return hive == Hive::Machine ? MachineHivePath() : UserHivePath(); }

LSTATUS ErrorFromErrno(int err) { return static_cast<LSTATUS>(Win32ErrorFromErrno(err)); }

// Identifies one version of a hive file. The generation counter, kept in the
// lock file and raised by every write, tells apart two writes that land in
// the same clock tick with the same size and a reused inode number.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    uint64_t generation = 0;

    void Take(const struct stat& st) {
        exists = true;
        device = st.st_dev;
        inode = st.st_ino;
        size = st.st_size;
        modified = st.st_mtim;
        changed = st.st_ctim;
    }
    bool operator==(const FileStamp& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec && generation == o.generation;
    }
};

struct CachedHive {
    FileStamp stamp;
    LSTATUS status = ERROR_SUCCESS;  // ERROR_REGISTRY_CORRUPT for a damaged file
    HiveSnapshot snapshot;
};

struct HiveCache {
    std::mutex lock;
    std::map<std::string, CachedHive> hives;  // by hive file path
};

HiveCache& Cache() {
    static HiveCache* cache = new HiveCache;  // never destroyed: used until the process ends
    return *cache;
}

FILETIME FileTimeFrom(const timespec& time) {
    // 100-ns intervals since 1601-01-01.
    uint64_t ticks = static_cast<uint64_t>(time.tv_sec) * 10000000u + static_cast<uint64_t>(time.tv_nsec) / 100u +
                     116444736000000000u;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// flock on "<hive>.lock". A new open file description per lock, so that
// threads of one process exclude each other as processes do.
class HiveLock {
public:
    HiveLock() = default;
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

    // Returns 0 or an errno value; ENOENT when the hive's folder is missing.
    int Acquire(const std::filesystem::path& hivePath, bool exclusive) {
        std::string lockPath = hivePath.string() + ".lock";
        fd_.Reset(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
        if (!fd_ && !exclusive && (errno == EACCES || errno == EROFS))
            fd_.Reset(::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd_) return errno;
        while (::flock(fd_.Get(), exclusive ? LOCK_EX : LOCK_SH) != 0) {
            if (errno != EINTR) return errno;
        }
        return 0;
    }

    uint64_t Generation() const {
        unsigned char bytes[8];
        if (::pread(fd_.Get(), bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) return 0;
        uint64_t generation = 0;
        for (int i = 7; i >= 0; --i) generation = (generation << 8) | bytes[i];
        return generation;
    }

    void SetGeneration(uint64_t generation) {
        unsigned char bytes[8];
        for (auto& byte : bytes) byte = static_cast<unsigned char>(generation), generation >>= 8;
        // Not worth a failure: a missed generation only costs a later reader an
        // extra read when the file's own stamp did not change either.
        (void)!::pwrite(fd_.Get(), bytes, sizeof bytes, 0);
    }

private:
    UniqueFd fd_;  // closing it releases the lock
};

// Reads the whole file; returns 0 or an errno value (EFBIG when too large).
int ReadWholeFile(int fd, std::string& text) {
    text.clear();
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return 0;
        if (static_cast<off_t>(text.size() + static_cast<size_t>(n)) > kMaxHiveFileSize) return EFBIG;
        text.append(buffer, static_cast<size_t>(n));
    }
}

// The hive as it is on disk now; the caller holds the hive's lock.
LSTATUS LoadHive(const std::string& path, uint64_t generation, CachedHive& result) {
    FileStamp stamp;
    stamp.generation = generation;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        stamp.Take(st);
    else if (errno != ENOENT)
        return ErrorFromErrno(errno);

    HiveCache& cache = Cache();
    {
        std::lock_guard guard(cache.lock);
        auto it = cache.hives.find(path);
        if (it != cache.hives.end() && it->second.stamp == stamp) {
            result = it->second;
            return ERROR_SUCCESS;
        }
    }

    CachedHive fresh;
    if (!stamp.exists) {
        fresh.snapshot.root = std::make_shared<Key>();  // no file yet: an empty hive
    } else {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return ErrorFromErrno(errno);
        // Stamp what is actually read, in case the file was swapped by hand.
        if (::fstat(fd, &st) == 0) stamp.Take(st);
        std::string text;
        int err = ReadWholeFile(fd, text);
        ::close(fd);
        std::unique_ptr<Key> root;
        if (err == 0) {
            root = ParseHive(text);
        } else if (err != EFBIG) {
            return ErrorFromErrno(err);
        }
        if (root)
            fresh.snapshot.root = std::move(root);
        else
            fresh.status = ERROR_REGISTRY_CORRUPT;
        fresh.snapshot.lastWrite = FileTimeFrom(stamp.modified);
    }
    fresh.stamp = stamp;
    std::lock_guard guard(cache.lock);
    cache.hives[path] = fresh;
    result = std::move(fresh);
    return ERROR_SUCCESS;
}

// Replaces the file at once: readers see the old hive or the new one, and a
// crash leaves one of the two, never a mixture. The caller holds the hive's
// lock, so a temporary file nobody holds is a dead writer's and goes first.
LSTATUS WriteFileAtomically(const std::filesystem::path& path, const std::string& text, mode_t mode) {
    SaveFile::Options options;
    options.mode = mode;
    options.applyUmask = true;
    options.marker = ".tmp-";
    RemoveStaleSaves(path.string(), options.marker);
    SaveFile file;
    int err = file.Create(path.string(), options);
    if (err == 0) err = file.Write(text);
    if (err == 0) err = file.Commit();
    return err == 0 ? ERROR_SUCCESS : ErrorFromErrno(err);
}

}  // namespace

LSTATUS ReadHive(Hive hive, HiveSnapshot& snapshot) {
    std::filesystem::path path = HivePath(hive);
    HiveLock lock;
    if (int err = lock.Acquire(path, false)) {
        if (err != ENOENT) return ErrorFromErrno(err);
        snapshot = HiveSnapshot{std::make_shared<Key>(), {}};  // no registry folder yet: an empty hive
        return ERROR_SUCCESS;
    }
    CachedHive loaded;
    if (LSTATUS status = LoadHive(path.string(), lock.Generation(), loaded)) return status;
    if (loaded.status != ERROR_SUCCESS) return loaded.status;
    snapshot = std::move(loaded.snapshot);
    return ERROR_SUCCESS;
}

LSTATUS UpdateHive(Hive hive, const HiveChange& change) {
    std::filesystem::path path = HivePath(hive);
    // The user's hive is private to the user; the machine's is readable by all.
    bool userHive = hive == Hive::User;
    if (!EnsureDirectory(path.parent_path(), userHive ? 0700 : 0755)) return ErrorFromErrno(errno);
    HiveLock lock;
    if (int err = lock.Acquire(path, true)) return ErrorFromErrno(err);

    CachedHive current;
    if (LSTATUS status = LoadHive(path.string(), lock.Generation(), current)) return status;
    if (current.status != ERROR_SUCCESS) return current.status;  // never overwrite a damaged hive

    std::shared_ptr<Key> copy = CloneTree(*current.snapshot.root);
    bool changed = false;
    LSTATUS status = change(*copy, changed);
    if (status != ERROR_SUCCESS || !changed) return status;

    uint64_t generation = lock.Generation() + 1;
    lock.SetGeneration(generation);
    status = WriteFileAtomically(path, SerializeHive(*copy), userHive ? 0600 : 0644);
    if (status != ERROR_SUCCESS) return status;

    // Keep what was written, so this process need not read it back.
    CachedHive written;
    written.stamp.generation = generation;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        written.stamp.Take(st);
        written.snapshot = HiveSnapshot{std::move(copy), FileTimeFrom(st.st_mtim)};
        HiveCache& cache = Cache();
        std::lock_guard guard(cache.lock);
        cache.hives[path.string()] = std::move(written);
    }
    return ERROR_SUCCESS;
}

}  // namespace winapi::registry
