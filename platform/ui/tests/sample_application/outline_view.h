// COutlineView: the drawing's outline in the frame's docking pane - a
// caption band over the list of the items' names.
#pragma once

#include "ui/framework/view.h"
#include "ui/toolkit/caption.h"

#include <string>

class CSampleDoc;

class COutlineView : public CView {
    DECLARE_DYNCREATE(COutlineView)
public:
    COutlineView();
    ~COutlineView() override;

    CSampleDoc* GetDocument() const;
    // "outline <n>": how the trace names this view.
    const std::string& GetTraceName() const { return m_strTraceName; }

    void OnDraw(CDC* pDC) override;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpcs);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    DECLARE_MESSAGE_MAP()

private:
    std::string m_strTraceName;
    CXTPCaption m_wndCaption;
};
