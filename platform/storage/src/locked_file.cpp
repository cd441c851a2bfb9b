#include "locked_file.h"

#include "winapi/errors.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace storage {

bool TryLock(int fd, LockKind kind) {
    int operation = (kind == LockKind::kExclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

bool PathNamesFile(const std::string& path, int fd) {
    struct stat byPath {};
    struct stat byDescriptor {};
    if (::stat(path.c_str(), &byPath) != 0 || ::fstat(fd, &byDescriptor) != 0) return false;
    return byPath.st_dev == byDescriptor.st_dev && byPath.st_ino == byDescriptor.st_ino;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

HRESULT StorageErrorFromErrno(int error, HRESULT ioFault) {
    switch (error) {
    case ENOENT:
        return STG_E_FILENOTFOUND;
    case ENOTDIR:
        return STG_E_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return STG_E_ACCESSDENIED;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return STG_E_MEDIUMFULL;
    case EMFILE:
    case ENFILE:
        return STG_E_TOOMANYOPENFILES;
    case ENOMEM:
        return STG_E_INSUFFICIENTMEMORY;
    case ENAMETOOLONG:
        return STG_E_PATHNOTFOUND;
    case EWOULDBLOCK:
        return STG_E_SHAREVIOLATION;
    default:
        return ioFault;
    }
}

namespace {

// ENOENT names the file as missing only when its folder exists.
HRESULT MissingFileError(const std::string& path) {
    struct stat folder {};
    if (::stat(FolderOf(path).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) return STG_E_PATHNOTFOUND;
    return STG_E_FILENOTFOUND;
}

}  // namespace

HRESULT OpenLockedFile(const std::string& path, bool writable, LockKind kind, LockedFile* file) {
    // Each round that finds the file replaced under its lock starts again; a
    // replacement needs a whole commit by another holder, so a handful of
    // rounds always suffices unless the file is being churned without end.
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return errno == ENOENT ? MissingFileError(path) : StorageErrorFromErrno(errno, STG_E_READFAULT);
        }
        // O_NONBLOCK only keeps a FIFO at the path from blocking the open;
        // it changes nothing for the regular files accepted below.
        LockedFile candidate(fd);
        struct stat status {};
        if (::fstat(fd, &status) != 0) return StorageErrorFromErrno(errno, STG_E_READFAULT);
        if (!S_ISREG(status.st_mode)) return STG_E_ACCESSDENIED;
        if (!TryLock(fd, kind)) {
            return errno == EWOULDBLOCK ? STG_E_SHAREVIOLATION : StorageErrorFromErrno(errno, STG_E_LOCKVIOLATION);
        }
        if (PathNamesFile(path, fd)) {
            *file = std::move(candidate);
            return S_OK;
        }
    }
    return STG_E_SHAREVIOLATION;
}

}  // namespace storage
