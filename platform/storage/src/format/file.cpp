#include "format/file.h"

#include "winapi/errors.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace storage::format {

namespace {

WriteHook& Hook() {
    static WriteHook hook;
    return hook;
}

HRESULT WriteErrorFromErrno(int error) {
    return error == ENOSPC || error == EDQUOT || error == EFBIG ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT;
}

}  // namespace

File::File(int descriptor) : descriptor_(descriptor) {}

File::~File() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

void File::Close() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
    descriptor_ = -1;
}

void File::Reattach(int descriptor) {
    Close();
    descriptor_ = descriptor;
}

HRESULT File::ReadAt(uint64_t offset, void* buffer, size_t count, size_t* read) const {
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < count) {
        if (offset + done > static_cast<uint64_t>(INT64_MAX)) {
            break;  // Beyond any file: the end.
        }
        const ssize_t got = ::pread(descriptor_, out + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            *read = done;
            return STG_E_READFAULT;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    *read = done;
    return S_OK;
}

HRESULT File::Size(uint64_t* size) const {
    struct stat info {};
    if (::fstat(descriptor_, &info) != 0) {
        return STG_E_READFAULT;
    }
    *size = static_cast<uint64_t>(info.st_size);
    return S_OK;
}

HRESULT WriteAllAt(int descriptor, uint64_t offset, const void* data, size_t count) {
    const auto* in = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < count) {
        if (Hook()) {
            const int injected = Hook()(offset + done, count - done);
            if (injected != 0) {
                return WriteErrorFromErrno(injected);
            }
        }
        const ssize_t wrote = ::pwrite(descriptor, in + done, count - done, static_cast<off_t>(offset + done));
        if (wrote < 0) {
            if (errno == EINTR) {
                continue;
            }
            return WriteErrorFromErrno(errno);
        }
        if (wrote == 0) {
            return STG_E_WRITEFAULT;  // No progress and no error: give up rather than spin.
        }
        done += static_cast<size_t>(wrote);
    }
    return S_OK;
}

void SetWriteHook(WriteHook hook) { Hook() = std::move(hook); }

}  // namespace storage::format
