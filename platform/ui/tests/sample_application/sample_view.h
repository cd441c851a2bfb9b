// CSampleView: one of the two views a frame's splitter shows of a drawing:
// its items as coloured tiles, on a grid the view can show.
//
// The view copies (Copy), selects (Select All: the other views are told,
// this one repaints itself) and owns its grid (Grid, checked in the menu and
// tool bar). Cut and Paste it only notes and passes on to the document.
#pragma once

#include "ui/framework/view.h"

#include <string>

class CSampleDoc;

class CSampleView : public CView {
    DECLARE_DYNCREATE(CSampleView)
public:
    CSampleView();
    ~CSampleView() override;

    CSampleDoc* GetDocument() const;
    // "view <n>": how the trace names this view (n counts the views made).
    const std::string& GetTraceName() const { return m_strTraceName; }
    BOOL IsGridShown() const { return m_bGrid; }

    void OnDraw(CDC* pDC) override;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnEditCopy();
    afx_msg void OnUpdateEditCopy(CCmdUI* pCmdUI);
    afx_msg BOOL OnEditPassOn(UINT nID);
    afx_msg void OnEditSelectAll();
    afx_msg void OnViewGrid();
    afx_msg void OnUpdateViewGrid(CCmdUI* pCmdUI);
    DECLARE_MESSAGE_MAP()

private:
    std::string m_strTraceName;
    BOOL m_bGrid = TRUE;
};
