#include "ui/copy_data.h"

#include "copy_data_internal.h"
#include "handle_table.h"
#include "text_conversion.h"
#include "ui/message_queue.h"
#include "ui/window.h"
#include "ui/window_messages.h"
#include "winapi/errors.h"
#include "winapi/state_root.h"
#include "winapi/unique_fd.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <vector>

namespace ui {
namespace {

using Clock = std::chrono::steady_clock;

// A receiver that stalls mid-message is dropped after this long; the
// sender waits this long for the receiver's WindowProc to answer.
constexpr auto kReadTimeout = std::chrono::seconds(5);
std::atomic<std::chrono::milliseconds::rep> gReplyTimeoutMs{kDefaultCopyDataReplyTimeout.count()};

constexpr uint32_t kMagic = 0x31444355;  // "UCD1"

// What a sender writes before the bytes; the receiver answers with one
// int64_t, its WindowProc's result.
struct WireHeader {
    uint32_t magic;
    uint32_t cbData;
    uint64_t dwData;
};
static_assert(sizeof(WireHeader) == 16);

// <kernel object folder>/windows/<class>-<hash>.sock: the class name made
// safe for a file name, and a hash of the case-folded name so that names
// differing only in dropped characters do not meet.
std::filesystem::path SocketPathFor(const std::u16string& className) {
    std::u16string folded = detail::FromQString(detail::ToQString(className).toCaseFolded());
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    std::string safe;
    for (char16_t unit : folded) {
        hash = (hash ^ unit) * 1099511628211ull;
        bool plain = (unit >= u'a' && unit <= u'z') || (unit >= u'0' && unit <= u'9') || unit == u'-' || unit == u'_';
        if (plain && safe.size() < 32) safe.push_back(static_cast<char>(unit));
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return winapi::KernelObjectDir() / "windows" / (safe + "-" + hex + ".sock");
}

// The address of the socket file at `path`. A socket address holds at most
// 107 bytes of path, less than a long state root needs: such a path is
// reached through its folder, held open here, as "/proc/self/fd/N/<name>",
// which names the same file.
class SocketAddress {
public:
    bool Resolve(const std::filesystem::path& path) {
        std::memset(&address_, 0, sizeof address_);
        address_.sun_family = AF_UNIX;
        std::string text = path.native();
        if (text.size() >= sizeof address_.sun_path) {
            folder_.Reset(::open(path.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (!folder_) return false;
            text = "/proc/self/fd/" + std::to_string(folder_.Get()) + "/" + path.filename().native();
            if (text.size() >= sizeof address_.sun_path) return false;
        }
        std::memcpy(address_.sun_path, text.c_str(), text.size() + 1);
        return true;
    }
    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&address_); }
    socklen_t Size() const { return sizeof address_; }

private:
    sockaddr_un address_{};
    winapi::UniqueFd folder_;
};

// Only a process of this user may talk to our windows (the folder is
// private already; this also guards a socket met at a reused path).
bool PeerIsThisUser(int fd) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 && credentials.uid == ::geteuid();
}

// A connected socket to the window published at `path`, or -1.
int ConnectTo(const std::filesystem::path& path) {
    SocketAddress address;
    if (!address.Resolve(path)) return -1;
    winapi::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.Get() < 0) return -1;
    if (::connect(fd.Get(), address.Get(), address.Size()) != 0) return -1;
    if (!PeerIsThisUser(fd.Get())) return -1;
    return fd.Release();
}

bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd entry{fd, events, 0};
        int ready = ::poll(&entry, 1, static_cast<int>(left));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return false;
    }
}

bool ReadAll(int fd, void* data, size_t size, Clock::time_point deadline) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        if (!WaitFor(fd, POLLIN, deadline)) return false;
        ssize_t got = ::recv(fd, bytes, size, MSG_DONTWAIT);
        if (got == 0) return false;
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return false;
        }
        bytes += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const void* data, size_t size, Clock::time_point deadline) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        if (!WaitFor(fd, POLLOUT, deadline)) return false;
        ssize_t sent = ::send(fd, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return false;
        }
        bytes += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

// The stand-in handle for a window of another process: it has no widget,
// and its WindowProc carries WM_COPYDATA over the socket.
class RemoteWindow : public Window {
public:
    explicit RemoteWindow(std::filesystem::path path) : path_(std::move(path)) {}

    HWND Open(const std::u16string& className) {
        return Exists() ? Handle() : Attach(nullptr, nullptr, false, className);
    }

    LRESULT WindowProc(UINT message, WPARAM, LPARAM lParam) override {
        if (message != WM_COPYDATA) return 0;  // nothing else crosses
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (!data || data->cbData > kMaxCopyDataBytes || (data->cbData && !data->lpData)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        winapi::UniqueFd fd(ConnectTo(path_));
        if (fd.Get() < 0) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        WireHeader header{kMagic, data->cbData, data->dwData};
        auto deadline = Clock::now() + kReadTimeout;
        int64_t result = 0;
        if (!WriteAll(fd.Get(), &header, sizeof header, deadline) ||
            !WriteAll(fd.Get(), data->lpData, data->cbData, deadline) ||
            !ReadAll(fd.Get(), &result, sizeof result,
                     Clock::now() + std::chrono::milliseconds(gReplyTimeoutMs.load()))) {
            SetLastError(ERROR_TIMEOUT);
            return 0;
        }
        return static_cast<LRESULT>(result);
    }

private:
    std::filesystem::path path_;
};

}  // namespace

std::chrono::milliseconds SetCopyDataReplyTimeout(std::chrono::milliseconds timeout) {
    return std::chrono::milliseconds(gReplyTimeoutMs.exchange(timeout.count()));
}

CopyDataListener::CopyDataListener(HWND hwnd, int fd, std::filesystem::path path)
    : hwnd_(hwnd),
      fd_(fd),
      path_(std::move(path)),
      notifier_(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read)) {
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { AcceptOne(); });
}

CopyDataListener::~CopyDataListener() {
    // The window may go from inside the notifier's own signal (its
    // WM_COPYDATA handler destroyed it), so the notifier goes later.
    notifier_->setEnabled(false);
    notifier_.release()->deleteLater();
    ::close(fd_);
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

std::unique_ptr<CopyDataListener> CopyDataListener::Listen(HWND hwnd, const std::u16string& className) {
    std::filesystem::path path = SocketPathFor(className);
    SocketAddress address;
    if (!winapi::EnsureDirectory(path.parent_path(), 0700) || !address.Resolve(path)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    winapi::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.Get() < 0) return nullptr;
    if (::bind(fd.Get(), address.Get(), address.Size()) != 0) {
        if (errno != EADDRINUSE) return nullptr;
        // A live window answers at the path: the name is taken. Otherwise
        // the file is left over from a process that died.
        winapi::UniqueFd probe(ConnectTo(path));
        if (probe.Get() >= 0) {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS);
            return nullptr;
        }
        ::unlink(path.c_str());
        if (::bind(fd.Get(), address.Get(), address.Size()) != 0) return nullptr;
    }
    ::chmod(path.c_str(), 0600);
    if (::listen(fd.Get(), 16) != 0) {
        ::unlink(path.c_str());
        return nullptr;
    }
    return std::unique_ptr<CopyDataListener>(new CopyDataListener(hwnd, fd.Release(), std::move(path)));
}

void CopyDataListener::AcceptOne() {
    winapi::UniqueFd client(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
    if (client.Get() < 0 || !PeerIsThisUser(client.Get())) return;
    auto deadline = Clock::now() + kReadTimeout;
    WireHeader header{};
    // A connection that only looked whether the window is there sends
    // nothing; a malformed or oversized message is dropped unread.
    if (!ReadAll(client.Get(), &header, sizeof header, deadline) || header.magic != kMagic ||
        header.cbData > kMaxCopyDataBytes)
        return;
    std::vector<char> bytes(header.cbData);
    if (!ReadAll(client.Get(), bytes.data(), bytes.size(), deadline)) return;
    COPYDATASTRUCT data{static_cast<ULONG_PTR>(header.dwData), header.cbData, bytes.empty() ? nullptr : bytes.data()};
    // The sender's window handle means nothing in this process: wParam is 0.
    HWND target = hwnd_;  // the handler may destroy the window, and this listener with it
    int64_t result = SendMessageW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    WriteAll(client.Get(), &result, sizeof result, Clock::now() + kReadTimeout);
}

bool Window::PublishToOtherProcesses() {
    if (!handle_ || !widget_) return false;
    if (listener_) return true;
    listener_ = CopyDataListener::Listen(handle_, className_);
    return listener_ != nullptr;
}

namespace detail {

HWND FindWindowOfOtherProcess(const std::u16string& className) {
    std::filesystem::path path = SocketPathFor(className);
    winapi::UniqueFd probe(ConnectTo(path));
    if (probe.Get() < 0) return nullptr;
    static std::map<std::filesystem::path, std::unique_ptr<RemoteWindow>> remotes;
    auto& remote = remotes[path];
    if (!remote) remote = std::make_unique<RemoteWindow>(path);
    return remote->Open(className);
}

}  // namespace detail
}  // namespace ui
