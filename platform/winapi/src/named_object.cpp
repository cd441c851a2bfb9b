// The namespace of named kernel objects: one folder per user, private to
// that user (0700, files 0600). Every create and open runs under an exclusive
// flock of the folder's lock file, so looking a name up, removing a stale
// file and putting a new one in place never race with another process.
#include "named_object.h"

#include "winapi/errors.h"
#include "winapi/state_root.h"
#include "winapi/unique_fd.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace winapi::kernel {

namespace {

constexpr uint32_t kObjectMagic = 0x4B4F424A;  // "JBOK"
// Names of the folder's own files start with '.', which no encoded object
// name does.
constexpr char kLockFileName[] = ".lock";
constexpr char kCreatingFileName[] = ".creating";
// Keeps the file size, data rounded up to whole pages, within off_t.
constexpr uint64_t kMaxDataSize = (uint64_t{1} << 62);

bool Fail(DWORD error) {
    SetLastError(error);
    return false;
}

bool FailErrno(int err) {
    SetLastErrorFromErrno(err);
    return false;
}

std::unique_ptr<ObjectFile> NoObject(DWORD error) {
    SetLastError(error);
    return nullptr;
}

std::unique_ptr<ObjectFile> NoObjectErrno(int err) {
    SetLastErrorFromErrno(err);
    return nullptr;
}

int FlockRetrying(int fd, int operation) {
    int rc;
    do rc = ::flock(fd, operation);
    while (rc != 0 && errno == EINTR);
    return rc;
}

uint64_t FileSizeFor(const ObjectHeader& header) {
    uint64_t dataPages = (header.dataSize + kPageSize - 1) / kPageSize;
    return kDataOffset + dataPages * kPageSize;
}

// The user's namespace folder, locked against every other create and open
// for as long as this object lives.
class LockedNamespace {
public:
    // False with the last error set when the folder cannot be used.
    bool Lock() { return Lock(KernelObjectDir()); }
    bool Lock(const std::filesystem::path& path) {
        errno = 0;
        if (!EnsureDirectory(path, 0700))
            return Fail(errno == EACCES || errno == EPERM ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
        dir_.Reset(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
        if (!dir_.IsOpen()) return FailErrno(errno);
        // Another user's folder is never used, and ours stays closed to others.
        struct stat info {};
        if (::fstat(dir_.Get(), &info) != 0) return FailErrno(errno);
        if (info.st_uid != ::geteuid()) return Fail(ERROR_ACCESS_DENIED);
        if ((info.st_mode & 0077) != 0 && ::fchmod(dir_.Get(), 0700) != 0) return FailErrno(errno);
        lock_.Reset(::openat(dir_.Get(), kLockFileName, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!lock_.IsOpen() || FlockRetrying(lock_.Get(), LOCK_EX) != 0) return FailErrno(errno);
        return true;
    }

    int dir() const { return dir_.Get(); }

private:
    UniqueFd dir_;
    UniqueFd lock_;  // closing it drops the lock
};

enum class Lookup { Found, Absent, Failed };

// Opens the object file of `fileName` for a new handle: `hold` with its
// shared lock taken, and `data` to map it. A file nobody holds is stale: it
// is removed and counts as absent.
Lookup FindObject(const LockedNamespace& ns, const std::string& fileName, UniqueFd* hold, UniqueFd* data,
                  ObjectHeader* header) {
    hold->Reset(::openat(ns.dir(), fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!hold->IsOpen()) {
        if (errno == ENOENT) return Lookup::Absent;
        SetLastErrorFromErrno(errno);
        return Lookup::Failed;
    }
    if (FlockRetrying(hold->Get(), LOCK_EX | LOCK_NB) == 0) {
        ::unlinkat(ns.dir(), fileName.c_str(), 0);
        hold->Reset();
        return Lookup::Absent;
    }
    // Only a stale check under the namespace lock ever holds an object file
    // exclusively, so this shared lock is granted at once.
    if (errno != EWOULDBLOCK || FlockRetrying(hold->Get(), LOCK_SH) != 0) {
        SetLastErrorFromErrno(errno);
        return Lookup::Failed;
    }
    data->Reset(::openat(ns.dir(), fileName.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (!data->IsOpen()) {
        SetLastErrorFromErrno(errno);
        return Lookup::Failed;
    }
    struct stat info {};
    if (::pread(data->Get(), header, sizeof *header, 0) != static_cast<ssize_t>(sizeof *header) ||
        ::fstat(data->Get(), &info) != 0 || header->magic != kObjectMagic || header->dataSize > kMaxDataSize ||
        static_cast<uint64_t>(info.st_size) < FileSizeFor(*header)) {
        // Not a file of this layer, or damaged: never map it.
        SetLastError(ERROR_INVALID_HANDLE);
        return Lookup::Failed;
    }
    return Lookup::Found;
}

// Sizes a new object file (zero-filled, its space reserved so that touching
// the memory later cannot fail), writes the header and lets the object
// prepare its state.
bool PrepareObjectFile(int fd, const ObjectHeader& header, const StateInitialiser& initialise) {
    if (header.dataSize > kMaxDataSize) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    int err = ::posix_fallocate(fd, 0, static_cast<off_t>(FileSizeFor(header)));
    if (err == ENOSPC || err == EFBIG) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    if (err != 0) return FailErrno(err);
    if (::pwrite(fd, &header, sizeof header, 0) != static_cast<ssize_t>(sizeof header)) return FailErrno(errno);
    return initialise(fd);
}

// Builds the object completely under a temporary name, then renames it into
// place: a crash half-way leaves no half-made object behind.
std::unique_ptr<ObjectFile> CreateNamedObjectFile(const LockedNamespace& ns, const std::string& fileName,
                                                  const ObjectHeader& header, const StateInitialiser& initialise) {
    ::unlinkat(ns.dir(), kCreatingFileName, 0);  // left by a creator that crashed
    UniqueFd data(::openat(ns.dir(), kCreatingFileName, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!data.IsOpen()) return NoObjectErrno(errno);
    UniqueFd hold(::openat(ns.dir(), kCreatingFileName, O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!hold.IsOpen() || !PrepareObjectFile(data.Get(), header, initialise)) {
        if (!hold.IsOpen()) SetLastErrorFromErrno(errno);
        ::unlinkat(ns.dir(), kCreatingFileName, 0);
        return nullptr;
    }
    if (FlockRetrying(hold.Get(), LOCK_SH) != 0 ||
        ::renameat(ns.dir(), kCreatingFileName, ns.dir(), fileName.c_str()) != 0) {
        int err = errno;
        ::unlinkat(ns.dir(), kCreatingFileName, 0);
        return NoObjectErrno(err);
    }
    return std::make_unique<ObjectFile>(data.Release(), hold.Release(), header, KernelObjectDir().string(), fileName);
}

std::unique_ptr<ObjectFile> CreateUnnamedObjectFile(const ObjectHeader& header, const StateInitialiser& initialise) {
    UniqueFd data(::memfd_create("kernel-object", MFD_CLOEXEC));
    if (!data.IsOpen()) return NoObjectErrno(errno);
    if (!PrepareObjectFile(data.Get(), header, initialise)) return nullptr;
    return std::make_unique<ObjectFile>(data.Release(), -1, header);
}

}  // namespace

ObjectFile::~ObjectFile() {
    ::close(fd_);
    if (holdFd_ < 0) return;
    if (fileName_.empty()) {
        ::close(holdFd_);
        return;
    }
    // Under the namespace lock no other handle comes or goes: when nobody
    // else holds the file once ours is let go, it goes with us.
    LockedNamespace ns;
    const bool locked = ns.Lock(folder_);
    ::close(holdFd_);
    if (!locked) return;
    UniqueFd probe(::openat(ns.dir(), fileName_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (probe.IsOpen() && FlockRetrying(probe.Get(), LOCK_EX | LOCK_NB) == 0) {
        ::unlinkat(ns.dir(), fileName_.c_str(), 0);
    }
}

std::unique_ptr<ObjectFile> CreateObject(LPCWSTR name, const ObjectHeader& header, const StateInitialiser& initialise,
                                         bool* created) {
    ObjectHeader stamped = header;
    stamped.magic = kObjectMagic;
    if (name == nullptr || *name == u'\0') {
        *created = true;
        return CreateUnnamedObjectFile(stamped, initialise);
    }
    std::string fileName = ObjectFileName(name);
    if (fileName.empty()) return nullptr;
    LockedNamespace ns;
    if (!ns.Lock()) return nullptr;
    UniqueFd hold, data;
    ObjectHeader existing;
    switch (FindObject(ns, fileName, &hold, &data, &existing)) {
    case Lookup::Failed:
        return nullptr;
    case Lookup::Found:
        if (existing.kind != header.kind) return NoObject(ERROR_INVALID_HANDLE);
        *created = false;
        return std::make_unique<ObjectFile>(data.Release(), hold.Release(), existing, KernelObjectDir().string(),
                                            fileName);
    case Lookup::Absent:
        break;
    }
    *created = true;
    return CreateNamedObjectFile(ns, fileName, stamped, initialise);
}

std::unique_ptr<ObjectFile> OpenObject(LPCWSTR name, ObjectKind kind) {
    if (name == nullptr || *name == u'\0') return NoObject(ERROR_INVALID_PARAMETER);
    std::string fileName = ObjectFileName(name);
    if (fileName.empty()) return nullptr;
    LockedNamespace ns;
    if (!ns.Lock()) return nullptr;
    UniqueFd hold, data;
    ObjectHeader existing;
    switch (FindObject(ns, fileName, &hold, &data, &existing)) {
    case Lookup::Failed:
        return nullptr;
    case Lookup::Absent:
        return NoObject(ERROR_FILE_NOT_FOUND);
    case Lookup::Found:
        break;
    }
    if (existing.kind != kind) return NoObject(ERROR_INVALID_HANDLE);
    return std::make_unique<ObjectFile>(data.Release(), hold.Release(), existing, KernelObjectDir().string(), fileName);
}

void* MapStatePage(int fd) {
    void* page = ::mmap(nullptr, kPageSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (page == MAP_FAILED) {
        SetLastErrorFromErrno(errno);
        return nullptr;
    }
    return page;
}

void UnmapStatePage(void* page) {
    if (page) ::munmap(page, kPageSize);
}

}  // namespace winapi::kernel
