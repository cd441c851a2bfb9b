// The widget of a framework frame: a QMainWindow whose central widget is the
// frame's client area. The toolkit adds its menu bar, tool bars, docks and
// status bar to this main window.
#pragma once

#include <QMainWindow>

class CFrameWnd;

namespace ui::detail {

class FrameWidget : public QMainWindow {
public:
    // A top-level frame, or a frame inside `parent` when `child`.
    FrameWidget(QWidget* parent, bool child, CFrameWnd* frame);

protected:
    // The title bar's close is a WM_CLOSE for the frame to handle.
    void closeEvent(QCloseEvent* event) override;
    // A hovered action's status tip becomes the frame's status line
    // (WM_SETMESSAGESTRING), and "Ready" again when the hover ends.
    bool event(QEvent* event) override;

private:
    CFrameWnd* frame_;  // Not owned: the frame owns this widget.
};

// The main window of a frame, null while the frame's window does not exist.
QMainWindow* MainWindowOf(CFrameWnd& frame);

}  // namespace ui::detail
