// CXTPStatusBar: the frame's status bar, a QStatusBar at the bottom of the
// frame's main window.
//
// Pane 0 (indicator id 0) is the message pane: its text is the status
// bar's message, which a hovered command's status tip replaces for a
// while. The other panes are indicators shown at the right, each a label
// with its indicator's text (59137 "CAP", 59138 "NUM", 59139 "SCRL"), shown
// greyed: Qt has no portable way to read the lock keys.
//
// The framework writes its message line (WM_SETMESSAGESTRING, "Ready" when
// idle) by sending SB_SETTEXTW to the frame's child window with id 59393,
// which this window answers.
#pragma once

#include "ui/framework/wnd.h"
#include "ui/window.h"

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

class CXTPStatusBar : public ui::Window {
public:
    CXTPStatusBar();
    ~CXTPStatusBar() override;

    // Creates the status bar as a child of frame window `parent` (whose
    // widget is a main window) with control id `id` (59393 by custom) and
    // makes it the main window's status bar. `style` needs WS_CHILD; with
    // WS_VISIBLE it shows. FALSE when it exists already or `parent` is no
    // frame window.
    BOOL Create(HWND parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT id = 59393);
    BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT id = 59393) {
        return Create(parent ? parent->GetSafeHwnd() : nullptr, style, id);
    }

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

    // The control id given to Create.
    UINT GetDlgCtrlID() const { return id_; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Pane {
        UINT id;
        std::u16string text;
    };
    void ShowPane(int index);

    UINT id_ = 0;
    std::vector<Pane> panes_;
};
