// Work that waits for a file descriptor on the GUI thread: a socket that
// other processes write to, read when data arrives, from whichever loop runs
// (the application's, a modal dialog's, a pump of waiting messages).
#pragma once

#include <functional>
#include <memory>

namespace ui {

class DescriptorWatch {
public:
    // Calls `onReadable` on this (the GUI) thread each time `fd` has data
    // to read or a connection to accept; it should take what waits, or it
    // is called again. `fd` stays the caller's and must stay open while the
    // watch lives. Needs the program's application (ui::Application).
    DescriptorWatch(int fd, std::function<void()> onReadable);
    // Stops the calls; may run inside `onReadable` itself.
    ~DescriptorWatch();
    DescriptorWatch(const DescriptorWatch&) = delete;
    DescriptorWatch& operator=(const DescriptorWatch&) = delete;

private:
    struct Notifier;
    Notifier* notifier_;  // Owned; deleted later when the watch ends inside its own work.
};

}  // namespace ui
