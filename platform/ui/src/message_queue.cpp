#include "ui/message_queue.h"

#include "handle_table.h"
#include "message_queue_internal.h"
#include "ui/unhandled_exception.h"
#include "ui/window_messages.h"
#include "winapi/errors.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <deque>

namespace ui::detail {
namespace {

// One Qt event per posted message; each dispatches the front of the queue.
// PeekMessageW may have taken that message already: the event then
// dispatches the next one or nothing, so the order always is the queue's.
class QueueWaker : public QObject {
public:
    static QEvent::Type WakeType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    bool event(QEvent* event) override;
};

struct Queue {
    std::deque<MSG> messages;
    bool quitRequested = false;
    int quitCode = 0;
    QPointer<QueueWaker> waker;  // a child of the application object
};

Queue& TheQueue() {
    static Queue queue;
    return queue;
}

void Wake() {
    Queue& queue = TheQueue();
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return;  // PeekMessageW still delivers
    if (!queue.waker) {
        queue.waker = new QueueWaker;
        queue.waker->moveToThread(application->thread());
        queue.waker->setParent(application);
        // Messages posted before the application existed get their wakes.
        for (size_t i = 0; i < queue.messages.size(); ++i)
            QCoreApplication::postEvent(queue.waker, new QEvent(QueueWaker::WakeType()));
    }
    QCoreApplication::postEvent(queue.waker, new QEvent(QueueWaker::WakeType()));
}

// Removes the message at `index` and keeps the timers' bookkeeping.
MSG TakeAt(size_t index) {
    Queue& queue = TheQueue();
    MSG msg = queue.messages[index];
    queue.messages.erase(queue.messages.begin() + static_cast<std::ptrdiff_t>(index));
    if (msg.message == WM_TIMER) TimerMessageTaken(msg.hwnd, msg.wParam);
    return msg;
}

bool QueueWaker::event(QEvent* event) {
    if (event->type() != WakeType()) return QObject::event(event);
    if (!TheQueue().messages.empty()) {
        MSG msg = TakeAt(0);
        DispatchMessageW(&msg);
    }
    return true;
}

bool Matches(const MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (hwnd && msg.hwnd != hwnd) return false;
    if (filterMin == 0 && filterMax == 0) return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

// The index of the first waiting message that matches, or -1.
std::ptrdiff_t FindMatch(HWND hwnd, UINT filterMin, UINT filterMax) {
    const auto& messages = TheQueue().messages;
    auto found = std::find_if(messages.begin(), messages.end(),
                              [&](const MSG& msg) { return Matches(msg, hwnd, filterMin, filterMax); });
    return found == messages.end() ? -1 : found - messages.begin();
}

}  // namespace

void Enqueue(const MSG& msg) {
    TheQueue().messages.push_back(msg);
    Wake();
}

void DiscardMessagesFor(HWND hwnd) {
    auto& messages = TheQueue().messages;
    std::erase_if(messages, [hwnd](const MSG& msg) { return msg.hwnd == hwnd; });
}

void DiscardTimerMessage(HWND hwnd, UINT_PTR idEvent) {
    auto& messages = TheQueue().messages;
    std::erase_if(messages,
                  [&](const MSG& msg) { return msg.message == WM_TIMER && msg.hwnd == hwnd && msg.wParam == idEvent; });
}

bool TakeQuitRequest(int* exitCode) {
    Queue& queue = TheQueue();
    if (!queue.quitRequested) return false;
    queue.quitRequested = false;
    *exitCode = queue.quitCode;
    return true;
}

void ResetQueue() {
    Queue& queue = TheQueue();
    queue.messages.clear();
    queue.quitRequested = false;
    queue.quitCode = 0;
}

DWORD TickCount() {
    static const auto start = std::chrono::steady_clock::now();
    auto elapsed = std::chrono::steady_clock::now() - start;
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace ui::detail

using namespace ui::detail;

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ui::Window* window = WindowOrError(hwnd);
    if (!window) return 0;
    // Every message a window gets passes here: no exception of a handler
    // may unwind into Qt's event loop.
    try {
        return window->WindowProc(message, wParam, lParam);
    } catch (...) {
        ui::ReportUnhandledException(hwnd, message, std::current_exception());
        return 0;
    }
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !WindowOrError(hwnd)) return FALSE;
    if (message == WM_QUIT) {
        // The quit request is a flag, never a queued message.
        PostQuitMessage(static_cast<int>(wParam));
        return TRUE;
    }
    Enqueue(MSG{hwnd, message, wParam, lParam, TickCount(), {0, 0}});
    return TRUE;
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (!msg) return FALSE;
    bool remove = (removeFlags & PM_REMOVE) != 0;
    auto takeOrCopy = [&](std::ptrdiff_t index) {
        *msg = remove ? TakeAt(static_cast<size_t>(index)) : TheQueue().messages[static_cast<size_t>(index)];
        return TRUE;
    };
    std::ptrdiff_t index = FindMatch(hwnd, filterMin, filterMax);
    if (index >= 0) return takeOrCopy(index);

    // Let Qt deliver input, paint and timer events; the messages they post
    // are either dispatched on the way or found below.
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
    index = FindMatch(hwnd, filterMin, filterMax);
    if (index >= 0) return takeOrCopy(index);

    Queue& queue = TheQueue();
    bool quitInFilter = (filterMin == 0 && filterMax == 0) || (filterMin <= WM_QUIT && WM_QUIT <= filterMax);
    if (queue.quitRequested && quitInFilter) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0, TickCount(), {0, 0}};
        if (remove) queue.quitRequested = false;
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
    (void)msg;
    return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        auto procedure = reinterpret_cast<TIMERPROC>(msg->lParam);
        procedure(msg->hwnd, msg->message, msg->wParam, TickCount());
        return 0;
    }
    if (!msg->hwnd) return 0;  // a thread message: for the loop that took it
    return SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
    Queue& queue = TheQueue();
    queue.quitRequested = true;
    queue.quitCode = exitCode;
    Wake();  // so a loop waiting for events looks at the request
}

namespace ui {

void PumpWaitingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Taking the request here would lose it: the loop above must
            // still end.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace ui
