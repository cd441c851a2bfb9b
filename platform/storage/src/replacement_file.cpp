#include "replacement_file.h"

#include "winapi/errors.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <vector>

namespace storage {

namespace {

constexpr char kMarker[] = ".~commit-";

std::string NameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string UniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    char text[64];
    std::snprintf(text, sizeof text, "%x-%x-%lx", static_cast<unsigned>(::getpid()), counter.fetch_add(1),
                  static_cast<unsigned long>(now.tv_nsec));
    return text;
}

HRESULT Flush(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR) return StorageErrorFromErrno(errno, STG_E_WRITEFAULT);
    }
    return S_OK;
}

HRESULT FlushFolder(const std::string& path) {
    int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return StorageErrorFromErrno(errno, STG_E_WRITEFAULT);
    HRESULT hr = Flush(folder);
    ::close(folder);
    return hr;
}

// Renames `from` to `to` unless `to` exists, atomically.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // File systems without the flag: a hard link fails on an existing name
    // just as atomically; the temporary name goes afterwards.
    if (::link(from.c_str(), to.c_str()) != 0) return -1;
    ::unlink(from.c_str());
    return 0;
}

}  // namespace

ReplacementFile::~ReplacementFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
}

HRESULT ReplacementFile::Create(const std::string& target, unsigned mode, bool applyUmask) {
    target_ = target;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = target + kMarker + UniqueSuffix();
        // A new file gets `mode` less the umask from the kernel; a
        // replacement gets exactly the mode of the file it replaces.
        int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, applyUmask ? mode : 0600);
        if (fd < 0) {
            if (errno == EEXIST || errno == EINTR) continue;
            return errno == ENOENT ? STG_E_PATHNOTFOUND : StorageErrorFromErrno(errno, STG_E_WRITEFAULT);
        }
        path_ = candidate;
        file_ = LockedFile(fd);
        // Locked before anyone can find the name in a folder listing worth
        // cleaning: the cleaner only removes files it can lock.
        if (!TryLock(fd, LockKind::kExclusive)) return STG_E_LOCKVIOLATION;
        if (!applyUmask && ::fchmod(fd, mode & 07777) != 0) return StorageErrorFromErrno(errno, STG_E_WRITEFAULT);
        return S_OK;
    }
    return STG_E_WRITEFAULT;
}

HRESULT ReplacementFile::ReplaceTarget(LockedFile* placed) { return Place(true, placed); }

HRESULT ReplacementFile::PlaceAsNewTarget(LockedFile* placed) { return Place(false, placed); }

HRESULT ReplacementFile::Place(bool mayReplace, LockedFile* placed) {
    if (!file_.IsOpen()) return E_UNEXPECTED;
    HRESULT hr = Flush(file_.fd());
    if (FAILED(hr)) return hr;
    int result = mayReplace ? ::rename(path_.c_str(), target_.c_str()) : RenameNoReplace(path_, target_);
    if (result != 0) {
        return errno == EEXIST ? STG_E_FILEALREADYEXISTS : StorageErrorFromErrno(errno, STG_E_WRITEFAULT);
    }
    path_.clear();
    *placed = std::move(file_);
    // Without this the rename may still be lost in a power failure.
    return FlushFolder(target_);
}

void RemoveStaleReplacements(const std::string& target) {
    std::string prefix = NameOf(target) + kMarker;
    std::string folder = FolderOf(target);
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return;
    std::vector<std::string> stale;
    while (dirent* entry = ::readdir(listing)) {
        std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0) stale.push_back(folder + "/" + name);
    }
    ::closedir(listing);
    for (const std::string& path : stale) {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat status {};
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && TryLock(fd, LockKind::kExclusive) &&
            PathNamesFile(path, fd)) {
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
}

}  // namespace storage
