#include "ui/toolkit/splitter_wnd.h"

#include "handle_table.h"
#include "ui/framework/create_context.h"
#include "ui/framework/document.h"
#include "ui/framework/frame_wnd.h"
#include "ui/framework/view.h"
#include "ui/window_functions.h"
#include "winapi/errors.h"

#include <QLayout>
#include <QSplitter>

#include <algorithm>
#include <numeric>

namespace {

// A splitter made with a frame's client area as parent fills it.
void FillParent(QWidget* splitter, QWidget* parent) {
    if (!parent->layout()) {
        auto* layout = new QVBoxLayout(parent);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    parent->layout()->addWidget(splitter);
}

// The style of a pane window: a visible child; the splitter draws the
// edges between panes, so the pane has no border of its own.
constexpr DWORD kPaneStyle = WS_CHILD | WS_VISIBLE;

}  // namespace

CXTPSplitterWnd::CXTPSplitterWnd() = default;

CXTPSplitterWnd::~CXTPSplitterWnd() = default;

BOOL CXTPSplitterWnd::CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle, UINT nID) {
    if (Exists()) return FALSE;
    if (!pParentWnd || !pParentWnd->Exists() || !pParentWnd->ClientWidget()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (nRows < 1 || nCols < 1 || (nRows > 1 && nCols > 1) || nRows * nCols > 16) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The shape is known before the window: panes may be made from its
    // WM_CREATE on.
    rows_ = nRows;
    cols_ = nCols;
    info_.assign(static_cast<size_t>(nRows * nCols), Info{});
    if (!CreateEx(0, u"AfxSplitter", nullptr, dwStyle | WS_CHILD, RECT{0, 0, 0, 0}, pParentWnd, nID)) {
        rows_ = cols_ = 0;
        info_.clear();
        return FALSE;
    }
    Widget()->setObjectName(QStringLiteral("splitter-%1").arg(nID));
    return TRUE;
}

QWidget* CXTPSplitterWnd::CreateWidget(QWidget* parent, bool) {
    auto* splitter = new QSplitter(rows_ > 1 ? Qt::Vertical : Qt::Horizontal);
    splitter->setChildrenCollapsible(true);
    QObject::connect(splitter, &QSplitter::splitterMoved, splitter, [this] { userMoved_ = true; });
    if (Borderless()) {
        splitter->setFrameShape(QFrame::NoFrame);
        splitter->setHandleWidth(3);
    }
    if (parent) FillParent(splitter, parent);
    return splitter;
}

BOOL CXTPSplitterWnd::CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit, CCreateContext* pContext) {
    if (!Exists() || !pViewClass || row < 0 || col < 0 || row >= rows_ || col >= cols_ || GetPane(row, col)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The pane's starting size: its height among rows, its width among
    // columns.
    int index = Index(row, col);
    info_[index].ideal = rows_ > 1 ? sizeInit.cy : sizeInit.cx;

    // Without a context the new pane shows what the active view shows.
    CCreateContext own;
    bool sendInitialUpdate = false;
    if (!pContext) {
        CFrameWnd* frame = GetParentFrame();
        if (CView* active = frame ? frame->GetActiveView() : nullptr) {
            own.m_pLastView = active;
            own.m_pCurrentDoc = active->GetDocument();
        }
        own.m_pCurrentFrame = frame;
        pContext = &own;
        sendInitialUpdate = true;
    }

    CObject* object = pViewClass->CreateObject();
    auto* pane = DYNAMIC_DOWNCAST(CWnd, object);
    if (!pane) {
        delete object;
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT rect{0, 0, std::max<LONG>(sizeInit.cx, 0), std::max<LONG>(sizeInit.cy, 0)};
    // CWnd's Create, also for a frame: a frame made as a pane is a child
    // window with the pane's id. A failed Create has deleted an object
    // that deletes itself (PostNcDestroy); one that does not is ours.
    if (!pane->Create(nullptr, nullptr, kPaneStyle, rect, this, static_cast<UINT>(IdFromRowCol(row, col)), pContext))
        return FALSE;
    HWND handle = pane->GetSafeHwnd();
    PlacePane(*pane, row, col);
    if (sendInitialUpdate && IsWindow(handle)) pane->SendMessage(WM_INITIALUPDATE);
    return TRUE;
}

CWnd* CXTPSplitterWnd::GetPane(int row, int col) const {
    auto* splitter = static_cast<QSplitter*>(Widget());
    if (!splitter || row < 0 || col < 0 || row >= rows_ || col >= cols_) return nullptr;
    if (CWnd* pane = GetDlgItem(IdFromRowCol(row, col))) return pane;
    QWidget* widget = splitter->widget(Index(row, col));
    if (!widget) return nullptr;
    CWnd* shown = nullptr;
    for (HWND hwnd : ui::detail::AllWindows())
        if (ui::Window* window = ui::detail::LookupWindow(hwnd); window && window->Widget() == widget)
            shown = dynamic_cast<CWnd*>(window);
    // A pane of another place shown here while this place is empty is not
    // this place's pane.
    if (shown && IsPaneId(shown->GetDlgCtrlID())) return nullptr;
    return shown;
}

bool CXTPSplitterWnd::IsPaneId(int id) const {
    for (int row = 0; row < rows_; ++row)
        for (int col = 0; col < cols_; ++col)
            if (id == IdFromRowCol(row, col)) return true;
    return false;
}

void CXTPSplitterWnd::PlacePane(CWnd& pane, int row, int col) {
    auto* splitter = static_cast<QSplitter*>(Widget());
    if (!splitter || !pane.Widget()) return;
    // Panes made out of order go before the places after theirs.
    int index = Index(row, col), before = 0;
    for (int other = 0; other < index; ++other) {
        int otherRow = rows_ > 1 ? other : 0, otherCol = rows_ > 1 ? 0 : other;
        if (GetDlgItem(IdFromRowCol(otherRow, otherCol))) ++before;
    }
    splitter->insertWidget(std::min(before, static_cast<int>(splitter->count())), pane.Widget());
}

void CXTPSplitterWnd::SetRowInfo(int row, int ideal, int minimum) {
    if (rows_ < 2 || row < 0 || row >= rows_) return;
    info_[row] = {ideal, minimum};
}

void CXTPSplitterWnd::SetColumnInfo(int col, int ideal, int minimum) {
    if (cols_ < 2 || col < 0 || col >= cols_) return;
    info_[col] = {ideal, minimum};
}

LRESULT CXTPSplitterWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CWnd::WindowProc(message, wParam, lParam);
    // The ideal sizes given before the splitter had its size (CreateView,
    // SetRowInfo in OnCreateClient) hold once it has one.
    if (message == WM_SIZE && !userMoved_ &&
        std::any_of(info_.begin(), info_.end(), [](const Info& info) { return info.ideal >= 0; }))
        RecalcLayout();
    return result;
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
