#include "ui/toolkit/splitter_wnd.h"

#include "handle_table.h"
#include "text_conversion.h"
#include "ui/window_functions.h"
#include "winapi/errors.h"

#include <QLayout>
#include <QSplitter>

#include <numeric>

namespace {

// A splitter made with the frame's client area as parent fills it.
void FillParent(QWidget* splitter, QWidget* parent) {
    if (!parent->layout()) {
        auto* layout = new QVBoxLayout(parent);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    parent->layout()->addWidget(splitter);
}

}  // namespace

CXTPSplitterWnd::CXTPSplitterWnd() = default;

CXTPSplitterWnd::~CXTPSplitterWnd() {
    if (Exists()) DestroyWindow(Handle());
}

BOOL CXTPSplitterWnd::CreateStatic(HWND parent, int rows, int cols, DWORD style, UINT id) {
    if (Exists() || !ui::detail::WidgetsAvailable()) return FALSE;
    ui::Window* parentWindow = ui::detail::WindowOrError(parent);
    if (!parentWindow || !parentWindow->ClientWidget()) return FALSE;
    if (rows < 1 || cols < 1 || (rows > 1 && cols > 1) || rows * cols > 16) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* splitter = new QSplitter(rows > 1 ? Qt::Vertical : Qt::Horizontal);
    splitter->setObjectName(QStringLiteral("splitter-%1").arg(id));
    splitter->setChildrenCollapsible(true);
    if (Borderless()) {
        splitter->setFrameShape(QFrame::NoFrame);
        splitter->setHandleWidth(3);
    }
    FillParent(splitter, parentWindow->ClientWidget());
    if (!Attach(splitter, parent, true, u"AfxSplitter")) return FALSE;
    rows_ = rows;
    cols_ = cols;
    id_ = id;
    info_.assign(static_cast<size_t>(rows * cols), Info{});
    splitter->setVisible((style & WS_VISIBLE) != 0);
    return TRUE;
}

ui::Window* CXTPSplitterWnd::GetPane(int row, int col) const {
    auto* splitter = static_cast<QSplitter*>(Widget());
    if (!splitter || row < 0 || col < 0 || row >= rows_ || col >= cols_) return nullptr;
    QWidget* widget = splitter->widget(Index(row, col));
    if (!widget) return nullptr;
    for (HWND hwnd : ui::detail::AllWindows())
        if (ui::Window* window = ui::detail::LookupWindow(hwnd); window && window->Widget() == widget) return window;
    return nullptr;
}

void CXTPSplitterWnd::PlacePane(ui::Window& pane, int row, int col) {
    auto* splitter = static_cast<QSplitter*>(Widget());
    if (!splitter || !pane.Widget()) return;
    splitter->insertWidget(std::min(Index(row, col), static_cast<int>(splitter->count())), pane.Widget());
    pane.Widget()->show();
}

void CXTPSplitterWnd::SetRowInfo(int row, int ideal, int minimum) {
    if (rows_ < 2 || row < 0 || row >= rows_) return;
    info_[row] = {ideal, minimum};
}

void CXTPSplitterWnd::SetColumnInfo(int col, int ideal, int minimum) {
    if (cols_ < 2 || col < 0 || col >= cols_) return;
    info_[col] = {ideal, minimum};
}

void CXTPSplitterWnd::RecalcLayout() {
    auto* splitter = static_cast<QSplitter*>(Widget());
    if (!splitter) return;
    int count = std::min(static_cast<int>(info_.size()), static_cast<int>(splitter->count()));
    bool vertical = splitter->orientation() == Qt::Vertical;
    // The handles between the panes take their share first.
    int total = (vertical ? splitter->height() : splitter->width()) - splitter->handleWidth() * std::max(count - 1, 0);
    QList<int> sizes;
    for (int index = 0; index < count; ++index) {
        const Info& info = info_[index];
        if (QWidget* pane = splitter->widget(index)) {
            if (vertical)
                pane->setMinimumHeight(info.minimum);
            else
                pane->setMinimumWidth(info.minimum);
        }
        int used = std::accumulate(sizes.begin(), sizes.end(), 0);
        bool last = index == count - 1;
        sizes.append(last || info.ideal < 0 ? std::max(total - used, 0) : info.ideal);
    }
    splitter->setSizes(sizes);
}
