// CView: a child window that shows a document.
//
// A view created with a context (CWnd::Create, CFrameWnd::CreateView) joins
// the context's document. OnInitialUpdate runs once, from the frame's
// InitialUpdateFrame; OnUpdate runs for each UpdateAllViews of the
// document. Routed commands go to the view's own map, then to its
// document. A view deletes itself after its window is destroyed and leaves
// its document then, which closes the document when it was the last view.
#pragma once

#include "ui/framework/wnd.h"

class CDC;
class CDocument;

class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    CView();
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }

    // The first update: the default calls OnUpdate(NULL, 0, NULL).
    virtual void OnInitialUpdate();
    // The document changed (UpdateAllViews). The default repaints the view.
    virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
    // Draws the document into the view: WM_PAINT calls it with a CPaintDC
    // (BeginPaint's DC, clipped to the part to repaint). The background is
    // whatever WM_ERASEBKGND left (the views erase it themselves).
    virtual void OnDraw(CDC* pDC) = 0;
    // The frame made this view active or inactive.
    virtual void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView);

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

protected:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void PostNcDestroy() override;

    afx_msg int OnCreate(LPCREATESTRUCT lpcs);
    afx_msg void OnDestroy();
    afx_msg void OnPaint();
    afx_msg int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
    afx_msg LRESULT OnInitialUpdateMessage(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

    CDocument* m_pDocument = nullptr;  // Not owned.

private:
    friend class CDocument;
};
