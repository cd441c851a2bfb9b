#include "ui/toolkit/report/report_header.h"

#include "ui/toolkit/report/report_control.h"

IMPLEMENT_DYNAMIC(CXTPReportHeader, CCmdTarget)

CXTPReportHeader::CXTPReportHeader(CXTPReportControl* pControl) : control_(pControl) {}

void CXTPReportHeader::SetAutoColumnSizing(BOOL bAutoColumnSizing) {
    autoColumnSizing_ = bAutoColumnSizing != FALSE;
    if (control_) control_->ColumnsChanged();
}
