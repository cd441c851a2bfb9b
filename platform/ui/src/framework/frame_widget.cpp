#include "frame_widget.h"

#include "text_conversion.h"
#include "ui/framework/frame_wnd.h"
#include "ui/message_queue.h"

#include <QCloseEvent>
#include <QStatusTipEvent>

namespace ui::detail {
namespace {

// The client area: lays the frame's pane out whenever its size changes.
class ClientArea : public QWidget {
public:
    ClientArea(QWidget* parent, CFrameWnd* frame) : QWidget(parent), frame_(frame) {}

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (frame_->Exists()) frame_->RecalcLayout();
    }

private:
    CFrameWnd* frame_;
};

}  // namespace

FrameWidget::FrameWidget(QWidget* parent, bool child, CFrameWnd* frame)
    : QMainWindow(parent, child ? Qt::Widget : Qt::Window), frame_(frame) {
    setCentralWidget(new ClientArea(this, frame));
}

void FrameWidget::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (HWND hwnd = frame_->Handle()) SendMessageW(hwnd, WM_CLOSE, 0, 0);
}

bool FrameWidget::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        HWND hwnd = frame_->Handle();
        if (!hwnd) return true;
        std::u16string tip = FromQString(static_cast<QStatusTipEvent*>(event)->tip());
        if (tip.empty())
            SendMessageW(hwnd, WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE, 0);
        else
            SendMessageW(hwnd, WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>(tip.c_str()));
        return true;
    }
    return QMainWindow::event(event);
}

QMainWindow* MainWindowOf(CFrameWnd& frame) { return qobject_cast<QMainWindow*>(frame.Widget()); }

}  // namespace ui::detail
