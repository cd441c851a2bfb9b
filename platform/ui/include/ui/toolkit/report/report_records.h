// CXTPReportRecords: a list of records, the control's top level or a
// record's children. The list holds one reference to each record (see
// report_record.h): Add takes the caller's reference, removal releases it.
//
// Changing a list changes the data only; the control shows it at the next
// Populate (CXTPReportControl::RemoveRecordEx removes a record's rows at
// once).
#pragma once

#include "ui/framework/cmd_target.h"

#include <vector>

class CXTPReportControl;
class CXTPReportRecord;

class CXTPReportRecords : public CCmdTarget {
    DECLARE_DYNAMIC(CXTPReportRecords)
public:
    // A list of top-level records of `pControl`, or of the children of
    // `pOwnerRecord`; both null: a free-standing list (dropped records).
    explicit CXTPReportRecords(CXTPReportControl* pControl = nullptr, CXTPReportRecord* pOwnerRecord = nullptr);

    // A list that only names records kept in other lists (the records a drag
    // notification carries): it holds a reference to each record of its own
    // and leaves the record in its list, index and parent unchanged.
    struct ReferencesOnly {};
    explicit CXTPReportRecords(ReferencesOnly);
    ~CXTPReportRecords() override;

    int GetCount() const { return static_cast<int>(records_.size()); }
    // The record at `nIndex`, null out of range.
    CXTPReportRecord* GetAt(int nIndex) const;

    // Appends the record (taking the caller's reference) and returns it.
    // A record that belongs to another list is moved (no reference changes).
    // A list of references only adds a reference of its own instead.
    CXTPReportRecord* Add(CXTPReportRecord* pRecord);
    // Inserts the record at `nIndex` (clamped to 0..count) as Add does.
    void InsertAt(int nIndex, CXTPReportRecord* pRecord);
    // Removes and releases the record at `nIndex`; nothing out of range.
    void RemoveAt(int nIndex);
    // Removes and releases `pRecord`; -1 when it is not in the list, else
    // the index it had.
    int RemoveRecord(CXTPReportRecord* pRecord);
    // Removes and releases every record.
    void RemoveAll();

    // The record whose children these are; null at the top level.
    CXTPReportRecord* GetOwnerRecord() const { return ownerRecord_; }
    // The control of the list (through its owner records); may be null.
    CXTPReportControl* GetControl() const;

private:
    friend class CXTPReportRecord;
    friend class CXTPReportControl;

    // Takes the record out of its list without releasing it.
    static void Detach(CXTPReportRecord* pRecord);
    void Renumber(int from);

    CXTPReportControl* control_;     // Not owned.
    CXTPReportRecord* ownerRecord_;  // Not owned: the owner owns this list.
    bool referencesOnly_ = false;
    std::vector<CXTPReportRecord*> records_;
};
