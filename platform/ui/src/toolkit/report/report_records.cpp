#include "ui/toolkit/report/report_records.h"

#include "ui/toolkit/report/report_record.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CXTPReportRecords, CCmdTarget)

CXTPReportRecords::CXTPReportRecords(CXTPReportControl* pControl, CXTPReportRecord* pOwnerRecord)
    : control_(pControl), ownerRecord_(pOwnerRecord) {}

CXTPReportRecords::CXTPReportRecords(ReferencesOnly)
    : control_(nullptr), ownerRecord_(nullptr), referencesOnly_(true) {}

CXTPReportRecords::~CXTPReportRecords() { RemoveAll(); }

CXTPReportRecord* CXTPReportRecords::GetAt(int nIndex) const {
    return nIndex >= 0 && nIndex < GetCount() ? records_[static_cast<size_t>(nIndex)] : nullptr;
}

CXTPReportRecord* CXTPReportRecords::Add(CXTPReportRecord* pRecord) {
    InsertAt(GetCount(), pRecord);
    return pRecord;
}

void CXTPReportRecords::InsertAt(int nIndex, CXTPReportRecord* pRecord) {
    if (!pRecord) return;
    nIndex = std::clamp(nIndex, 0, GetCount());
    if (referencesOnly_) {
        pRecord->InternalAddRef();
        records_.insert(records_.begin() + nIndex, pRecord);
        return;
    }
    // A record cannot become its own descendant.
    for (auto* owner = ownerRecord_; owner; owner = owner->GetParentRecord())
        if (owner == pRecord) return;
    Detach(pRecord);
    nIndex = std::clamp(nIndex, 0, GetCount());  // Detach may have shortened this list
    records_.insert(records_.begin() + nIndex, pRecord);
    pRecord->records_ = this;
    Renumber(nIndex);
}

void CXTPReportRecords::RemoveAt(int nIndex) {
    CXTPReportRecord* record = GetAt(nIndex);
    if (!record) return;
    if (referencesOnly_)
        records_.erase(records_.begin() + nIndex);
    else
        Detach(record);
    record->InternalRelease();
}

int CXTPReportRecords::RemoveRecord(CXTPReportRecord* pRecord) {
    if (referencesOnly_) {
        const auto found = std::find(records_.begin(), records_.end(), pRecord);
        if (found == records_.end()) return -1;
        const int index = static_cast<int>(found - records_.begin());
        RemoveAt(index);
        return index;
    }
    if (!pRecord || pRecord->records_ != this) return -1;
    const int index = pRecord->index_;
    RemoveAt(index);
    return index;
}

void CXTPReportRecords::RemoveAll() {
    auto records = std::move(records_);
    records_.clear();
    if (!referencesOnly_)
        for (auto* record : records) {
            record->records_ = nullptr;
            record->index_ = -1;
        }
    for (auto* record : records) record->InternalRelease();
}

CXTPReportControl* CXTPReportRecords::GetControl() const {
    if (control_) return control_;
    return ownerRecord_ ? ownerRecord_->GetControl() : nullptr;
}

void CXTPReportRecords::Detach(CXTPReportRecord* pRecord) {
    CXTPReportRecords* list = pRecord->records_;
    if (!list) return;
    const int index = pRecord->index_;
    list->records_.erase(list->records_.begin() + index);
    pRecord->records_ = nullptr;
    pRecord->index_ = -1;
    list->Renumber(index);
}

void CXTPReportRecords::Renumber(int from) {
    for (int i = from; i < GetCount(); ++i) records_[static_cast<size_t>(i)]->index_ = i;
}
