// CXTPSplitterWnd: a static splitter, a framework window (CWnd) over a
// QSplitter whose panes are the child windows created in it: rows stacked
// (rows x 1) or columns side by side (1 x cols). A pane's control id is
// IdFromRowCol (59648 for the first); CreateView makes a pane window of a
// run-time class with that id. A child window created in the splitter some
// other way becomes the pane of the next free place.
//
// CXTPSplitterWndEx is the same splitter drawn without any border.
#pragma once

#include "ui/framework/framework_ids.h"
#include "ui/framework/wnd.h"

#include <vector>

struct CRuntimeClass;

class CXTPSplitterWnd : public CWnd {
public:
    CXTPSplitterWnd();
    ~CXTPSplitterWnd() override;

    // Creates the splitter as child `nID` of `pParentWnd` filling its
    // client area, with `nRows` x `nCols` panes (one of them 1, at most 16
    // panes). FALSE when it exists, the parent is no window or the shape is
    // refused.
    virtual BOOL CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle = WS_CHILD | WS_VISIBLE,
                              UINT nID = AFX_IDW_PANE_FIRST);

    // Makes the pane at (row, col): an object of `pViewClass` (a CWnd class
    // with a factory), created as a visible child of the splitter with id
    // IdFromRowCol(row, col), joining the context's document; `sizeInit`
    // becomes the pane's ideal height (rows) or width (columns). Without a
    // context the new pane joins the document of the frame's active view
    // and gets its WM_INITIALUPDATE at once; with one, the frame's
    // InitialUpdateFrame sends it. FALSE when the place is out of range or
    // taken, the class makes no CWnd, or the window's creation fails (a
    // window that deletes itself on failure - views, frames - is gone).
    virtual BOOL CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit, CCreateContext* pContext);

    int GetRowCount() const { return rows_; }
    int GetColumnCount() const { return cols_; }
    // The control id of the pane at (row, col).
    int IdFromRowCol(int row, int col) const { return AFX_IDW_PANE_FIRST + row * 16 + col; }
    // The window of the pane at (row, col): the child with that place's id,
    // else the framework window shown there; null when it has none yet.
    CWnd* GetPane(int row, int col) const;

    // The pane's height (width) the layout gives it: `ideal`, and at least
    // `minimum` while the user drags. An ideal of 0 collapses the pane.
    void SetRowInfo(int row, int ideal, int minimum);
    void SetColumnInfo(int col, int ideal, int minimum);
    // Lays the panes out by their ideal sizes; the last pane takes the rest.
    // The splitter does so itself whenever it is resized, once an ideal size
    // is set, until the user drags a bar (then Qt keeps the user's share).
    virtual void RecalcLayout();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    QWidget* CreateWidget(QWidget* parent, bool child) override;
    virtual bool Borderless() const { return false; }

private:
    struct Info {
        int ideal = -1;  // -1: not set
        int minimum = 0;
    };
    int Index(int row, int col) const { return rows_ > 1 ? row : col; }
    // Whether `id` is the id of one of the splitter's places.
    bool IsPaneId(int id) const;
    // Moves the window of place (row, col) to its index in the splitter.
    void PlacePane(CWnd& pane, int row, int col);

    int rows_ = 0, cols_ = 0;
    bool userMoved_ = false;  // the user dragged a bar
    std::vector<Info> info_;
};

class CXTPSplitterWndEx : public CXTPSplitterWnd {
protected:
    bool Borderless() const override { return true; }
};
