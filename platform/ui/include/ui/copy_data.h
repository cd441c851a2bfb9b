// WM_COPYDATA: bytes and a number handed to a window, also to a window of
// another process.
//
// A window made findable with ui::Window::PublishToOtherProcesses listens
// on a local socket named after its class, in the user's private kernel
// object folder (mode 0700, socket 0600) below the machine's state root.
// FindWindowW in another process connects there; SendMessageW(WM_COPYDATA)
// to that handle sends the bytes, waits for the receiver's WindowProc to
// handle them and returns its result. Within the process, SendMessageW
// simply calls WindowProc with the caller's COPYDATASTRUCT.
#pragma once

#include "ui/window_types.h"

#include <chrono>

struct COPYDATASTRUCT {
    ULONG_PTR dwData;
    DWORD cbData;
    PVOID lpData;
};
typedef COPYDATASTRUCT* PCOPYDATASTRUCT;

namespace ui {

// The most bytes one WM_COPYDATA carries to another process; larger
// payloads are refused (SendMessageW returns 0), so a peer cannot make the
// receiver allocate without bound.
inline constexpr DWORD kMaxCopyDataBytes = 16u * 1024u * 1024u;

// How long a sender waits for the other process's WindowProc to answer
// before SendMessageW gives 0 with ERROR_TIMEOUT.
inline constexpr std::chrono::milliseconds kDefaultCopyDataReplyTimeout = std::chrono::seconds(30);
// Changes that wait for this process (tests shorten it); returns the old one.
std::chrono::milliseconds SetCopyDataReplyTimeout(std::chrono::milliseconds timeout);

}  // namespace ui
