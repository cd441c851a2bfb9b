#include "winapi/save_file.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <vector>

namespace winapi {

namespace {

std::atomic<SaveFaultHook> gFaultHook{nullptr};

int Injected(SaveStep step) {
    SaveFaultHook hook = gFaultHook.load(std::memory_order_acquire);
    return hook ? hook(step) : 0;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
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

int Flush(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

}  // namespace

SaveFile::~SaveFile() { Rollback(); }

void SaveFile::Rollback() {
    if (!placed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    if (!placed_) file_.Reset();
}

int SaveFile::Create(const std::string& target, const Options& options) {
    Rollback();
    target_ = target;
    flushFolder_ = options.flushFolder;
    flushContent_ = options.flushContent;
    placed_ = false;
    if (int injected = Injected(SaveStep::kCreate)) return injected;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = target + options.marker + UniqueSuffix();
        // A new file gets `mode` less the umask from the kernel; otherwise
        // exactly `mode`, set below.
        int fd =
            ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, options.applyUmask ? options.mode : 0600);
        if (fd < 0) {
            if (errno == EEXIST || errno == EINTR) continue;
            return errno;
        }
        temporary_ = std::move(candidate);
        file_.Reset(fd);
        // Locked before anyone can find the name worth sweeping: a sweeper
        // only removes files it can lock.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno;
        if (!options.applyUmask && ::fchmod(fd, options.mode & 07777) != 0) return errno;
        return 0;
    }
    return EEXIST;
}

int SaveFile::Write(const void* data, size_t size) {
    if (!file_ || placed_) return EBADF;
    if (int injected = Injected(SaveStep::kWrite)) return injected;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(file_.Get(), bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return 0;
}

int SaveFile::Commit(Placement placement) {
    if (!file_ || placed_) return EBADF;
    int error = Injected(SaveStep::kFlushData);
    if (error == 0 && flushContent_) error = Flush(file_.Get());
    if (error == 0) error = Injected(SaveStep::kRename);
    if (error == 0) {
        if (placement == Placement::kReplace)
            error = ::rename(temporary_.c_str(), target_.c_str()) == 0 ? 0 : errno;
        else
            error = RenameNoReplace(temporary_, target_);
    }
    if (error != 0) return error;  // the caller may try again, or abandon the save
    placed_ = true;
    temporary_.clear();
    // Without this the rename itself may be lost in a power failure; a
    // caller that saves many files into one folder flushes it once instead.
    return flushFolder_ ? FlushFolder(FolderOf(target_)) : 0;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // The file system cannot do it in one step: a hard link fails on an
    // existing name just as atomically, for files.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno != EPERM && errno != EXDEV) return errno;
    // Last resort (folders, or no hard links): check, then rename.
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void RemoveStaleSaves(const std::string& target, std::string_view marker) {
    const size_t slash = target.rfind('/');
    const std::string prefix = (slash == std::string::npos ? target : target.substr(slash + 1)) + std::string(marker);
    const std::string folder = FolderOf(target);
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return;
    std::vector<std::string> stale;
    while (dirent* entry = ::readdir(listing)) {
        std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0) stale.push_back(folder + "/" + name);
    }
    ::closedir(listing);
    for (const std::string& path : stale) {
        UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (!fd) continue;
        // Unlocked, and still the file at that name: a dead writer's.
        struct stat opened {
        }, named{};
        if (::fstat(fd.Get(), &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0 &&
            ::lstat(path.c_str(), &named) == 0 && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
            ::unlink(path.c_str());
    }
}

int FlushFolder(const std::string& folder) {
    if (int injected = Injected(SaveStep::kFlushFolder)) return injected;
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) return errno;
    return Flush(fd.Get());
}

int FlushFileSystem(int fd) {
    if (int injected = Injected(SaveStep::kFlushData)) return injected;
    return ::syncfs(fd) == 0 ? 0 : errno;
}

void SetSaveFaultHook(SaveFaultHook hook) { gFaultHook.store(hook, std::memory_order_release); }

}  // namespace winapi
