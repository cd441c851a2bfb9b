// WM_COPYDATA between processes: the receiving window's listener and the
// sender's side (see ui/copy_data.h).
#pragma once

#include "ui/window_types.h"

#include <filesystem>
#include <memory>
#include <string>

class QSocketNotifier;

namespace ui {

// Accepts WM_COPYDATA for one published window on its local socket.
class CopyDataListener {
public:
    // Null when the socket cannot be made or a live window of another
    // process holds the class name.
    static std::unique_ptr<CopyDataListener> Listen(HWND hwnd, const std::u16string& className);
    ~CopyDataListener();
    CopyDataListener(const CopyDataListener&) = delete;
    CopyDataListener& operator=(const CopyDataListener&) = delete;

private:
    CopyDataListener(HWND hwnd, int fd, std::filesystem::path path);
    void AcceptOne();

    HWND hwnd_;
    int fd_;
    std::filesystem::path path_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

namespace detail {

// A window of another process published under `className`, as a handle of
// this process; null when none is there.
HWND FindWindowOfOtherProcess(const std::u16string& className);

}  // namespace detail
}  // namespace ui
