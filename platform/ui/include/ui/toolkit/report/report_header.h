// CXTPReportHeader: the settings of the control's column header.
#pragma once

#include "ui/framework/cmd_target.h"

class CXTPReportControl;

class CXTPReportHeader : public CCmdTarget {
    DECLARE_DYNAMIC(CXTPReportHeader)
public:
    explicit CXTPReportHeader(CXTPReportControl* pControl);

    // With auto sizing the columns fill the control's width (auto-size
    // columns share what the others leave); without it every column keeps
    // its width and the control scrolls horizontally.
    void SetAutoColumnSizing(BOOL bAutoColumnSizing);
    BOOL IsAutoColumnSizing() const { return autoColumnSizing_; }

    // Whether the user may reorder the columns by dragging their headers,
    // and sort by clicking them.
    void AllowColumnReorder(BOOL bAllow) { allowReorder_ = bAllow != FALSE; }
    BOOL IsAllowColumnReorder() const { return allowReorder_; }
    void AllowColumnSort(BOOL bAllow) { allowSort_ = bAllow != FALSE; }
    BOOL IsAllowColumnSort() const { return allowSort_; }

    CXTPReportControl* GetControl() const { return control_; }

private:
    CXTPReportControl* control_;  // Not owned: the control owns the header.
    bool autoColumnSizing_ = true;
    bool allowReorder_ = true;
    bool allowSort_ = true;
};
