#include "ui/toolkit/report/report_column.h"

#include "ui/toolkit/report/report_columns.h"
#include "ui/toolkit/report/report_control.h"

IMPLEMENT_DYNAMIC(CXTPReportColumn, CCmdTarget)

CXTPReportColumn::CXTPReportColumn(int nItemIndex, LPCTSTR strName, int nWidth, BOOL bAutoSize, int nIconID,
                                   BOOL bSortable, BOOL bVisible)
    : itemIndex_(nItemIndex),
      caption_(strName),
      width_(nWidth),
      iconId_(nIconID),
      autoSize_(bAutoSize != FALSE),
      sortable_(bSortable != FALSE),
      visible_(bVisible != FALSE) {}

CXTPReportColumn::~CXTPReportColumn() = default;

int CXTPReportColumn::GetIndex() const { return columns_ ? columns_->IndexOf(this) : -1; }

void CXTPReportColumn::SetCaption(LPCTSTR strCaption) {
    caption_ = CString(strCaption);
    Changed();
}

void CXTPReportColumn::SetWidth(int nWidth) {
    width_ = nWidth;
    Changed();
}

void CXTPReportColumn::SetAutoSize(BOOL bAutoSize) {
    autoSize_ = bAutoSize != FALSE;
    Changed();
}

BOOL CXTPReportColumn::IsSorted() const { return columns_ && columns_->sortOrder_.IndexOf(this) >= 0; }

void CXTPReportColumn::SetVisible(BOOL bVisible) {
    visible_ = bVisible != FALSE;
    Changed();
}

void CXTPReportColumn::SetAlignment(int nAlignment) {
    alignment_ = nAlignment;
    Changed();
}

void CXTPReportColumn::SetTreeColumn(BOOL bTreeColumn) {
    if (bTreeColumn && columns_) {
        for (int i = 0; i < columns_->GetCount(); ++i) columns_->GetAt(i)->treeColumn_ = false;
    }
    treeColumn_ = bTreeColumn != FALSE;
    Changed();
}

CRect CXTPReportColumn::GetRect() const {
    CXTPReportControl* control = GetControl();
    return control ? control->GetColumnRect(this) : CRect();
}

CXTPReportControl* CXTPReportColumn::GetControl() const { return columns_ ? columns_->GetControl() : nullptr; }

void CXTPReportColumn::Changed() {
    if (CXTPReportControl* control = GetControl()) control->ColumnsChanged();
}
