// Kernel objects shared between processes: each object is a small file, in
// the user's namespace folder when it has a name, else an anonymous memory
// file. Its first page holds a header and the object's shared state (a
// mutex, an event); a file mapping's data follows from the second page.
//
// Lifetime: every handle keeps an open file description of the object file
// with a shared flock on it. The kernel drops that lock when the handle
// is closed or its process dies, so a named file that nobody holds a lock on
// belongs to no living handle: the last handle to close removes it, and one
// left by a process that died is stale, removed by the next create or open
// of the name. The namespace folder lies in memory (winapi/state_root.h).
#pragma once

#include "winapi/types.h"

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace winapi::kernel {

enum class ObjectKind : uint32_t { Mutex = 1, Event = 2, FileMapping = 3 };

inline constexpr size_t kPageSize = 4096;
inline constexpr size_t kStateOffset = 64;  // the object's shared state, within the first page
inline constexpr size_t kDataOffset = kPageSize;

struct ObjectHeader {
    uint32_t magic = 0;
    ObjectKind kind = ObjectKind::Mutex;
    uint32_t protect = 0;  // file mapping: PAGE_READONLY or PAGE_READWRITE
    uint32_t reserved = 0;
    uint64_t dataSize = 0;  // file mapping: its size in bytes
};
static_assert(sizeof(ObjectHeader) <= kStateOffset);

// One handle's hold on an object file; closing it releases the hold.
//
// The shared flock sits on an open file description of its own, used for
// nothing else: a memory mapping keeps the description it was made from
// alive, and a flock on that one would outlive the handle.
class ObjectFile {
public:
    ObjectFile(int fd, int holdFd, const ObjectHeader& header) : fd_(fd), holdFd_(holdFd), header_(header) {}
    // A named object's file, which its last handle removes when it closes.
    ObjectFile(int fd, int holdFd, const ObjectHeader& header, std::string folder, std::string fileName)
        : fd_(fd), holdFd_(holdFd), header_(header), folder_(std::move(folder)), fileName_(std::move(fileName)) {}
    ~ObjectFile();
    ObjectFile(const ObjectFile&) = delete;
    ObjectFile& operator=(const ObjectFile&) = delete;

    int fd() const { return fd_; }  // to map the object
    const ObjectHeader& header() const { return header_; }

private:
    int fd_;
    int holdFd_;  // holds the flock; -1 for an object without a name
    ObjectHeader header_;
    std::string folder_;    // the namespace folder, for a named object
    std::string fileName_;  // within it
};

// Prepares the shared state of a new object file before any other process
// can see it; false (with the last error set) fails the creation.
using StateInitialiser = std::function<bool(int fd)>;

// Creates the object `name` (null or empty: an object of this process only),
// or opens the existing object of that name, then *created is false. An
// existing object of another kind fails with ERROR_INVALID_HANDLE. Returns
// null with the last error set on failure.
std::unique_ptr<ObjectFile> CreateObject(LPCWSTR name, const ObjectHeader& header, const StateInitialiser& initialise,
                                         bool* created);
// Opens the existing object `name`: null with ERROR_FILE_NOT_FOUND when
// there is none, ERROR_INVALID_HANDLE when it is of another kind.
std::unique_ptr<ObjectFile> OpenObject(LPCWSTR name, ObjectKind kind);

// The file name that stands for an object name in the namespace folder, or
// an empty string with the last error set when the name cannot be used.
std::string ObjectFileName(LPCWSTR name);

// Maps the first page of an object file read-write, shared; null with the
// last error set on failure. Release with UnmapStatePage.
void* MapStatePage(int fd);
void UnmapStatePage(void* page);

// The object's shared state within a mapped first page.
template <class State>
State* StateIn(void* page) {
    static_assert(kStateOffset + sizeof(State) <= kPageSize);
    return reinterpret_cast<State*>(static_cast<unsigned char*>(page) + kStateOffset);
}

}  // namespace winapi::kernel
