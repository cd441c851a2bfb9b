// The report control's WM_NOTIFY codes and the records that follow the
// NMHDR. The control sends WM_NOTIFY (wParam its control id, lParam the
// record) to its parent window; the answer is the message's result.
#pragma once

#include "ui/geometry.h"
#include "ui/notify_header.h"

class COleDataObject;
class CXTPReportColumn;
class CXTPReportRecord;
class CXTPReportRecordItem;
class CXTPReportRecords;
class CXTPReportRow;

// Row notifications (NM_CLICK and NM_RCLICK from notify_header.h are sent
// with a ui::ReportRowNotify too).
#define XTP_NM_REPORT_SELCHANGED (static_cast<UINT>(-52))          // the selection changed
#define XTP_NM_REPORT_ROWEXPANDED (static_cast<UINT>(-59))         // a row was expanded or collapsed
#define XTP_NM_REPORT_COLUMNORDERCHANGED (static_cast<UINT>(-63))  // the user reordered the columns
#define XTP_NM_REPORT_SORTORDERCHANGED (static_cast<UINT>(-65))    // the sort order changed

// Drag and drop notifications, sent with a ui::ReportDragNotify.
#define XTP_NM_REPORT_BEGINDRAG (static_cast<UINT>(-70))           // a drag of the selected rows starts
#define XTP_NM_REPORT_DROP (static_cast<UINT>(-85))                // a drop arrives, nothing inserted yet
#define XTP_NM_REPORT_BEFORE_DROP (static_cast<UINT>(-71))         // records are about to be inserted; -1 stops it
#define XTP_NM_REPORT_RECORDS_DROPPED (static_cast<UINT>(-75))     // records were inserted or moved
#define XTP_NM_REPORT_DRAGDROP_COMPLETED (static_cast<UINT>(-77))  // a drag that started here ended

namespace ui {

// What a row notification carries. Any of the pointers may be null (a right
// click below the last row has no row); `point` is in client coordinates.
// The pointers are valid while the notification is handled.
struct ReportRowNotify {
    NMHDR hdr;
    CXTPReportRow* row;
    CXTPReportRecordItem* item;
    CXTPReportColumn* column;
    POINT point;
};

// What a drag and drop notification carries: the records dragged or
// dropped, the record dropped on (null: the end of the list) and whether
// they go above it, the drop effect (DROPEFFECT_COPY or DROPEFFECT_MOVE) and
// the drag's data (null for the notifications of the drag's source).
struct ReportDragNotify {
    NMHDR hdr;
    CXTPReportRecords* records;
    CXTPReportRecord* targetRecord;
    BOOL above;
    DWORD effect;
    COleDataObject* dataObject;
};

}  // namespace ui
