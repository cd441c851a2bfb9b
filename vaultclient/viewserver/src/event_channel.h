// The session's channel of vault events between processes: each process
// that takes events listens on a local socket of its own in one folder that
// only this user reaches; a process that posts an event hands it to every
// socket there, without waiting for anybody to read it.
//
// Also the session's ids: registrations of handlers and views are counted
// in one place for the whole session, so that an id names one registration
// of one process wherever it travels.
#pragma once

#include "winapi/types.h"
#include "winapi/unique_fd.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace ui {
class DescriptorWatch;
}

namespace viewserver {

// <kernel object folder>/viewserver, made on the way (mode 0700).
std::filesystem::path ChannelFolder();

// A new id of the session: 1 to 0x7FFFFFFF, then from 1 again; 0 when the
// counter cannot be read or written.
LONG NewSessionId();

// Hands `message` to every listener of the session and returns: a listener
// that takes no more connections now misses it; the sockets of listeners
// that are gone are removed.
void SendToListeners(std::string_view message);

// This process's listener.
class EventListener {
public:
    // Listens at a new socket of the channel folder. `onMessage` gets each
    // message on this (the GUI) thread, from whichever loop runs; it must
    // not end the listener. Null when the socket cannot be made (the last
    // error says why).
    static std::unique_ptr<EventListener> Open(std::function<void(std::string_view)> onMessage);
    // Closes the socket and removes it from the folder.
    ~EventListener();
    EventListener(const EventListener&) = delete;
    EventListener& operator=(const EventListener&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    EventListener(winapi::UniqueFd fd, std::filesystem::path path, std::function<void(std::string_view)> onMessage);
    void AcceptWaiting();

    winapi::UniqueFd fd_;
    std::filesystem::path path_;
    std::function<void(std::string_view)> onMessage_;
    std::unique_ptr<ui::DescriptorWatch> watch_;
};

}  // namespace viewserver
