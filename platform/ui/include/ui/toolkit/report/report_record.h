// CXTPReportRecord: one row's data, a list of items (one per column item
// index) and child records.
//
// Ownership: a record is reference-counted (InternalAddRef /
// InternalRelease); a new record holds one reference, its creator's. Adding
// it to a record list (the control's GetRecords(), a parent's GetChilds())
// hands that reference to the list; removing it from the list releases it.
// A row showing the record holds a reference too, so a record removed while
// a row still shows it (or a caller holds a reference) stays valid, detached
// (no parent, no list), until the last reference goes. A record never added
// is freed with InternalRelease. Records survive Populate; rows do not.
#pragma once

#include "ui/framework/cmd_target.h"

#include <vector>

class CXTPPropExchange;
class CXTPReportColumn;
class CXTPReportControl;
class CXTPReportRecordItem;
class CXTPReportRecords;
class CXTPReportRow;

class CXTPReportRecord : public CCmdTarget {
    DECLARE_DYNCREATE(CXTPReportRecord)
public:
    CXTPReportRecord();

    void InternalAddRef();
    // Frees the record with its items and child records at the last
    // reference.
    void InternalRelease();

    // Appends an item (the record owns it) and returns it; its index is its
    // column item index.
    CXTPReportRecordItem* AddItem(CXTPReportRecordItem* pItem);
    // The item at `nIndex`, null out of range.
    CXTPReportRecordItem* GetItem(int nIndex) const;
    // The item shown in `pColumn` (its item index), null when none.
    CXTPReportRecordItem* GetItem(const CXTPReportColumn* pColumn) const;
    int GetItemCount() const { return static_cast<int>(items_.size()); }
    // Deletes every item.
    void RemoveAll();

    // The child records, made on first use; never null.
    CXTPReportRecords* GetChilds();
    BOOL HasChildren() const;
    // The record's expanded state, kept across Populate. Setting it changes
    // the record only: the rows follow at the next Populate (a row's
    // SetExpanded changes both at once).
    BOOL IsExpanded() const { return expanded_; }
    virtual void SetExpanded(BOOL bExpanded);

    // The record whose GetChilds() holds this one; null at the top level or
    // when detached.
    CXTPReportRecord* GetParentRecord() const;
    // The list that holds the record; null when detached.
    CXTPReportRecords* GetRecords() const { return records_; }
    // The record's position in its list, -1 when detached.
    int GetIndex() const;
    // The control whose records hold this record (at any depth); null when
    // the record belongs to no control.
    CXTPReportControl* GetControl() const;

    // The record's data to or from a property exchange (drag and drop and
    // the clipboard move records by their run-time class name and this).
    // The default exchanges nothing: a derived record adds its own data.
    virtual void DoPropExchange(CXTPPropExchange* pPX);

protected:
    // Records are freed by InternalRelease only.
    ~CXTPReportRecord() override;

private:
    friend class CXTPReportRecords;
    friend class CXTPReportRow;
    friend class CXTPReportRows;
    friend class CXTPReportControl;

    long refCount_ = 1;
    bool expanded_ = false;
    std::vector<CXTPReportRecordItem*> items_;  // Owned.
    CXTPReportRecords* children_ = nullptr;     // Owned; made on first use.
    CXTPReportRecords* records_ = nullptr;      // Not owned: the list holding the record.
    int index_ = -1;                            // Position in records_.
    CXTPReportRow* row_ = nullptr;              // Not owned: the control's current row of the record, if any.
};
