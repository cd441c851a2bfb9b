#include "ui/toolkit/report/report_row.h"

#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_record.h"
#include "ui/toolkit/report/report_rows.h"
#include "ui/toolkit/report/report_selected_rows.h"

IMPLEMENT_DYNAMIC(CXTPReportRow, CCmdTarget)

CXTPReportRow::CXTPReportRow() = default;

CXTPReportRow::~CXTPReportRow() {
    delete childs_;
    if (record_) {
        if (record_->row_ == this) record_->row_ = nullptr;
        record_->InternalRelease();
    }
}

void CXTPReportRow::InternalAddRef() { ++refCount_; }

void CXTPReportRow::InternalRelease() {
    if (--refCount_ == 0) delete this;
}

void CXTPReportRow::InitRow(CXTPReportControl* pControl, CXTPReportRecord* pRecord, CXTPReportRow* pParent,
                            int nDepth) {
    control_ = pControl;
    record_ = pRecord;
    record_->InternalAddRef();
    record_->row_ = this;
    parent_ = pParent;
    depth_ = nDepth;
}

void CXTPReportRow::Detach() {
    if (childs_) {
        auto children = std::move(childs_->rows_);
        childs_->rows_.clear();
        for (auto* child : children) {
            child->Detach();
            child->InternalRelease();
        }
    }
    control_ = nullptr;
    parent_ = nullptr;
    index_ = -1;
    selected_ = false;
    if (record_ && record_->row_ == this) record_->row_ = nullptr;
}

CXTPReportRows* CXTPReportRow::GetChilds() {
    if (!childs_) childs_ = new CXTPReportRows;
    return childs_;
}

BOOL CXTPReportRow::HasChildren() const { return childs_ && childs_->GetCount() > 0; }

BOOL CXTPReportRow::IsExpanded() const { return record_ && record_->IsExpanded(); }

void CXTPReportRow::SetExpanded(BOOL bExpanded) {
    if (control_) control_->ExpandRow(this, bExpanded != FALSE, false);
}

void CXTPReportRow::ExpandAll() {
    if (control_) control_->ExpandRow(this, true, true);
}

void CXTPReportRow::SetSelected(BOOL bSelected) {
    if (!control_) return;
    if (bSelected)
        control_->GetSelectedRows()->Add(this);
    else
        control_->GetSelectedRows()->Remove(this);
}

BOOL CXTPReportRow::IsFocused() const { return control_ && control_->GetFocusedRow() == this; }

CRect CXTPReportRow::GetRect() const { return control_ ? control_->GetRowRect(this) : CRect(); }

CRect CXTPReportRow::GetItemRect(CXTPReportColumn* pColumn) const {
    return control_ ? control_->GetItemRect(this, pColumn) : CRect();
}
