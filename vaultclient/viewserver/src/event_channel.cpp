#include "event_channel.h"

#include "vault_event.h"

#include "ui/descriptor_watch.h"
#include "winapi/errors.h"
#include "winapi/state_root.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace viewserver {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kSocketSuffix[] = ".sock";
constexpr char kCounterFile[] = "last-id";
constexpr LONG kLastId = 0x7FFFFFFF;

// The longest message a listener reads; longer ones are dropped.
constexpr size_t kMaxMessageBytes = 64 + kMaxEventText * sizeof(char16_t);
// A sender writes its message right after it connects; a connection that
// brings nothing whole in this time is dropped.
constexpr auto kReadTimeout = std::chrono::seconds(2);

// The address of socket `name` in the folder open as `folderFd`: its path,
// or, when that is longer than an address holds, the same file reached as
// "/proc/self/fd/<folderFd>/<name>".
bool AddressOf(const std::filesystem::path& folder, int folderFd, const std::string& name, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    std::string text = (folder / name).native();
    if (text.size() >= sizeof address.sun_path) text = "/proc/self/fd/" + std::to_string(folderFd) + "/" + name;
    if (text.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

bool PeerIsThisUser(int fd) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 && credentials.uid == ::geteuid();
}

// Sends `message` whole on a new connection to `address`, never waiting.
// False when nobody listens there any more.
bool SendTo(const sockaddr_un& address, std::string_view message) {
    winapi::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) return true;
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return errno != ECONNREFUSED && errno != ENOENT;  // EAGAIN: its backlog is full, it misses this one
    // A message is far smaller than a socket's buffer: it goes at once or
    // not at all.
    ::send(fd.Get(), message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    return true;
}

// The whole message of an accepted connection (until the sender closes),
// or false.
bool ReadMessage(int fd, std::string& message) {
    const auto deadline = Clock::now() + kReadTimeout;
    char buffer[4096];
    for (;;) {
        ssize_t got = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got == 0) return true;
        if (got > 0) {
            message.append(buffer, static_cast<size_t>(got));
            if (message.size() > kMaxMessageBytes) return false;
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(left)) < 0 && errno != EINTR) return false;
    }
}

}  // namespace

std::filesystem::path ChannelFolder() {
    std::filesystem::path folder = winapi::KernelObjectDir() / "viewserver";
    winapi::EnsureDirectory(folder, 0700);
    return folder;
}

LONG NewSessionId() {
    winapi::UniqueFd fd(::open((ChannelFolder() / kCounterFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd) return 0;
    // The lock goes with the descriptor.
    while (::flock(fd.Get(), LOCK_EX) != 0)
        if (errno != EINTR) return 0;
    int32_t last = 0;
    if (::pread(fd.Get(), &last, sizeof last, 0) != static_cast<ssize_t>(sizeof last)) last = 0;
    const int32_t next = last >= 1 && last < kLastId ? last + 1 : 1;
    if (::pwrite(fd.Get(), &next, sizeof next, 0) != static_cast<ssize_t>(sizeof next)) return 0;
    return next;
}

void SendToListeners(std::string_view message) {
    const std::filesystem::path folder = ChannelFolder();
    DIR* listing = ::opendir(folder.c_str());
    if (!listing) return;
    const int folderFd = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.size() <= sizeof kSocketSuffix - 1 || !name.ends_with(kSocketSuffix)) continue;
        sockaddr_un address;
        if (!AddressOf(folder, folderFd, name, address)) continue;
        // A socket nobody listens on is left over from a process that
        // ended without closing it.
        if (!SendTo(address, message)) ::unlinkat(folderFd, name.c_str(), 0);
    }
    ::closedir(listing);
}

EventListener::EventListener(winapi::UniqueFd fd, std::filesystem::path path,
                             std::function<void(std::string_view)> onMessage)
    : fd_(std::move(fd)), path_(std::move(path)), onMessage_(std::move(onMessage)) {
    watch_ = std::make_unique<ui::DescriptorWatch>(fd_.Get(), [this] { AcceptWaiting(); });
}

EventListener::~EventListener() {
    watch_.reset();
    fd_.Reset();
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

std::unique_ptr<EventListener> EventListener::Open(std::function<void(std::string_view)> onMessage) {
    const std::filesystem::path folder = ChannelFolder();
    const LONG id = NewSessionId();
    winapi::UniqueFd folderFd(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    winapi::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const std::string name = std::to_string(id) + kSocketSuffix;
    sockaddr_un address;
    if (id == 0 || !folderFd || !fd || !AddressOf(folder, folderFd.Get(), name, address)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The id is new in the session: a file of that name is left over from
    // a counter that went round, and is nobody's.
    ::unlinkat(folderFd.Get(), name.c_str(), 0);
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd.Get(), SOMAXCONN) != 0) {
        winapi::SetLastErrorFromErrno(errno);
        ::unlinkat(folderFd.Get(), name.c_str(), 0);
        return nullptr;
    }
    return std::unique_ptr<EventListener>(new EventListener(std::move(fd), folder / name, std::move(onMessage)));
}

void EventListener::AcceptWaiting() {
    for (;;) {
        winapi::UniqueFd connection(::accept4(fd_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!connection) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;  // EAGAIN: nothing more waits
        }
        std::string message;
        if (!PeerIsThisUser(connection.Get()) || !ReadMessage(connection.Get(), message)) continue;
        connection.Reset();
        onMessage_(message);
    }
}

}  // namespace viewserver
