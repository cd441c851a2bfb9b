// CXTPSplitterWnd: a static splitter, a QSplitter window whose panes are
// the child windows created in it: rows stacked (rows x 1) or columns side
// by side (1 x cols). A pane's control id is IdFromRowCol (59648 for the
// first); the pane at (row, col) is the child window in that place.
//
// CXTPSplitterWndEx is the same splitter drawn without any border.
#pragma once

#include "ui/framework/framework_ids.h"
#include "ui/framework/wnd.h"
#include "ui/window.h"

#include <vector>

class CXTPSplitterWnd : public ui::Window {
public:
    CXTPSplitterWnd();
    ~CXTPSplitterWnd() override;

    // Creates the splitter as a child of `parent` filling its client area,
    // with `rows` x `cols` panes (one of them 1, at most 16 panes). Panes
    // are added by creating child windows of the splitter, in row order.
    // FALSE when it exists, `parent` is no window or the shape is refused.
    BOOL CreateStatic(HWND parent, int rows, int cols, DWORD style = WS_CHILD | WS_VISIBLE,
                      UINT id = AFX_IDW_PANE_FIRST);
    BOOL CreateStatic(CWnd* parent, int rows, int cols, DWORD style = WS_CHILD | WS_VISIBLE,
                      UINT id = AFX_IDW_PANE_FIRST) {
        return CreateStatic(parent ? parent->GetSafeHwnd() : nullptr, rows, cols, style, id);
    }

    int GetRowCount() const { return rows_; }
    int GetColumnCount() const { return cols_; }
    UINT GetDlgCtrlID() const { return id_; }
    // The control id of the pane at (row, col).
    int IdFromRowCol(int row, int col) const { return AFX_IDW_PANE_FIRST + row * 16 + col; }
    // The window of the pane at (row, col); null when it has none yet.
    ui::Window* GetPane(int row, int col) const;

    // The pane's height (width) the layout gives it: `ideal`, and at least
    // `minimum` while the user drags. An ideal of 0 collapses the pane.
    void SetRowInfo(int row, int ideal, int minimum);
    void SetColumnInfo(int col, int ideal, int minimum);
    // Lays the panes out by their ideal sizes; the last pane takes the rest.
    virtual void RecalcLayout();

protected:
    // Places the pane window made for (row, col) at its place.
    void PlacePane(ui::Window& pane, int row, int col);
    virtual bool Borderless() const { return false; }

private:
    struct Info {
        int ideal = -1;  // -1: not set
        int minimum = 0;
    };
    int Index(int row, int col) const { return rows_ > 1 ? row : col; }

    int rows_ = 0, cols_ = 0;
    UINT id_ = 0;
    std::vector<Info> info_;
};

class CXTPSplitterWndEx : public CXTPSplitterWnd {
protected:
    bool Borderless() const override { return true; }
};
