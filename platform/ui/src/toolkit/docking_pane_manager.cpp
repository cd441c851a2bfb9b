#include "ui/toolkit/docking_pane_manager.h"

#include "host_main_window.h"
#include "text_conversion.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "winapi/errors.h"
#include "winapi/registry.h"

#include <QApplication>
#include <QByteArray>
#include <QDockWidget>
#include <QMainWindow>
#include <QPalette>
#include <QPointer>

#include <algorithm>

struct CXTPDockingPane::Widgets {
    QPointer<QDockWidget> dock;
};

namespace {

Qt::DockWidgetArea AreaOf(XTPDockingPaneDirection direction) {
    switch (direction) {
    case xtpPaneDockRight:
        return Qt::RightDockWidgetArea;
    case xtpPaneDockTop:
        return Qt::TopDockWidgetArea;
    case xtpPaneDockBottom:
        return Qt::BottomDockWidgetArea;
    default:
        return Qt::LeftDockWidgetArea;
    }
}

// Where layouts are kept: the key <organisation>\<application>\<section>
// under HKEY_CURRENT_USER\Software, value "Layout".
std::u16string LayoutKey(LPCWSTR section) {
    std::u16string key = u"Software\\";
    QString organisation = QCoreApplication::organizationName();
    if (!organisation.isEmpty()) key += ui::detail::FromQString(organisation) + u"\\";
    key += ui::detail::FromQString(QCoreApplication::applicationName()) + u"\\";
    return key + (section ? section : u"");
}

// Gives the window widget a dock holds back to the frame's client area: it
// is its window's, not the dock's, and must not go with the dock.
void ReleaseContent(QDockWidget* dock, HWND site) {
    QWidget* content = dock->widget();
    if (!content) return;
    content->hide();
    dock->setWidget(nullptr);
    ui::Window* frame = ui::WindowFromHandle(site);
    content->setParent(frame ? frame->ClientWidget() : nullptr);
}

}  // namespace

// --- CXTPDockingPane

CXTPDockingPane::CXTPDockingPane(CXTPDockingPaneManager& manager, int id)
    : manager_(manager), id_(id), widgets_(std::make_unique<Widgets>()) {}

CXTPDockingPane::~CXTPDockingPane() {
    if (QDockWidget* dock = widgets_->dock) {
        dock->disconnect();
        ReleaseContent(dock, manager_.site_);
        dock->deleteLater();
    }
}

QDockWidget* CXTPDockingPane::Dock() const { return widgets_->dock; }

void CXTPDockingPane::SetTitle(LPCWSTR title) {
    title_ = title ? title : u"";
    if (QDockWidget* dock = widgets_->dock) dock->setWindowTitle(ui::detail::ToQString(title_));
}

void CXTPDockingPane::Attach(CWnd* pWnd) {
    QDockWidget* dock = widgets_->dock;
    if (!dock) return;
    ReleaseContent(dock, manager_.site_);
    child_ = pWnd ? pWnd->GetSafeHwnd() : nullptr;
    if (pWnd && pWnd->Widget()) {
        dock->setWidget(pWnd->Widget());
        pWnd->Widget()->show();
    }
}

CWnd* CXTPDockingPane::GetChild() const { return CWnd::FromHandle(child_); }

BOOL CXTPDockingPane::IsValid() const { return GetChild() != nullptr; }

void CXTPDockingPane::SetMinTrackSize(SIZE size) {
    if (QDockWidget* dock = widgets_->dock) {
        dock->setMinimumWidth(std::max<LONG>(size.cx, 0));
        if (size.cy > 0) dock->setMinimumHeight(size.cy);
    }
}

BOOL CXTPDockingPane::IsClosed() const { return !widgets_->dock || widgets_->dock->isHidden(); }

void CXTPDockingPane::Show(BOOL show) {
    if (QDockWidget* dock = widgets_->dock) dock->setVisible(show != FALSE);
}

// --- CXTPDockingPaneLayout

BOOL CXTPDockingPaneLayout::Load(LPCWSTR section) {
    std::u16string key = LayoutKey(section);
    HKEY hkey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS) return FALSE;
    DWORD type = 0, size = 0;
    BOOL loaded = FALSE;
    if (RegQueryValueExW(hkey, u"Layout", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_BINARY &&
        size > 0) {
        std::vector<BYTE> bytes(size);
        if (RegQueryValueExW(hkey, u"Layout", nullptr, &type, bytes.data(), &size) == ERROR_SUCCESS) {
            bytes.resize(size);
            state_ = std::move(bytes);
            loaded = TRUE;
        }
    }
    RegCloseKey(hkey);
    return loaded;
}

BOOL CXTPDockingPaneLayout::Save(LPCWSTR section) const {
    if (state_.empty()) return FALSE;
    std::u16string key = LayoutKey(section);
    HKEY hkey = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hkey, nullptr) !=
        ERROR_SUCCESS)
        return FALSE;
    LSTATUS status = RegSetValueExW(hkey, u"Layout", 0, REG_BINARY, state_.data(), static_cast<DWORD>(state_.size()));
    RegCloseKey(hkey);
    return status == ERROR_SUCCESS;
}

// --- CXTPDockingPaneManager

CXTPDockingPaneManager::CXTPDockingPaneManager() = default;

CXTPDockingPaneManager::~CXTPDockingPaneManager() { panes_.clear(); }

BOOL CXTPDockingPaneManager::InstallDockingPanes(CWnd* pSite) {
    if (site_ && IsWindow(site_)) return FALSE;
    HWND site = pSite ? pSite->GetSafeHwnd() : nullptr;
    QMainWindow* host = ui::detail::HostMainWindow(site);
    if (!host) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    panes_.clear();
    site_ = site;
    host->setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks | QMainWindow::AllowTabbedDocks);
    return TRUE;
}

void CXTPDockingPaneManager::SetTheme(XTPDockingPaneTheme theme) {
    theme_ = theme;
    for (const auto& pane : panes_)
        if (QDockWidget* dock = pane->Dock()) ApplyTheme(dock);
}

void CXTPDockingPaneManager::ApplyTheme(QDockWidget* dock) const {
    if (theme_ == xtpPaneThemeDefault) {
        dock->setStyleSheet({});
        return;
    }
    QPalette palette = QApplication::palette();
    QString title = theme_ == xtpPaneThemeGradient
                        ? QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2)")
                              .arg(palette.color(QPalette::Button).lighter(104).name(),
                                   palette.color(QPalette::Button).darker(106).name())
                        : palette.color(QPalette::Button).name();
    dock->setStyleSheet(QStringLiteral("QDockWidget { titlebar-close-icon: none; }\n"
                                       "QDockWidget::title { background: %1; padding: 4px 6px; "
                                       "border-bottom: 1px solid %2; }")
                            .arg(title, palette.color(QPalette::Mid).name()));
}

CXTPDockingPane* CXTPDockingPaneManager::CreatePane(UINT id, const RECT& rect, XTPDockingPaneDirection direction,
                                                    CXTPDockingPane*) {
    QMainWindow* host = ui::detail::HostMainWindow(site_);
    if (!host || FindPane(static_cast<int>(id))) return nullptr;
    auto pane = std::unique_ptr<CXTPDockingPane>(new CXTPDockingPane(*this, static_cast<int>(id)));
    auto* dock = new QDockWidget(host);
    dock->setObjectName(QStringLiteral("pane-%1").arg(id));
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    pane->widgets_->dock = dock;
    ApplyTheme(dock);
    Qt::DockWidgetArea area = AreaOf(direction);
    host->addDockWidget(area, dock);
    bool horizontal = area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea;
    int extent = horizontal ? rect.right - rect.left : rect.bottom - rect.top;
    if (extent > 0) host->resizeDocks({dock}, {extent}, horizontal ? Qt::Horizontal : Qt::Vertical);
    CXTPDockingPane* raw = pane.get();
    QObject::connect(dock, &QDockWidget::visibilityChanged, dock, [this, raw](bool visible) {
        if (visible) PaneShown(*raw);
    });
    panes_.push_back(std::move(pane));
    if (dock->isVisible()) PaneShown(*raw);
    return raw;
}

void CXTPDockingPaneManager::PaneShown(CXTPDockingPane& pane) {
    if (pane.shownOnce_) return;
    pane.shownOnce_ = true;
    if (IsWindow(site_))
        SendMessageW(site_, XTPWM_DOCKINGPANE_NOTIFY, XTP_DPN_SHOWWINDOW, reinterpret_cast<LPARAM>(&pane));
}

CXTPDockingPane* CXTPDockingPaneManager::FindPane(int id) const {
    for (const auto& pane : panes_)
        if (pane->GetID() == id) return pane.get();
    return nullptr;
}

CXTPDockingPane* CXTPDockingPaneManager::GetActivePane() const {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return nullptr;
    for (const auto& pane : panes_)
        if (QDockWidget* dock = pane->Dock(); dock && dock->isAncestorOf(focus)) return pane.get();
    return nullptr;
}

void CXTPDockingPaneManager::GetLayout(CXTPDockingPaneLayout* layout) const {
    if (!layout) return;
    layout->state_.clear();
    if (QMainWindow* host = ui::detail::HostMainWindow(site_)) {
        QByteArray state = host->saveState();
        layout->state_.assign(state.begin(), state.end());
    }
}

BOOL CXTPDockingPaneManager::SetLayout(const CXTPDockingPaneLayout* layout) {
    QMainWindow* host = ui::detail::HostMainWindow(site_);
    if (!host || !layout || !layout->IsValid()) return FALSE;
    QByteArray state(reinterpret_cast<const char*>(layout->state_.data()),
                     static_cast<qsizetype>(layout->state_.size()));
    return host->restoreState(state) ? TRUE : FALSE;
}
