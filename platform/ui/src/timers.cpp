#include "ui/timers.h"

#include "handle_table.h"
#include "message_queue_internal.h"
#include "ui/message_queue.h"
#include "ui/window_messages.h"
#include "winapi/errors.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

namespace ui::detail {
namespace {

struct Timer {
    std::unique_ptr<QTimer> qtTimer;
    TIMERPROC procedure = nullptr;
    bool messageWaiting = false;  // its WM_TIMER is in the queue
};

using TimerKey = std::pair<HWND, UINT_PTR>;

std::map<TimerKey, Timer>& Timers() {
    static std::map<TimerKey, Timer> timers;
    return timers;
}

// Ids of window-less timers; high enough not to meet the small ids the
// system gives its window timers.
UINT_PTR nextThreadTimerId = 0x7F00;

void Elapsed(const TimerKey& key) {
    auto found = Timers().find(key);
    if (found == Timers().end() || found->second.messageWaiting) return;
    found->second.messageWaiting = true;
    Enqueue(
        MSG{key.first, WM_TIMER, key.second, reinterpret_cast<LPARAM>(found->second.procedure), TickCount(), {0, 0}});
}

}  // namespace

void TimerMessageTaken(HWND hwnd, UINT_PTR idEvent) {
    auto found = Timers().find({hwnd, idEvent});
    if (found != Timers().end()) found->second.messageWaiting = false;
}

bool FireTimerNow(HWND hwnd, UINT_PTR idEvent) {
    auto found = Timers().find({hwnd, idEvent});
    if (found == Timers().end()) return false;
    DiscardTimerMessage(hwnd, idEvent);
    found->second.messageWaiting = false;
    MSG msg{hwnd, WM_TIMER, idEvent, reinterpret_cast<LPARAM>(found->second.procedure), TickCount(), {0, 0}};
    DispatchMessageW(&msg);
    return true;
}

void KillTimersOf(HWND hwnd) {
    std::erase_if(Timers(), [hwnd](const auto& entry) { return entry.first.first == hwnd; });
}

}  // namespace ui::detail

using namespace ui::detail;

UINT_PTR SetTimer(HWND hwnd, UINT_PTR idEvent, UINT elapseMs, TIMERPROC timerProc) {
    if (hwnd && !WindowOrError(hwnd)) return 0;
    if (!hwnd && !timerProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!QCoreApplication::instance()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UINT_PTR id = hwnd ? idEvent : nextThreadTimerId++;
    TimerKey key{hwnd, id};
    Timer& timer = Timers()[key];
    timer.procedure = timerProc;
    if (!timer.qtTimer) {
        timer.qtTimer = std::make_unique<QTimer>();
        QObject::connect(timer.qtTimer.get(), &QTimer::timeout, [key] { Elapsed(key); });
    }
    timer.qtTimer->start(static_cast<int>(std::max<UINT>(elapseMs, 10u)));
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR idEvent) {
    auto found = Timers().find({hwnd, idEvent});
    if (found == Timers().end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Timers().erase(found);
    DiscardTimerMessage(hwnd, idEvent);
    return TRUE;
}
