#include "ui/toolkit/report/report_record.h"

#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_record_item.h"
#include "ui/toolkit/report/report_records.h"

IMPLEMENT_DYNCREATE(CXTPReportRecord, CCmdTarget)

CXTPReportRecord::CXTPReportRecord() = default;

CXTPReportRecord::~CXTPReportRecord() {
    RemoveAll();
    if (children_) {
        children_->RemoveAll();
        delete children_;
    }
}

void CXTPReportRecord::InternalAddRef() { ++refCount_; }

void CXTPReportRecord::InternalRelease() {
    if (--refCount_ == 0) delete this;
}

CXTPReportRecordItem* CXTPReportRecord::AddItem(CXTPReportRecordItem* pItem) {
    if (!pItem) return nullptr;
    pItem->record_ = this;
    items_.push_back(pItem);
    return pItem;
}

CXTPReportRecordItem* CXTPReportRecord::GetItem(int nIndex) const {
    return nIndex >= 0 && nIndex < GetItemCount() ? items_[static_cast<size_t>(nIndex)] : nullptr;
}

CXTPReportRecordItem* CXTPReportRecord::GetItem(const CXTPReportColumn* pColumn) const {
    return pColumn ? GetItem(pColumn->GetItemIndex()) : nullptr;
}

void CXTPReportRecord::RemoveAll() {
    auto items = std::move(items_);
    items_.clear();
    for (auto* item : items) delete item;
}

CXTPReportRecords* CXTPReportRecord::GetChilds() {
    if (!children_) children_ = new CXTPReportRecords(nullptr, this);
    return children_;
}

BOOL CXTPReportRecord::HasChildren() const { return children_ && children_->GetCount() > 0; }

void CXTPReportRecord::SetExpanded(BOOL bExpanded) { expanded_ = bExpanded != FALSE; }

CXTPReportRecord* CXTPReportRecord::GetParentRecord() const { return records_ ? records_->GetOwnerRecord() : nullptr; }

int CXTPReportRecord::GetIndex() const { return records_ ? index_ : -1; }

CXTPReportControl* CXTPReportRecord::GetControl() const { return records_ ? records_->GetControl() : nullptr; }

void CXTPReportRecord::DoPropExchange(CXTPPropExchange*) {}
