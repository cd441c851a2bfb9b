// One owned POSIX file descriptor, closed when its holder goes. The layers
// below the system's code talk to the kernel in descriptors; this is the one
// holder they share.
#pragma once

#include <errno.h>
#include <unistd.h>

#include <utility>

namespace winapi {

class UniqueFd {
public:
    UniqueFd() = default;
    // Takes over `fd` (-1 for none).
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const noexcept { return fd_; }
    bool IsOpen() const noexcept { return fd_ >= 0; }
    explicit operator bool() const noexcept { return IsOpen(); }

    // Closes what it holds and takes `fd` instead. Keeps errno, which
    // callers read after Reset(open(...)).
    void Reset(int fd = -1) noexcept {
        const int error = errno;
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
        errno = error;
    }
    // Hands the descriptor to the caller, who closes it.
    int Release() noexcept { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

}  // namespace winapi
