// CXTPDockingPaneManager: the docking panes of a frame, each a QDockWidget
// of the frame's main window.
//
// A pane is made with CreatePane (docked at a side, at a size) and holds one
// window (Attach). When a pane first becomes visible the manager sends its
// frame XTPWM_DOCKINGPANE_NOTIFY (wParam XTP_DPN_SHOWWINDOW, lParam the
// CXTPDockingPane*), so the frame can fill the pane lazily; the answer 1
// means handled.
//
// The panes belong to the manager; their docks go with the frame's window
// or with the manager, whichever goes first.
#pragma once

#include "ui/framework/wnd.h"

#include <memory>
#include <string>
#include <vector>

class QDockWidget;

// Sent to the frame: wParam the notification, lParam the pane.
#define XTPWM_DOCKINGPANE_NOTIFY 0x2AAD
#define XTP_DPN_SHOWWINDOW 1

enum XTPDockingPaneDirection {
    xtpPaneDockLeft = 0,
    xtpPaneDockRight = 1,
    xtpPaneDockTop = 2,
    xtpPaneDockBottom = 3,
};

enum XTPDockingPaneTheme {
    xtpPaneThemeDefault = 0,
    xtpPaneThemeFlat = 1,
    xtpPaneThemeGradient = 2,
};

class CXTPDockingPaneManager;

class CXTPDockingPane {
public:
    ~CXTPDockingPane();
    CXTPDockingPane(const CXTPDockingPane&) = delete;
    CXTPDockingPane& operator=(const CXTPDockingPane&) = delete;

    int GetID() const { return id_; }
    void SetTitle(LPCWSTR title);
    std::u16string GetTitle() const { return title_; }
    // Puts `pWnd` (an existing window; not owned) into the pane, in place
    // of what it held. Null empties the pane.
    void Attach(CWnd* pWnd);
    // The window the pane holds, null when none (or it is gone).
    CWnd* GetChild() const;
    // TRUE when the pane holds a window that still exists.
    BOOL IsValid() const;
    // The pane's smallest size while the user drags its edge (cy 0: no
    // limit on the height).
    void SetMinTrackSize(SIZE size);
    BOOL IsClosed() const;
    // Shows or hides the pane.
    void Show(BOOL show = TRUE);

    // The pane's dock (for the layer and its tests), null once gone.
    QDockWidget* Dock() const;

private:
    friend class CXTPDockingPaneManager;
    struct Widgets;
    CXTPDockingPane(CXTPDockingPaneManager& manager, int id);

    CXTPDockingPaneManager& manager_;
    int id_;
    std::u16string title_;
    HWND child_ = nullptr;
    bool shownOnce_ = false;
    std::unique_ptr<Widgets> widgets_;
};

// A saved arrangement of a frame's panes: the main window's state bytes,
// kept under the application's registry key.
class CXTPDockingPaneLayout {
public:
    // Reads the layout saved under `section`. FALSE when none was saved.
    BOOL Load(LPCWSTR section);
    // Saves the layout under `section`. FALSE when there is nothing to save
    // or the registry refuses it.
    BOOL Save(LPCWSTR section) const;
    // FALSE until the layout was loaded or taken from a manager.
    BOOL IsValid() const { return !state_.empty(); }

private:
    friend class CXTPDockingPaneManager;
    std::vector<BYTE> state_;
};

class CXTPDockingPaneManager {
public:
    CXTPDockingPaneManager();
    ~CXTPDockingPaneManager();
    CXTPDockingPaneManager(const CXTPDockingPaneManager&) = delete;
    CXTPDockingPaneManager& operator=(const CXTPDockingPaneManager&) = delete;

    // Makes the panes live in frame window `pSite` (its widget a main
    // window). FALSE when `pSite` is no such window or panes are installed
    // already.
    BOOL InstallDockingPanes(CWnd* pSite);
    HWND GetSite() const { return site_; }
    void SetTheme(XTPDockingPaneTheme theme);
    XTPDockingPaneTheme GetCurrentTheme() const { return theme_; }

    // A new pane `id` docked at `direction`, as wide (left, right) or as
    // high (top, bottom) as `rect`. Null before InstallDockingPanes or when
    // the id is taken.
    CXTPDockingPane* CreatePane(UINT id, const RECT& rect, XTPDockingPaneDirection direction,
                                CXTPDockingPane* neighbour = nullptr);
    CXTPDockingPane* FindPane(int id) const;
    // The pane that holds the keyboard focus, null when none does.
    CXTPDockingPane* GetActivePane() const;
    int GetPaneCount() const { return static_cast<int>(panes_.size()); }

    // The current arrangement (GetLayout) and putting one back (SetLayout):
    // the panes keep their ids, the docks their places.
    void GetLayout(CXTPDockingPaneLayout* layout) const;
    BOOL SetLayout(const CXTPDockingPaneLayout* layout);

private:
    friend class CXTPDockingPane;
    void PaneShown(CXTPDockingPane& pane);
    void ApplyTheme(QDockWidget* dock) const;

    HWND site_ = nullptr;
    XTPDockingPaneTheme theme_ = xtpPaneThemeDefault;
    std::vector<std::unique_ptr<CXTPDockingPane>> panes_;
};
