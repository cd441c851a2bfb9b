#include "winapi/files.h"

#include "winapi/environment.h"
#include "winapi/path_mapping.h"
#include "winapi/save_file.h"
#include "winapi/text.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace winapi {

namespace {

// --- Open files and searches as kernel objects ---------------------------

class OpenFile : public KernelObject {
public:
    OpenFile(int fd, bool canRead, bool canWrite) : fd_(fd), canRead_(canRead), canWrite_(canWrite) {}
    ~OpenFile() override { ::close(fd_); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    int fd() const { return fd_; }
    bool canRead() const { return canRead_; }
    bool canWrite() const { return canWrite_; }

private:
    int fd_;  // Owned.
    bool canRead_;
    bool canWrite_;
};

class FolderSearch : public KernelObject {
public:
    explicit FolderSearch(std::vector<WIN32_FIND_DATAW> found) : found_(std::move(found)) {}
    // The next entry after the one FindFirstFileW returned, or null.
    const WIN32_FIND_DATAW* Next() { return next_ < found_.size() ? &found_[next_++] : nullptr; }

private:
    std::vector<WIN32_FIND_DATAW> found_;
    size_t next_ = 1;
};

// --- Small helpers --------------------------------------------------------

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// The separator to add to a path: '/' for a path written with slashes only,
// else the platform's backslash.
char16_t SeparatorFor(std::u16string_view path) {
    return path.find(u'/') != std::u16string_view::npos && path.find(u'\\') == std::u16string_view::npos ? u'/' : u'\\';
}

BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

std::string ParentOf(const std::string& posix) {
    std::string path = posix;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string LastElement(const std::string& posix) {
    std::string path = posix;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsFolder(const std::string& posix) {
    struct stat st;
    return ::stat(posix.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The platform tells a missing file (its folder exists) from a missing path.
DWORD MissingPathError(const std::string& posix) {
    if (!posix.empty() && IsFolder(ParentOf(posix))) return ERROR_FILE_NOT_FOUND;
    return ERROR_PATH_NOT_FOUND;
}

DWORD ErrorFor(int err, const std::string& posix) {
    if (err == ENOENT) return MissingPathError(posix);
    if (err == ENOTDIR) return ERROR_PATH_NOT_FOUND;
    return Win32ErrorFromErrno(err);
}

BOOL FailWithErrno(const std::string& posix) { return Fail(ErrorFor(errno, posix)); }

bool IsReadOnly(const struct stat& st) { return !S_ISDIR(st.st_mode) && (st.st_mode & 0222) == 0; }

DWORD AttributesOf(const struct stat& st, const std::string& name) {
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (IsReadOnly(st)) attributes |= FILE_ATTRIBUTE_READONLY;
    if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes;
}

// Seconds from 1601-01-01 (the FILETIME epoch) to 1970-01-01.
constexpr int64_t kFileTimeEpochOffset = 11644473600;
constexpr int64_t kTicksPerSecond = 10000000;

FILETIME ToFileTime(int64_t seconds, int64_t nanoseconds) {
    int64_t ticks = (seconds + kFileTimeEpochOffset) * kTicksPerSecond + nanoseconds / 100;
    uint64_t value = ticks < 0 ? 0 : static_cast<uint64_t>(ticks);
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

timespec ToTimespec(const FILETIME& time) {
    int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    timespec result{};
    result.tv_sec = static_cast<time_t>(ticks / kTicksPerSecond - kFileTimeEpochOffset);
    result.tv_nsec = static_cast<long>(ticks % kTicksPerSecond * 100);
    return result;
}

// Copies `text` with its terminator when it fits in `size` characters and
// returns its length; else returns the size needed, terminator included.
DWORD CopyOutOrNeeded(const std::u16string& text, DWORD size, LPWSTR buffer) {
    if (!buffer || text.size() + 1 > size) return static_cast<DWORD>(text.size() + 1);
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return static_cast<DWORD>(text.size());
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Copies the file `source` (already checked) to `target` as one save, so
// the target appears whole or not at all. Returns ERROR_SUCCESS or the Win32
// error; ERROR_FILE_EXISTS when `replace` is false and the target exists.
DWORD CopyWhole(const std::string& source, const std::string& target, bool replace) {
    UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!in) return ErrorFor(errno, source);
    struct stat st;
    if (::fstat(in.Get(), &st) != 0 || S_ISDIR(st.st_mode)) return ERROR_ACCESS_DENIED;
    // The copy keeps the source's permissions (its read-only attribute) and
    // times, as the platform's copy does.
    SaveFile out;
    SaveFile::Options options;
    options.mode = st.st_mode & 07777;
    options.marker = ".copy-";
    if (int err = out.Create(target, options)) return err == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFor(err, target);
    std::vector<char> chunk(1 << 16);
    for (;;) {
        ssize_t got = ::read(in.Get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Win32ErrorFromErrno(errno);
        if (got == 0) break;
        if (int err = out.Write(chunk.data(), static_cast<size_t>(got))) return Win32ErrorFromErrno(err);
    }
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.fd(), times);
    int err = out.Commit(replace ? SaveFile::Placement::kReplace : SaveFile::Placement::kMustNotExist);
    if (err == EEXIST && !out.IsPlaced()) return ERROR_FILE_EXISTS;
    return err == 0 ? ERROR_SUCCESS : ErrorFor(err, target);
}

// Wildcard match of a whole name, letters compared without regard to case.
bool MatchesPattern(std::u16string_view pattern, std::u16string_view name) {
    if (pattern == u"*.*") return true;
    size_t p = 0, n = 0;
    size_t starAt = std::u16string_view::npos, resumeAt = 0;
    while (n < name.size()) {
        const bool sameCharacter = p < pattern.size() && pattern[p] != u'*' &&
                                   (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]));
        if (sameCharacter) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt != std::u16string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

// The birth time where the file system keeps one, else the last status
// change, as the creation time.
FILETIME CreationTimeOf(const struct statx& stx) {
    const statx_timestamp& t = (stx.stx_mask & STATX_BTIME) ? stx.stx_btime : stx.stx_ctime;
    return ToFileTime(t.tv_sec, t.tv_nsec);
}

WIN32_FIND_DATAW FindDataFor(const struct stat& st, const FILETIME& creationTime, const std::string& name,
                             const std::u16string& wideName) {
    WIN32_FIND_DATAW data{};
    data.dwFileAttributes = AttributesOf(st, name);
    data.ftCreationTime = creationTime;
    data.ftLastAccessTime = ToFileTime(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    data.ftLastWriteTime = ToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    if (!S_ISDIR(st.st_mode)) {
        uint64_t size = static_cast<uint64_t>(st.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size);
    }
    std::copy(wideName.begin(), wideName.end(), data.cFileName);
    return data;
}

// "." and ".." first, then the names in order of their text.
bool ComesBefore(const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
    std::u16string_view nameA(a.cFileName), nameB(b.cFileName);
    auto rank = [](std::u16string_view name) { return name == u"." ? 0 : name == u".." ? 1 : 2; };
    if (rank(nameA) != rank(nameB)) return rank(nameA) < rank(nameB);
    return nameA < nameB;
}

// Moves the file pointer; false with the last error set.
bool MoveFilePointer(const OpenFile& file, int64_t distance, DWORD method, bool fitIn32Bits, int64_t* position) {
    int64_t base = 0;
    if (method == FILE_CURRENT) {
        base = ::lseek(file.fd(), 0, SEEK_CUR);
    } else if (method == FILE_END) {
        struct stat st;
        base = ::fstat(file.fd(), &st) == 0 ? st.st_size : -1;
    } else if (method != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (base < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    int64_t target = 0;
    if (__builtin_add_overflow(base, distance, &target) || (fitIn32Bits && target >= 0xFFFFFFFFLL)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return false;
    }
    if (::lseek(file.fd(), target, SEEK_SET) < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    *position = target;
    return true;
}

bool StartsWithDrive(std::u16string_view path) {
    return path.size() >= 2 && path[1] == u':' &&
           ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
}

std::u16string CurrentDirectory() {
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) return std::u16string();
        buffer.resize(buffer.size() * 2);
    }
    return FromPosixPath(buffer.data());
}

std::u16string VariableValue(const char16_t* name) {
    DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return std::u16string();
    std::u16string value(needed, u'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), needed);
    value.resize(length < needed ? length : 0);
    return value;
}

}  // namespace

}  // namespace winapi

using namespace winapi;

// --- Attributes ----------------------------------------------------------

DWORD WINAPI GetFileAttributesW(LPCWSTR path) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string posix = ToPosixPath(path);
    struct stat st;
    if (::stat(posix.c_str(), &st) != 0) {
        SetLastError(ErrorFor(errno, posix));
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(st, LastElement(posix));
}

BOOL WINAPI SetFileAttributesW(LPCWSTR path, DWORD attributes) {
    if (!path) return Fail(ERROR_INVALID_PARAMETER);
    std::string posix = ToPosixPath(path);
    struct stat st;
    if (::stat(posix.c_str(), &st) != 0) return FailWithErrno(posix);
    if (S_ISDIR(st.st_mode)) return TRUE;  // read-only means nothing on a folder
    mode_t mode = st.st_mode & 07777;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        mode &= ~static_cast<mode_t>(0222);
    else if ((mode & 0222) == 0)
        mode |= S_IWUSR;
    if (mode != (st.st_mode & 07777) && ::chmod(posix.c_str(), mode) != 0) return FailWithErrno(posix);
    return TRUE;
}

// --- Folders and files by name -------------------------------------------

BOOL WINAPI CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
    if (!path) return Fail(ERROR_INVALID_PARAMETER);
    std::string posix = ToPosixPath(path);
    if (::mkdir(posix.c_str(), 0777) == 0) return TRUE;
    if (errno == ENOENT) return Fail(ERROR_PATH_NOT_FOUND);
    return FailWithErrno(posix);
}

BOOL WINAPI RemoveDirectoryW(LPCWSTR path) {
    if (!path) return Fail(ERROR_INVALID_PARAMETER);
    std::string posix = ToPosixPath(path);
    if (::rmdir(posix.c_str()) == 0) return TRUE;
    if (errno == ENOTDIR) {
        struct stat st;
        if (::stat(posix.c_str(), &st) == 0) return Fail(ERROR_DIRECTORY);
    }
    if (errno == EEXIST) return Fail(ERROR_DIR_NOT_EMPTY);
    return FailWithErrno(posix);
}

BOOL WINAPI DeleteFileW(LPCWSTR path) {
    if (!path) return Fail(ERROR_INVALID_PARAMETER);
    std::string posix = ToPosixPath(path);
    struct stat st;
    if (::lstat(posix.c_str(), &st) != 0) return FailWithErrno(posix);
    if (S_ISDIR(st.st_mode) || (!S_ISLNK(st.st_mode) && IsReadOnly(st))) return Fail(ERROR_ACCESS_DENIED);
    if (::unlink(posix.c_str()) != 0) return FailWithErrno(posix);
    return TRUE;
}

BOOL WINAPI MoveFileExW(LPCWSTR existingName, LPCWSTR newName, DWORD flags) {
    if (!existingName || !newName) return Fail(ERROR_INVALID_PARAMETER);
    const bool replace = flags & MOVEFILE_REPLACE_EXISTING;
    std::string source = ToPosixPath(existingName);
    std::string target = ToPosixPath(newName);
    struct stat sourceStat, targetStat;
    if (::lstat(source.c_str(), &sourceStat) != 0) return FailWithErrno(source);
    const bool sourceIsFolder = S_ISDIR(sourceStat.st_mode);
    // Renaming a file onto itself (another spelling of the same name) is not
    // a clash.
    bool sameFile = false;
    if (::lstat(target.c_str(), &targetStat) == 0) {
        sameFile = sourceStat.st_dev == targetStat.st_dev && sourceStat.st_ino == targetStat.st_ino;
        if (!sameFile) {
            if (!replace) return Fail(ERROR_ALREADY_EXISTS);
            if (sourceIsFolder || S_ISDIR(targetStat.st_mode) || IsReadOnly(targetStat))
                return Fail(ERROR_ACCESS_DENIED);
        }
    }
    int err = replace || sameFile ? (::rename(source.c_str(), target.c_str()) == 0 ? 0 : errno)
                                  : winapi::RenameNoReplace(source, target);
    if (err == EXDEV) {
        if (sourceIsFolder || !(flags & MOVEFILE_COPY_ALLOWED)) return Fail(ERROR_NOT_SAME_DEVICE);
        DWORD copied = CopyWhole(source, target, replace);
        if (copied == ERROR_FILE_EXISTS) return Fail(ERROR_ALREADY_EXISTS);
        if (copied != ERROR_SUCCESS) return Fail(copied);
        if (::unlink(source.c_str()) != 0) return FailWithErrno(source);
        err = 0;
    }
    if (err == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
    if (err == ENOENT) return Fail(ERROR_PATH_NOT_FOUND);  // the source exists: the target's folder is missing
    if (err != 0) return Fail(ErrorFor(err, target));
    if (flags & MOVEFILE_WRITE_THROUGH) {
        winapi::FlushFolder(ParentOf(target));
        winapi::FlushFolder(ParentOf(source));
    }
    return TRUE;
}

BOOL WINAPI MoveFileW(LPCWSTR existingName, LPCWSTR newName) {
    return MoveFileExW(existingName, newName, MOVEFILE_COPY_ALLOWED);
}

BOOL WINAPI CopyFileW(LPCWSTR existingName, LPCWSTR newName, BOOL failIfExists) {
    if (!existingName || !newName) return Fail(ERROR_INVALID_PARAMETER);
    std::string source = ToPosixPath(existingName);
    std::string target = ToPosixPath(newName);
    struct stat sourceStat, targetStat;
    if (::stat(source.c_str(), &sourceStat) != 0) return FailWithErrno(source);
    if (S_ISDIR(sourceStat.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (::stat(target.c_str(), &targetStat) == 0) {
        if (failIfExists) return Fail(ERROR_FILE_EXISTS);
        if (S_ISDIR(targetStat.st_mode) || IsReadOnly(targetStat)) return Fail(ERROR_ACCESS_DENIED);
        if (sourceStat.st_dev == targetStat.st_dev && sourceStat.st_ino == targetStat.st_ino)
            return Fail(ERROR_SHARING_VIOLATION);  // a file cannot be copied onto itself
    }
    DWORD result = CopyWhole(source, target, !failIfExists);
    return result == ERROR_SUCCESS ? TRUE : Fail(result);
}

int _waccess(LPCWSTR path, int mode) {
    if (!path || (mode & ~6) != 0) {
        errno = EINVAL;
        return -1;
    }
    std::string posix = ToPosixPath(path);
    struct stat st;
    if (::stat(posix.c_str(), &st) != 0) return -1;  // errno from stat: ENOENT, ENOTDIR, ...
    if ((mode & 2) && IsReadOnly(st)) {
        errno = EACCES;
        return -1;
    }
    // Beyond the attribute, the account's real rights count too.
    int wanted = ((mode & 2) ? W_OK : 0) | ((mode & 4) ? R_OK : 0);
    if (wanted != 0 && ::access(posix.c_str(), wanted) != 0) return -1;
    return 0;
}

// --- Open files ----------------------------------------------------------

HANDLE WINAPI CreateFileW(LPCWSTR path, DWORD desiredAccess, DWORD, LPSECURITY_ATTRIBUTES, DWORD creationDisposition,
                          DWORD flagsAndAttributes, HANDLE) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const bool canRead = desiredAccess & (GENERIC_READ | GENERIC_ALL);
    const bool canWrite = desiredAccess & (GENERIC_WRITE | GENERIC_ALL);
    const DWORD disposition = creationDisposition;
    const bool knownDisposition = disposition >= CREATE_NEW && disposition <= TRUNCATE_EXISTING;
    if (!knownDisposition || (disposition == TRUNCATE_EXISTING && !canWrite)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const bool mayCreate = disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    const bool mayOpen = disposition != CREATE_NEW;
    const bool truncate = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;

    std::string posix = ToPosixPath(path);
    struct stat st;
    if (::stat(posix.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        if (mayOpen && (canWrite || truncate) && IsReadOnly(st)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
    }

    const int access = canWrite ? (canRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    const int base = access | O_CLOEXEC | O_NOCTTY;
    const mode_t newMode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    int fd = -1;
    bool existed = false;
    // Create-or-open races with other processes: retry until one of the two
    // opens decides.
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        if (mayCreate) {
            fd = ::open(posix.c_str(), base | O_CREAT | O_EXCL, newMode);
            if (fd >= 0) break;
            if (errno != EEXIST) break;
            if (!mayOpen) {
                SetLastError(ERROR_FILE_EXISTS);
                return INVALID_HANDLE_VALUE;
            }
        }
        fd = ::open(posix.c_str(), base | (truncate ? O_TRUNC : 0));
        if (fd >= 0) {
            existed = true;
            break;
        }
        if (errno != ENOENT || !mayCreate) break;
    }
    if (fd < 0) {
        SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFor(errno, posix));
        return INVALID_HANDLE_VALUE;
    }
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = RegisterHandle(std::make_shared<OpenFile>(fd, canRead, canWrite));
    SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                         : ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD bytesRead, LPOVERLAPPED overlapped) {
    if (bytesRead) *bytesRead = 0;
    auto file = LookupHandleAs<OpenFile>(handle);
    if (!file) return FALSE;
    if (!buffer && toRead > 0) return Fail(ERROR_INVALID_PARAMETER);
    if (!file->canRead()) return Fail(ERROR_ACCESS_DENIED);
    if (overlapped) {
        off_t offset = static_cast<off_t>((static_cast<uint64_t>(overlapped->OffsetHigh) << 32) | overlapped->Offset);
        if (::lseek(file->fd(), offset, SEEK_SET) < 0) return Fail(Win32ErrorFromErrno(errno));
    }
    char* out = static_cast<char*>(buffer);
    DWORD total = 0;
    while (total < toRead) {
        ssize_t got = ::read(file->fd(), out + total, toRead - total);
        if (got < 0) {
            if (errno == EINTR) continue;
            if (bytesRead) *bytesRead = total;
            return Fail(Win32ErrorFromErrno(errno));
        }
        if (got == 0) break;
        total += static_cast<DWORD>(got);
    }
    if (bytesRead) *bytesRead = total;
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped) {
    if (bytesWritten) *bytesWritten = 0;
    auto file = LookupHandleAs<OpenFile>(handle);
    if (!file) return FALSE;
    if (!buffer && toWrite > 0) return Fail(ERROR_INVALID_PARAMETER);
    if (!file->canWrite()) return Fail(ERROR_ACCESS_DENIED);
    if (overlapped) {
        off_t offset = static_cast<off_t>((static_cast<uint64_t>(overlapped->OffsetHigh) << 32) | overlapped->Offset);
        if (::lseek(file->fd(), offset, SEEK_SET) < 0) return Fail(Win32ErrorFromErrno(errno));
    }
    if (!WriteAll(file->fd(), static_cast<const char*>(buffer), toWrite)) return Fail(Win32ErrorFromErrno(errno));
    if (bytesWritten) *bytesWritten = toWrite;
    return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD moveMethod) {
    auto file = LookupHandleAs<OpenFile>(handle);
    if (!file) return INVALID_SET_FILE_POINTER;
    int64_t move = distance;
    if (distanceHigh)
        move = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                    static_cast<uint32_t>(distance));
    int64_t position = 0;
    if (!MoveFilePointer(*file, move, moveMethod, !distanceHigh, &position)) return INVALID_SET_FILE_POINTER;
    if (distanceHigh) *distanceHigh = static_cast<LONG>(position >> 32);
    DWORD low = static_cast<DWORD>(position);
    if (low == INVALID_SET_FILE_POINTER) SetLastError(NO_ERROR);
    return low;
}

BOOL WINAPI SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD moveMethod) {
    auto file = LookupHandleAs<OpenFile>(handle);
    if (!file) return FALSE;
    int64_t position = 0;
    if (!MoveFilePointer(*file, distance.QuadPart, moveMethod, false, &position)) return FALSE;
    if (newPosition) newPosition->QuadPart = position;
    return TRUE;
}

DWORD WINAPI GetFileSize(HANDLE handle, LPDWORD sizeHigh) {
    auto file = LookupHandleAs<OpenFile>(handle);
    if (!file) return INVALID_FILE_SIZE;
    struct stat st;
    if (::fstat(file->fd(), &st) != 0) {
        SetLastErrorFromErrno(errno);
        return INVALID_FILE_SIZE;
    }
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    DWORD low = static_cast<DWORD>(size);
    if (low == INVALID_FILE_SIZE) SetLastError(NO_ERROR);
    return low;
}

BOOL WINAPI GetFileSizeEx(HANDLE handle, LARGE_INTEGER* size) {
    auto file = LookupHandleAs<OpenFile>(handle);
    if (!file) return FALSE;
    if (!size) return Fail(ERROR_INVALID_PARAMETER);
    struct stat st;
    if (::fstat(file->fd(), &st) != 0) return Fail(Win32ErrorFromErrno(errno));
    size->QuadPart = st.st_size;
    return TRUE;
}

BOOL WINAPI SetEndOfFile(HANDLE handle) {
    auto file = LookupHandleAs<OpenFile>(handle);
    if (!file) return FALSE;
    if (!file->canWrite()) return Fail(ERROR_ACCESS_DENIED);
    off_t position = ::lseek(file->fd(), 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(file->fd(), position) != 0) return Fail(Win32ErrorFromErrno(errno));
    return TRUE;
}

BOOL WINAPI FlushFileBuffers(HANDLE handle) {
    auto file = LookupHandleAs<OpenFile>(handle);
    if (!file) return FALSE;
    if (!file->canWrite()) return Fail(ERROR_ACCESS_DENIED);
    if (::fsync(file->fd()) != 0) return Fail(Win32ErrorFromErrno(errno));
    return TRUE;
}

BOOL WINAPI GetFileTime(HANDLE handle, LPFILETIME creationTime, LPFILETIME lastAccessTime, LPFILETIME lastWriteTime) {
    auto file = LookupHandleAs<OpenFile>(handle);
    if (!file) return FALSE;
    struct statx stx;
    if (::statx(file->fd(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &stx) != 0)
        return Fail(Win32ErrorFromErrno(errno));
    auto convert = [](const statx_timestamp& t) { return ToFileTime(t.tv_sec, t.tv_nsec); };
    if (creationTime) *creationTime = CreationTimeOf(stx);
    if (lastAccessTime) *lastAccessTime = convert(stx.stx_atime);
    if (lastWriteTime) *lastWriteTime = convert(stx.stx_mtime);
    return TRUE;
}

BOOL WINAPI SetFileTime(HANDLE handle, const FILETIME*, const FILETIME* lastAccessTime, const FILETIME* lastWriteTime) {
    auto file = LookupHandleAs<OpenFile>(handle);
    if (!file) return FALSE;
    if (!file->canWrite()) return Fail(ERROR_ACCESS_DENIED);
    timespec times[2];
    times[0] = lastAccessTime ? ToTimespec(*lastAccessTime) : timespec{0, UTIME_OMIT};
    times[1] = lastWriteTime ? ToTimespec(*lastWriteTime) : timespec{0, UTIME_OMIT};
    if (::futimens(file->fd(), times) != 0) return Fail(Win32ErrorFromErrno(errno));
    return TRUE;
}

// --- Folder searches -----------------------------------------------------

HANDLE WINAPI FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW findData) {
    if (!pattern || !findData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::u16string_view text(pattern);
    size_t maskStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsSeparator(text[i])) maskStart = i + 1;
    }
    if (maskStart == 0 && StartsWithDrive(text)) maskStart = 2;
    std::u16string_view mask = text.substr(maskStart);
    if (mask.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string folder = maskStart == 0 ? std::string(".") : ToPosixPath(text.substr(0, maskStart));
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    std::vector<WIN32_FIND_DATAW> found;
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        std::u16string wideName = FromPosixPath(name);
        if (wideName.size() >= MAX_PATH || !MatchesPattern(mask, wideName)) continue;
        // A dangling link is reported as itself; an entry removed meanwhile
        // is left out.
        int follow = 0;
        struct stat st;
        if (::fstatat(::dirfd(dir), entry->d_name, &st, 0) != 0) {
            follow = AT_SYMLINK_NOFOLLOW;
            if (::fstatat(::dirfd(dir), entry->d_name, &st, follow) != 0) continue;
        }
        struct statx stx;
        FILETIME created = ToFileTime(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
        if (::statx(::dirfd(dir), entry->d_name, follow, STATX_BTIME, &stx) == 0) created = CreationTimeOf(stx);
        found.push_back(FindDataFor(st, created, name, wideName));
    }
    ::closedir(dir);
    if (found.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::sort(found.begin(), found.end(), ComesBefore);
    *findData = found.front();
    return RegisterHandle(std::make_shared<FolderSearch>(std::move(found)));
}

BOOL WINAPI FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW findData) {
    auto search = LookupHandleAs<FolderSearch>(find);
    if (!search) return FALSE;
    if (!findData) return Fail(ERROR_INVALID_PARAMETER);
    const WIN32_FIND_DATAW* next = search->Next();
    if (!next) return Fail(ERROR_NO_MORE_FILES);
    *findData = *next;
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE find) {
    if (!LookupHandleAs<FolderSearch>(find)) return FALSE;
    return CloseHandle(find);
}

// --- Full, temporary and current paths -----------------------------------

DWORD WINAPI GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart) {
    if (filePart) *filePart = nullptr;
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    std::u16string_view name(fileName);
    std::u16string full;
    if (StartsWithDrive(name)) {
        std::u16string drivePath(name.substr(0, 2));
        drivePath += u'\\';
        drivePath += name.substr(2);
        for (char16_t& c : drivePath) {
            if (c == u'/') c = u'\\';
        }
        full = CollapseDotSegments(drivePath);
    } else if (IsSeparator(name[0])) {
        full = CollapseDotSegments(name);
    } else {
        std::u16string joined = CurrentDirectory();
        if (joined.empty()) {
            SetLastErrorFromErrno(errno);
            return 0;
        }
        if (!IsSeparator(joined.back())) joined += u'/';
        joined += name;
        full = CollapseDotSegments(joined);
    }
    DWORD result = CopyOutOrNeeded(full, bufferLength, buffer);
    if (result == full.size() && filePart && !IsSeparator(full.back())) {
        size_t last = full.find_last_of(u"\\/");
        *filePart = buffer + (last == std::u16string::npos ? 0 : last + 1);
    }
    return result;
}

DWORD WINAPI GetTempPathW(DWORD bufferLength, LPWSTR buffer) {
    std::u16string folder = VariableValue(u"TMP");
    if (folder.empty()) folder = VariableValue(u"TEMP");
    if (folder.empty()) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    if (!IsSeparator(folder.back())) folder += SeparatorFor(folder);
    return CopyOutOrNeeded(folder, bufferLength, buffer);
}

UINT WINAPI GetTempFileNameW(LPCWSTR pathName, LPCWSTR prefixString, UINT unique, LPWSTR tempFileName) {
    if (!pathName || !tempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string folder(pathName);
    if (!IsFolder(ToPosixPath(folder))) {
        SetLastError(ERROR_DIRECTORY);
        return 0;
    }
    std::u16string stem = folder;
    if (!stem.empty() && !IsSeparator(stem.back())) stem += SeparatorFor(folder);
    if (prefixString) stem += std::u16string_view(prefixString).substr(0, 3);
    auto nameFor = [&stem](UINT number) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", number & 0xFFFFu);
        return stem + FromPosixPath(hex) + u".TMP";
    };
    auto publish = [tempFileName](const std::u16string& name) {
        std::copy(name.begin(), name.end(), tempFileName);
        tempFileName[name.size()] = 0;
    };
    if (nameFor(0xFFFF).size() >= MAX_PATH) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }
    if (unique != 0) {
        publish(nameFor(unique));
        return unique;
    }
    // Start at a number that differs between processes and calls, and take
    // the first free one; creating the file reserves it.
    static std::atomic<unsigned> counter{0};
    unsigned seed = static_cast<unsigned>(::getpid()) * 31u + static_cast<unsigned>(std::time(nullptr)) + counter++;
    for (unsigned i = 0; i < 0x10000u; ++i) {
        UINT number = (seed + i) & 0xFFFFu;
        if (number == 0) continue;
        std::u16string name = nameFor(number);
        std::string posix = ToPosixPath(name);
        int fd = ::open(posix.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            publish(name);
            return number;
        }
        if (errno != EEXIST) {
            SetLastError(ErrorFor(errno, posix));
            return 0;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

DWORD WINAPI GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer) {
    std::u16string current = CurrentDirectory();
    if (current.empty()) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    return CopyOutOrNeeded(current, bufferLength, buffer);
}

BOOL WINAPI SetCurrentDirectoryW(LPCWSTR path) {
    if (!path) return Fail(ERROR_INVALID_PARAMETER);
    std::string posix = ToPosixPath(path);
    if (::chdir(posix.c_str()) == 0) return TRUE;
    struct stat st;
    if (errno == ENOTDIR && ::stat(posix.c_str(), &st) == 0) return Fail(ERROR_DIRECTORY);
    return FailWithErrno(posix);
}
