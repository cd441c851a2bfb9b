// The hive files on disk: locking, the per-process copies, the generation
// check, batches and atomic writes.
#include "registry_store.h"

#include "winapi/errors.h"
#include "winapi/save_file.h"
#include "winapi/state_root.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace winapi::registry {

namespace {

// The hive text limit in force: kMaxHiveTextSize outside tests.
std::atomic<size_t> gHiveTextLimit{kMaxHiveTextSize};

size_t HiveTextLimit() { return gHiveTextLimit.load(std::memory_order_relaxed); }

LSTATUS ErrorFromErrno(int err) { return static_cast<LSTATUS>(Win32ErrorFromErrno(err)); }

// Identifies one version of a hive file, for the locked path: the
// generation, and the file's own stamp, which also notices a file written
// by hand (the generation then stays as it was).
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    uint64_t generation = HiveGeneration::kUnknown;

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
    bool loaded = false;
    FileStamp stamp;
    LSTATUS status = ERROR_SUCCESS;  // ERROR_REGISTRY_CORRUPT for a damaged file
    HiveSnapshot snapshot;
};

FILETIME FileTimeFrom(const timespec& time) {
    // 100-ns intervals since 1601-01-01.
    uint64_t ticks = static_cast<uint64_t>(time.tv_sec) * 10000000u + static_cast<uint64_t>(time.tv_nsec) / 100u +
                     116444736000000000u;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

class HiveFile {
public:
    HiveFile(Hive hive, std::string path) : hive_(hive), path_(std::move(path)), generation_(path_ + ".lock") {}

    Hive hive() const { return hive_; }
    const std::string& path() const { return path_; }
    HiveGeneration& generation() { return generation_; }
    const HiveGeneration& generation() const { return generation_; }

    // The copy last read or written, when it is of `generation`.
    bool CopyIfCurrent(uint64_t generation, HiveSnapshot& snapshot) {
        std::lock_guard guard(lock_);
        if (!cached_.loaded || cached_.status != ERROR_SUCCESS || cached_.stamp.generation != generation) return false;
        snapshot = cached_.snapshot;
        return true;
    }
    bool CopyIfStamped(const FileStamp& stamp, CachedHive& result) {
        std::lock_guard guard(lock_);
        if (!cached_.loaded || !(cached_.stamp == stamp)) return false;
        result = cached_;
        return true;
    }
    void Keep(const CachedHive& hive) {
        std::lock_guard guard(lock_);
        cached_ = hive;
    }

private:
    const Hive hive_;
    const std::string path_;
    HiveGeneration generation_;
    std::mutex lock_;
    CachedHive cached_;
};

namespace {

// --- Finding the file of a hive ------------------------------------------------

// The environment variables a hive's path depends on, as last seen.
struct SeenEnvironment {
    static constexpr const char* kNames[] = {kStateRootVariable, "XDG_STATE_HOME", "HOME", kUserNameVariable};
    bool valid = false;
    bool set[std::size(kNames)] = {};
    std::string values[std::size(kNames)];

    bool Matches() const {
        if (!valid) return false;
        for (size_t i = 0; i < std::size(kNames); ++i) {
            const char* now = std::getenv(kNames[i]);
            if ((now != nullptr) != set[i] || (now && values[i] != now)) return false;
        }
        return true;
    }
    void Take() {
        for (size_t i = 0; i < std::size(kNames); ++i) {
            const char* now = std::getenv(kNames[i]);
            set[i] = now != nullptr;
            values[i] = now ? now : "";
        }
        valid = true;
    }
};

struct HiveFiles {
    std::mutex lock;
    std::map<std::string, std::unique_ptr<HiveFile>> byPath;
    SeenEnvironment seen[2];    // by Hive
    HiveFile* current[2] = {};  // for seen[]
};

HiveFiles& Files() {
    static HiveFiles* files = new HiveFiles;  // never destroyed: used until the process ends
    return *files;
}

// --- Locks ----------------------------------------------------------------------

// flock on "<hive>.lock". A new open file description per lock, so that
// threads of one process exclude each other as processes do.
class HiveLock {
public:
    HiveLock() = default;
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;
    HiveLock(HiveLock&&) = default;
    HiveLock& operator=(HiveLock&&) = default;

    // Returns 0 or an errno value; ENOENT when the hive's folder is missing.
    int Acquire(const std::string& hivePath, bool exclusive) {
        std::string lockPath = hivePath + ".lock";
        fd_.Reset(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
        if (!fd_ && !exclusive && (errno == EACCES || errno == EROFS))
            fd_.Reset(::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd_) return errno;
        while (::flock(fd_.Get(), exclusive ? LOCK_EX : LOCK_SH) != 0) {
            if (errno != EINTR) return errno;
        }
        return 0;
    }

    int fd() const { return fd_.Get(); }

private:
    UniqueFd fd_;  // closing it releases the lock
};

// --- Reading and writing the file ----------------------------------------------

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
        // A larger file is taken as damaged rather than read into memory.
        if (text.size() + static_cast<size_t>(n) > HiveTextLimit()) return EFBIG;
        text.append(buffer, static_cast<size_t>(n));
    }
}

// The hive as it is on disk now; the caller holds the hive's lock.
LSTATUS LoadHive(HiveFile& file, const HiveLock& lock, CachedHive& result) {
    FileStamp stamp;
    stamp.generation = file.generation().Read(lock.fd());
    const std::string& path = file.path();
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        stamp.Take(st);
    else if (errno != ENOENT)
        return ErrorFromErrno(errno);
    if (file.CopyIfStamped(stamp, result)) return ERROR_SUCCESS;

    CachedHive fresh;
    fresh.loaded = true;
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
    fresh.snapshot.generation = stamp.generation;
    file.Keep(fresh);
    result = std::move(fresh);
    return ERROR_SUCCESS;
}

// Replaces the file at once: readers see the old hive or the new one, and a
// crash leaves one of the two, never a mixture. The caller holds the hive's
// lock, so a temporary file nobody holds is a dead writer's and goes first.
LSTATUS WriteFileAtomically(const std::string& path, const std::string& text, mode_t mode) {
    SaveFile::Options options;
    options.mode = mode;
    options.applyUmask = true;
    options.marker = ".tmp-";
    RemoveStaleSaves(path, options.marker);
    SaveFile file;
    int err = file.Create(path, options);
    if (err == 0) err = file.Write(text);
    if (err == 0) err = file.Commit();
    return err == 0 ? ERROR_SUCCESS : ErrorFromErrno(err);
}

// Writes `root` as the hive, under the exclusive `lock`, and keeps it as
// this process's copy so that it need not be read back.
// A hive its reader would refuse is not written at all: the file keeps its
// last readable content.
LSTATUS WriteHive(HiveFile& file, const HiveLock& lock, std::shared_ptr<const Key> root) {
    std::string text = SerializeHive(*root);
    if (text.size() > HiveTextLimit()) return ERROR_NO_SYSTEM_RESOURCES;
    uint64_t generation = file.generation().Raise(lock.fd());
    bool userHive = file.hive() == Hive::User;
    // The user's hive is private to the user; the machine's is readable by all.
    LSTATUS status = WriteFileAtomically(file.path(), text, userHive ? 0600 : 0644);
    if (status != ERROR_SUCCESS) return status;
    CachedHive written;
    written.loaded = true;
    struct stat st;
    if (::stat(file.path().c_str(), &st) != 0) return ERROR_SUCCESS;  // read back next time
    written.stamp.Take(st);
    written.stamp.generation = generation;
    written.snapshot = HiveSnapshot{std::move(root), FileTimeFrom(st.st_mtim), generation};
    file.Keep(written);
    return ERROR_SUCCESS;
}

// The user's hive is private to the user; the machine's is readable by all.
bool EnsureHiveFolder(const HiveFile& file) {
    return EnsureDirectory(std::filesystem::path(file.path()).parent_path(), file.hive() == Hive::User ? 0700 : 0755);
}

// Creates the hive's folder and takes its exclusive lock.
LSTATUS LockForWriting(HiveFile& file, HiveLock& lock) {
    if (!EnsureHiveFolder(file)) return ErrorFromErrno(errno);
    if (int err = lock.Acquire(file.path(), true)) return ErrorFromErrno(err);
    return ERROR_SUCCESS;
}

// --- Batches ----------------------------------------------------------------------

struct BatchedHive {
    HiveFile* file = nullptr;
    HiveLock lock;  // exclusive, or shared when that is all this user may take
    bool exclusive = false;
    LSTATUS status = ERROR_SUCCESS;   // of locking and reading: every use of the hive reports it
    std::shared_ptr<const Key> root;  // the batch's copy
    FILETIME lastWrite{};
    bool changed = false;
};

struct ThreadBatch {
    int depth = 0;
    std::vector<std::unique_ptr<BatchedHive>> hives;  // in the order they were locked
};

thread_local ThreadBatch tBatch;

void LockIntoBatch(HiveFile& file) {
    auto batched = std::make_unique<BatchedHive>();
    batched->file = &file;
    batched->status = LockForWriting(file, batched->lock);
    batched->exclusive = batched->status == ERROR_SUCCESS;
    if (!batched->exclusive) {
        // A hive this user may only read: its reads still come under the
        // shared lock, and a change of it fails as outside a batch.
        HiveLock shared;
        int err = shared.Acquire(file.path(), false);
        if (err == 0) {
            batched->lock = std::move(shared);
            batched->status = ERROR_SUCCESS;
        } else if (err == ENOENT) {
            batched->status = ERROR_SUCCESS;  // no registry folder: an empty hive
            batched->root = std::make_shared<Key>();
        }
    }
    if (batched->status == ERROR_SUCCESS && !batched->root) {
        CachedHive loaded;
        batched->status = LoadHive(file, batched->lock, loaded);
        if (batched->status == ERROR_SUCCESS) batched->status = loaded.status;
        batched->root = loaded.snapshot.root;
        batched->lastWrite = loaded.snapshot.lastWrite;
    }
    tBatch.hives.push_back(std::move(batched));
}

// The batch's copy of `file`. The first hive a batch touches locks both of
// the environment's hives, the machine's first, so that two batches can
// never each hold the hive the other waits for.
BatchedHive& Batched(HiveFile& file) {
    auto find = [&]() -> BatchedHive* {
        for (auto& hive : tBatch.hives)
            if (hive->file == &file) return hive.get();
        return nullptr;
    };
    if (BatchedHive* found = find()) return *found;
    if (tBatch.hives.empty()) {
        for (Hive hive : {Hive::Machine, Hive::User}) LockIntoBatch(CurrentHiveFile(hive));
        if (BatchedHive* found = find()) return *found;
    }
    LockIntoBatch(file);  // a hive of another environment, named by an older key handle
    return *tBatch.hives.back();
}

}  // namespace

HiveFile& CurrentHiveFile(Hive hive) {
    HiveFiles& files = Files();
    size_t kind = hive == Hive::Machine ? 0 : 1;
    {
        std::lock_guard guard(files.lock);
        if (files.seen[kind].Matches()) return *files.current[kind];
    }
    // Outside the lock: the user's name may come from the account database.
    std::filesystem::path path = hive == Hive::Machine ? MachineHivePath() : UserHivePath();
    std::lock_guard guard(files.lock);
    auto& entry = files.byPath[path.string()];
    if (!entry) entry = std::make_unique<HiveFile>(hive, path.string());
    files.seen[kind].Take();
    files.current[kind] = entry.get();
    return *entry;
}

const HiveGeneration& GenerationOf(const HiveFile& file) { return file.generation(); }

size_t SetHiveTextLimitForTesting(size_t bytes) { return gHiveTextLimit.exchange(bytes, std::memory_order_relaxed); }

LSTATUS ReadHive(HiveFile& file, HiveSnapshot& snapshot) {
    if (tBatch.depth > 0) {
        BatchedHive& batched = Batched(file);
        if (batched.status != ERROR_SUCCESS) return batched.status;
        snapshot = HiveSnapshot{batched.root, batched.lastWrite, HiveGeneration::kUnknown};
        return ERROR_SUCCESS;
    }
    // A damaged hive is never served from the copy: it is read again until
    // it is repaired.
    uint64_t now = file.generation().Current();
    if (now != HiveGeneration::kUnknown && file.CopyIfCurrent(now, snapshot)) return ERROR_SUCCESS;

    HiveLock lock;
    int err = lock.Acquire(file.path(), false);
    if (err == ENOENT && EnsureHiveFolder(file)) err = lock.Acquire(file.path(), false);
    if (err) {
        if (err != ENOENT) return ErrorFromErrno(err);
        // No registry folder, and none can be made: an empty hive, read
        // again each time.
        snapshot = HiveSnapshot{std::make_shared<Key>(), {}, HiveGeneration::kUnknown};
        return ERROR_SUCCESS;
    }
    CachedHive loaded;
    if (LSTATUS status = LoadHive(file, lock, loaded)) return status;
    if (loaded.status != ERROR_SUCCESS) return loaded.status;
    snapshot = std::move(loaded.snapshot);
    return ERROR_SUCCESS;
}

LSTATUS UpdateHive(HiveFile& file, const HiveChange& change) {
    if (tBatch.depth > 0) {
        BatchedHive& batched = Batched(file);
        if (batched.status != ERROR_SUCCESS) return batched.status;
        if (!batched.exclusive) return ERROR_ACCESS_DENIED;
        std::shared_ptr<Key> copy = CloneTree(*batched.root);
        bool changed = false;
        LSTATUS status = change(*copy, changed);
        if (status != ERROR_SUCCESS || !changed) return status;
        batched.root = std::move(copy);
        batched.changed = true;
        return ERROR_SUCCESS;
    }
    HiveLock lock;
    if (LSTATUS status = LockForWriting(file, lock)) return status;
    CachedHive current;
    if (LSTATUS status = LoadHive(file, lock, current)) return status;
    if (current.status != ERROR_SUCCESS) return current.status;  // never overwrite a damaged hive

    std::shared_ptr<Key> copy = CloneTree(*current.snapshot.root);
    bool changed = false;
    LSTATUS status = change(*copy, changed);
    if (status != ERROR_SUCCESS || !changed) return status;
    return WriteHive(file, lock, std::move(copy));
}

void BeginBatch() {
    if (tBatch.depth++ == 0) gThreadsInBatch.fetch_add(1, std::memory_order_relaxed);
}

LSTATUS EndBatch() {
    if (tBatch.depth == 0 || --tBatch.depth > 0) return ERROR_SUCCESS;
    gThreadsInBatch.fetch_sub(1, std::memory_order_relaxed);
    std::vector<std::unique_ptr<BatchedHive>> hives = std::move(tBatch.hives);
    tBatch.hives.clear();
    LSTATUS first = ERROR_SUCCESS;
    for (auto& hive : hives) {
        if (!hive->changed) continue;
        LSTATUS status = WriteHive(*hive->file, hive->lock, hive->root);
        if (first == ERROR_SUCCESS) first = status;
    }
    return first;  // the locks go with `hives`
}

std::atomic<int> gThreadsInBatch{0};

bool ThisThreadInBatch() { return tBatch.depth > 0; }

uint64_t HiveWrites(Hive hive) {
    HiveFile& file = CurrentHiveFile(hive);
    if (tBatch.depth > 0) {  // its lock is held here already
        BatchedHive& batched = Batched(file);
        return batched.status == ERROR_SUCCESS ? file.generation().Read(batched.lock.fd()) : HiveGeneration::kUnknown;
    }
    HiveLock lock;
    if (int err = lock.Acquire(file.path(), false))
        return err == ENOENT ? 0 : HiveGeneration::kUnknown;  // no folder: never written
    return file.generation().Read(lock.fd());
}

}  // namespace winapi::registry
