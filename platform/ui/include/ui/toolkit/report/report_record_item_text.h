// CXTPReportRecordItemText: an item that shows a text it holds; an in-place
// edit sets the text.
#pragma once

#include "ui/toolkit/report/report_record_item.h"

class CXTPReportRecordItemText : public CXTPReportRecordItem {
    DECLARE_DYNAMIC(CXTPReportRecordItemText)
public:
    explicit CXTPReportRecordItemText(LPCTSTR szText = nullptr);

    CString GetCaption(CXTPReportColumn* pColumn) override;
    // Two plain text items compare their texts without copying them.
    int Compare(CXTPReportColumn* pColumn, CXTPReportRecordItem* pItem) override;
    void OnEditChanged(XTP_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText) override;

    void SetValue(LPCTSTR szText);
    const CString& GetValue() const { return value_; }

private:
    CString value_;
};
