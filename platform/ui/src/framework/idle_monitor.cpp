#include "idle_monitor.h"

#include "handle_table.h"
#include "ui/framework/frame_wnd.h"
#include "ui/framework/win_app.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QTimer>

namespace ui::detail {
namespace {

constexpr int kMinimumIntervalMs = 100;
// OnIdle calls of one pass at most, so an override that always asks for
// more cannot hold the loop.
constexpr LONG kMaximumIdleCalls = 16;

// Events that mean the user or the program did something the update-UI may
// follow: input, and the layer's own wake-ups (a posted message, which
// carries commands and timers). Paint, layout and Qt's timers are not.
bool IsActivity(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::FocusIn:
    case QEvent::WindowActivate:
    case QEvent::TouchBegin:
    case QEvent::TouchEnd:
        return true;
    default:
        return type >= QEvent::User && type <= QEvent::MaxUser;
    }
}

class IdleMonitor : public QObject {
public:
    IdleMonitor() {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { RunPass(); });
        sinceLastPass_.start();
        QCoreApplication::instance()->installEventFilter(this);
        if (auto* dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread()))
            QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { AboutToBlock(); });
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!inPass_ && IsActivity(event->type())) pending_ = true;
        return QObject::eventFilter(watched, event);
    }

    int passes = 0;

private:
    void AboutToBlock() {
        if (!pending_ || timer_.isActive()) return;
        qint64 wait = passes == 0 ? 0 : kMinimumIntervalMs - sinceLastPass_.elapsed();
        timer_.start(static_cast<int>(std::max<qint64>(wait, 0)));
    }

    void RunPass() {
        pending_ = false;
        ++passes;
        inPass_ = true;
        RunIdlePass();
        inPass_ = false;
        sinceLastPass_.restart();
    }

    QTimer timer_;
    QElapsedTimer sinceLastPass_;
    bool pending_ = false;
    bool inPass_ = false;  // what the pass itself sends is no new activity
};

QPointer<IdleMonitor>& Monitor() {
    static QPointer<IdleMonitor> monitor;
    return monitor;
}

}  // namespace

void EnsureIdleMonitor() {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || Monitor()) return;
    auto* monitor = new IdleMonitor;
    monitor->setParent(application);
    Monitor() = monitor;
}

int IdlePassCount() { return Monitor() ? Monitor()->passes : 0; }

void RunIdlePass() {
    if (CWinApp* app = AfxGetApp()) {
        for (LONG count = 0; count < kMaximumIdleCalls && app->OnIdle(count); ++count) {}
    } else {
        SendIdleUpdateToFrames();
    }
}

void SendIdleUpdateToFrames() {
    for (HWND hwnd : AllWindows()) {
        auto* frame = dynamic_cast<CFrameWnd*>(LookupWindow(hwnd));
        if (frame && IsWindowVisible(hwnd)) SendMessageW(hwnd, WM_IDLEUPDATECMDUI, TRUE, 0);
    }
}

}  // namespace ui::detail
