// CXTPReportRecordItem: one cell of a record, the item at one column item
// index. The control asks its items at every paint (GetCaption,
// GetIconIndex, the text colour and bold state) and never caches what they
// answer, so a derived item can read its values live; sorting asks Compare.
#pragma once

#include "com/cstring.h"
#include "ui/framework/cmd_target.h"
#include "ui/geometry.h"
#include "ui/handle_types.h"

class CXTPReportColumn;
class CXTPReportControl;
class CXTPReportRecord;
class CXTPReportRecordItem;
class CXTPReportRow;

// The colour that stands for "the paint manager's colour".
#define XTP_REPORT_COLOR_DEFAULT (static_cast<COLORREF>(-1))
// No icon (GetIconIndex).
#define XTP_REPORT_NOICON (-1)

// The cell a handler is called for.
struct XTP_REPORTRECORDITEM_ARGS {
    CXTPReportControl* pControl = nullptr;
    CXTPReportRow* pRow = nullptr;
    CXTPReportColumn* pColumn = nullptr;
    CXTPReportRecordItem* pItem = nullptr;
};

// The cell a click lands on, with the point in client coordinates.
struct XTP_REPORTRECORDITEM_CLICKARGS : XTP_REPORTRECORDITEM_ARGS {
    CPoint ptClient;
};

// How an item is edited in place.
class CXTPReportRecordItemEditOptions {
public:
    // The longest text the editor takes; 0 for no limit.
    int m_nMaxLength = 0;
    // Select the whole text when the editor opens.
    BOOL m_bSelectTextOnEdit = FALSE;
};

class CXTPReportRecordItem : public CCmdTarget {
    DECLARE_DYNAMIC(CXTPReportRecordItem)
public:
    CXTPReportRecordItem();
    ~CXTPReportRecordItem() override;

    // The text shown in `pColumn` (which may be null: the item's own text).
    // The base item has no text.
    virtual CString GetCaption(CXTPReportColumn* pColumn);

    // The image index in the control's image list; XTP_REPORT_NOICON for none.
    virtual int GetIconIndex() const;
    void SetIconIndex(int nIconIndex) { iconIndex_ = nIconIndex; }

    // Negative, 0 or positive as this item sorts before, with or after
    // `pItem` in `pColumn`. The default compares the captions ordinally.
    virtual int Compare(CXTPReportColumn* pColumn, CXTPReportRecordItem* pItem);

    // XTP_REPORT_COLOR_DEFAULT: the paint manager's text colour.
    void SetTextColor(COLORREF clrText) { textColor_ = clrText; }
    COLORREF GetTextColor() const { return textColor_; }
    void SetBold(BOOL bBold = TRUE) { bold_ = bBold != FALSE; }
    BOOL IsBold() const { return bold_; }

    // Whether the item may be edited in place (also needs the control's
    // AllowEdit and the column's editable flag).
    void SetEditable(BOOL bEditable = TRUE) { editable_ = bEditable != FALSE; }
    BOOL IsEditable() const { return editable_; }
    // The edit options of the item (the same for every column); never null.
    virtual CXTPReportRecordItemEditOptions* GetEditOptions(CXTPReportColumn* pColumn);

    // A double click on the item. The default toggles the row's expanded
    // state.
    virtual void OnDblClick(XTP_REPORTRECORDITEM_CLICKARGS* pClickArgs);
    // An in-place edit of the item ended with `szText`. The editor is closed
    // already; the handler may repopulate the control (the row in the
    // arguments is not used afterwards). The default does nothing.
    virtual void OnEditChanged(XTP_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText);
    // An in-place edit of the item was cancelled. The default does nothing.
    virtual void OnEditCanceled(XTP_REPORTRECORDITEM_ARGS* pItemArgs);

    // The record the item belongs to (null before it is added to one).
    CXTPReportRecord* GetRecord() const { return record_; }
    // The item's index in its record (its column item index), -1 when it
    // belongs to no record.
    int GetIndex() const;

private:
    friend class CXTPReportRecord;

    CXTPReportRecord* record_ = nullptr;  // Not owned: the record owns the item.
    int iconIndex_ = XTP_REPORT_NOICON;
    COLORREF textColor_ = XTP_REPORT_COLOR_DEFAULT;
    bool bold_ = false;
    bool editable_ = true;
    CXTPReportRecordItemEditOptions editOptions_;
};
