// CXTPStatusBar: the frame's status bar, a framework window (CWnd) over the
// QStatusBar at the bottom of the frame's main window.
//
// Pane 0 (indicator id 0) is the message pane: its text is the status
// bar's message, which a hovered command's status tip replaces for a
// while. The other panes are indicators shown at the right, each a label
// with its indicator's text (59137 "CAP", 59138 "NUM", 59139 "SCRL"), shown
// greyed: Qt has no portable way to read the lock keys.
//
// The framework writes its message line (WM_SETMESSAGESTRING, "Ready" when
// idle) by sending SB_SETTEXTW to the frame's child window with id 59393,
// which this window answers (after its message map, as the window class's
// own handling).
#pragma once

#include "ui/framework/wnd.h"

#include <string>
#include <vector>

// Status bar messages (the "msctls_statusbar32" control). wParam of
// SB_SETTEXTW: the pane index in the low byte, a drawing style above it.
#define SB_SETTEXTW 0x040B
#define SB_GETTEXTLENGTHW 0x040C
#define SB_GETTEXTW 0x040D
#define SB_GETPARTS 0x0406

// Control bar styles of a status bar.
#define CBRS_BOTTOM 0x8000
#define SBARS_SIZEGRIP 0x0100

class CXTPStatusBar : public CWnd {
public:
    CXTPStatusBar();
    ~CXTPStatusBar() override;

    // Creates the status bar as child `nID` (59393 by custom) of frame
    // window `pParentWnd` (whose widget is a main window) and makes it the
    // main window's status bar. `dwStyle` needs WS_CHILD; with WS_VISIBLE it
    // shows. FALSE when it exists already or the parent is no frame window.
    using CWnd::Create;
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT nID = 59393);

    // Makes one pane per id, in order: 0 is the message pane, other ids are
    // indicators whose text is their id's string. A null `ids` makes
    // `count` empty panes. FALSE before Create or for a negative count.
    BOOL SetIndicators(const UINT* ids, int count);

    int GetCount() const { return static_cast<int>(panes_.size()); }
    UINT GetItemID(int index) const;
    // The index of the pane with indicator `id`, -1 when none.
    int CommandToIndex(UINT id) const;
    // Sets pane `index`'s text. FALSE for an index out of range.
    BOOL SetPaneText(int index, LPCWSTR text, BOOL update = TRUE);
    // The text last set for pane `index` (empty for an index out of range).
    std::u16string GetPaneText(int index) const;

    // SB_SETTEXTW, SB_GETTEXTW, SB_GETTEXTLENGTHW, SB_GETPARTS; the rest as
    // any window.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    QWidget* CreateWidget(QWidget* parent, bool child) override;

private:
    struct Pane {
        UINT id;
        std::u16string text;
    };
    void ShowPane(int index);

    std::vector<Pane> panes_;
};
