// CXTPReportView: a view (CView) that shows one report control filling its
// client area. The view paints nothing itself; the control does.
//
// The view makes its own control (id 100) when its window is created. A
// derived view may put its own control in its place with SetReportCtrl
// (the explorer's views make a derived control): the view's own control is
// destroyed then, and the given control, which the caller keeps owning, is
// laid over the client area and gets the focus the view gets.
#pragma once

#include "ui/framework/view.h"

#include <memory>

class CXTPReportControl;

class CXTPReportView : public CView {
    DECLARE_DYNCREATE(CXTPReportView)
public:
    CXTPReportView();
    ~CXTPReportView() override;

    // The shown control (the view's own until SetReportCtrl).
    CXTPReportControl& GetReportCtrl() const { return *control_; }
    // Shows `pReport` (a child window of this view, or made later) instead
    // of the view's own control, which is destroyed. Null is ignored.
    void SetReportCtrl(CXTPReportControl* pReport);

protected:
    void OnDraw(CDC* pDC) override;

    afx_msg int OnCreate(LPCREATESTRUCT lpcs);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    DECLARE_MESSAGE_MAP()

private:
    void LayoutControl();

    std::unique_ptr<CXTPReportControl> own_;  // the view's own control, until replaced
    CXTPReportControl* control_;              // Not owned when given by SetReportCtrl.
};
