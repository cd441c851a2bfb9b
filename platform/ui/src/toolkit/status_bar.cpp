#include "ui/toolkit/status_bar.h"

#include "host_main_window.h"
#include "text_conversion.h"
#include "ui/window_functions.h"
#include "winapi/errors.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

namespace {

// The framework's names of the lock-key indicators.
std::u16string IndicatorText(UINT id) {
    switch (id) {
    case 59137:
        return u"CAP";
    case 59138:
        return u"NUM";
    case 59139:
        return u"SCRL";
    default:
        return {};
    }
}

QString PaneName(int index) { return QStringLiteral("pane-%1").arg(index); }

}  // namespace

CXTPStatusBar::CXTPStatusBar() = default;

CXTPStatusBar::~CXTPStatusBar() = default;

BOOL CXTPStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
    if (Exists()) return FALSE;
    QMainWindow* host = pParentWnd ? ui::detail::HostMainWindow(pParentWnd->GetSafeHwnd()) : nullptr;
    if (!host || !(dwStyle & WS_CHILD)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!CreateEx(0, u"msctls_statusbar32", nullptr, dwStyle, RECT{0, 0, 0, 0}, pParentWnd, nID)) return FALSE;
    auto* bar = static_cast<QStatusBar*>(Widget());
    bar->setObjectName(QStringLiteral("statusbar-%1").arg(nID));
    bar->setSizeGripEnabled((dwStyle & SBARS_SIZEGRIP) != 0);
    panes_.clear();
    // The main window owns its status bar from now on; an earlier one goes.
    host->setStatusBar(bar);
    bar->setVisible((dwStyle & WS_VISIBLE) != 0);
    return TRUE;
}

QWidget* CXTPStatusBar::CreateWidget(QWidget* parent, bool) { return new QStatusBar(parent); }

BOOL CXTPStatusBar::SetIndicators(const UINT* ids, int count) {
    auto* bar = static_cast<QStatusBar*>(Widget());
    if (!bar || count < 0) return FALSE;
    for (int index = 0; index < GetCount(); ++index)
        if (auto* label = bar->findChild<QLabel*>(PaneName(index))) {
            bar->removeWidget(label);
            delete label;
        }
    panes_.clear();
    bar->clearMessage();
    for (int index = 0; index < count; ++index) {
        UINT id = ids ? ids[index] : 0;
        panes_.push_back({id, IndicatorText(id)});
        if (index == 0) continue;
        auto* label = new QLabel(ui::detail::ToQString(panes_.back().text), bar);
        label->setObjectName(PaneName(index));
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        label->setEnabled(false);
        bar->addPermanentWidget(label);
    }
    return TRUE;
}

UINT CXTPStatusBar::GetItemID(int index) const { return index >= 0 && index < GetCount() ? panes_[index].id : 0; }

int CXTPStatusBar::CommandToIndex(UINT id) const {
    for (int index = 0; index < GetCount(); ++index)
        if (panes_[index].id == id) return index;
    return -1;
}

BOOL CXTPStatusBar::SetPaneText(int index, LPCWSTR text, BOOL) {
    if (index < 0 || index >= GetCount()) return FALSE;
    panes_[index].text = text ? std::u16string(text) : std::u16string();
    ShowPane(index);
    return TRUE;
}

std::u16string CXTPStatusBar::GetPaneText(int index) const {
    return index >= 0 && index < GetCount() ? panes_[index].text : std::u16string();
}

void CXTPStatusBar::ShowPane(int index) {
    auto* bar = static_cast<QStatusBar*>(Widget());
    if (!bar) return;
    QString text = ui::detail::ToQString(panes_[index].text);
    if (index == 0) {
        bar->showMessage(text);
    } else if (auto* label = bar->findChild<QLabel*>(PaneName(index))) {
        label->setText(text);
    }
}

LRESULT CXTPStatusBar::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    int index = static_cast<int>(wParam & 0xFF);
    switch (message) {
    case SB_SETTEXTW:
        return SetPaneText(index, reinterpret_cast<LPCWSTR>(lParam));
    case SB_GETTEXTLENGTHW:
        return static_cast<LRESULT>(GetPaneText(index).size());
    case SB_GETTEXTW: {
        std::u16string text = GetPaneText(index);
        if (auto* buffer = reinterpret_cast<LPWSTR>(lParam)) {
            std::copy(text.begin(), text.end(), buffer);
            buffer[text.size()] = u'\0';
        }
        return static_cast<LRESULT>(text.size());
    }
    case SB_GETPARTS:
        return GetCount();
    default:
        return CWnd::DefWindowProc(message, wParam, lParam);
    }
}
