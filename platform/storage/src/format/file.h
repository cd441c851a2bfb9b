// The descriptor of an open compound file and the checked I/O on it: reads
// that tell a short file from a failed read, writes that report a full disk,
// and a hook through which tests make a chosen write fail.
#pragma once

#include "winapi/types.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace storage::format {

// An open file descriptor, owned: closed when the File is destroyed. Shared
// (std::shared_ptr<const File>) by a loaded Tree whose unchanged streams are
// read from it lazily, so the descriptor lives as long as any of them.
// Reading uses pread and never moves the descriptor's offset.
class File {
public:
    // Takes ownership of `descriptor` (a valid, readable descriptor).
    explicit File(int descriptor);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    int Descriptor() const { return descriptor_; }
    // Closes the descriptor (giving up the lock it holds); a tree kept for
    // reopening reads nothing until Reattach gives it the file again.
    void Close();
    // Takes ownership of `descriptor`, an open descriptor of the same file.
    void Reattach(int descriptor);

    // Reads up to `count` bytes at `offset` into `buffer`; *read tells how many
    // arrived, fewer than asked only at the end of the file. Retries after
    // interruptions and partial reads. STG_E_READFAULT when the system fails.
    HRESULT ReadAt(uint64_t offset, void* buffer, size_t count, size_t* read) const;
    // The current size of the file in bytes (fstat); STG_E_READFAULT on failure.
    HRESULT Size(uint64_t* size) const;

private:
    int descriptor_;
};

// Writes all `count` bytes at `offset` of `descriptor` (pwrite, retried after
// interruptions and partial writes). STG_E_MEDIUMFULL when the disk or quota
// is full (ENOSPC, EDQUOT, EFBIG), STG_E_WRITEFAULT for every other failure.
// Each pwrite call first asks the write hook.
HRESULT WriteAllAt(int descriptor, uint64_t offset, const void* data, size_t count);

// Test hook: when set, it is called before every pwrite that WriteAllAt makes
// (with the offset and byte count of that call) and returns 0 to let the
// write happen or an errno value to make that write fail with it, writing
// nothing. Tests count calls in it to fail the Nth write. Process-wide and
// not synchronised: set it only while no other thread writes. Pass an empty
// function to remove it.
using WriteHook = std::function<int(uint64_t offset, size_t count)>;
void SetWriteHook(WriteHook hook);

}  // namespace storage::format
