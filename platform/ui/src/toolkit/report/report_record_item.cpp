#include "ui/toolkit/report/report_record_item.h"

#include "ui/toolkit/report/report_record.h"
#include "ui/toolkit/report/report_record_item_text.h"
#include "ui/toolkit/report/report_row.h"

IMPLEMENT_DYNAMIC(CXTPReportRecordItem, CCmdTarget)
IMPLEMENT_DYNAMIC(CXTPReportRecordItemText, CXTPReportRecordItem)

CXTPReportRecordItem::CXTPReportRecordItem() = default;
CXTPReportRecordItem::~CXTPReportRecordItem() = default;

CString CXTPReportRecordItem::GetCaption(CXTPReportColumn*) { return CString(); }

int CXTPReportRecordItem::GetIconIndex() const { return iconIndex_; }

int CXTPReportRecordItem::Compare(CXTPReportColumn* pColumn, CXTPReportRecordItem* pItem) {
    if (!pItem) return 1;
    return GetCaption(pColumn).Compare(pItem->GetCaption(pColumn));
}

CXTPReportRecordItemEditOptions* CXTPReportRecordItem::GetEditOptions(CXTPReportColumn*) { return &editOptions_; }

void CXTPReportRecordItem::OnDblClick(XTP_REPORTRECORDITEM_CLICKARGS* pClickArgs) {
    if (pClickArgs && pClickArgs->pRow) pClickArgs->pRow->SetExpanded(!pClickArgs->pRow->IsExpanded());
}

void CXTPReportRecordItem::OnEditChanged(XTP_REPORTRECORDITEM_ARGS*, LPCTSTR) {}

void CXTPReportRecordItem::OnEditCanceled(XTP_REPORTRECORDITEM_ARGS*) {}

int CXTPReportRecordItem::GetIndex() const {
    if (!record_) return -1;
    for (int i = 0; i < record_->GetItemCount(); ++i)
        if (record_->GetItem(i) == this) return i;
    return -1;
}

CXTPReportRecordItemText::CXTPReportRecordItemText(LPCTSTR szText) : value_(szText) {}

CString CXTPReportRecordItemText::GetCaption(CXTPReportColumn*) { return value_; }

int CXTPReportRecordItemText::Compare(CXTPReportColumn* pColumn, CXTPReportRecordItem* pItem) {
    // Only when neither class may show another caption than its value.
    const CRuntimeClass* plain = RUNTIME_CLASS(CXTPReportRecordItemText);
    if (pItem && GetRuntimeClass() == plain && pItem->GetRuntimeClass() == plain)
        return value_.Compare(static_cast<CXTPReportRecordItemText*>(pItem)->value_);
    return CXTPReportRecordItem::Compare(pColumn, pItem);
}

void CXTPReportRecordItemText::OnEditChanged(XTP_REPORTRECORDITEM_ARGS*, LPCTSTR szText) { SetValue(szText); }

void CXTPReportRecordItemText::SetValue(LPCTSTR szText) { value_ = CString(szText); }
