// What a report control keeps for its window: the look (paint manager,
// image list, tree indent, header shown), the widget while the window
// exists, the in-place editor and the state of a mouse press. Made on the
// control's first use of a window-side setting, freed with the control.
#pragma once

#include "report_in_place_edit.h"
#include "ui/geometry.h"
#include "ui/toolkit/report/report_paint_manager.h"
#include "ui/toolkit/report/report_row.h"

#include <functional>

class CDC;
class CImageList;

namespace ui {
class ReportTreeView;
}

namespace ui::detail {

// The timer that opens the editor after a click on the focused row of a
// control that allows editing, once no double click followed (the
// explorer's own drag-hover timer is 1000).
constexpr UINT_PTR kReportEditTimer = 0x5245;

struct ReportWindowState {
    CXTPReportPaintManager paintManager;
    // The row icons; the list object is read at each paint, so a list the
    // program makes again inside it is seen (not owned).
    CImageList* imageListObject = nullptr;
    HIMAGELIST imageList = nullptr;
    int treeIndent = 16;
    bool headerVisible = true;

    // The widget while the window exists (owned by the window).
    ReportTreeView* view = nullptr;
    // Runs the control's OnDraw with a DC over the rows' painter.
    std::function<void(CDC*)> drawOver;

    // The in-place editor and the cell it edits.
    ReportInPlaceEdit editor;
    // The row holds its record, so the item is found again by its index
    // when the edit ends, whatever happened to the rows meanwhile.
    ReportRowRef editRow;
    int editItemIndex = -1;

    // The last left press: where, and on which row (kept across a
    // Populate that the press's notifications may cause).
    CPoint pressPoint;
    ReportRowRef pressRow;
    // The press was on one of several selected rows: the release selects
    // it alone (unless a drag took the press).
    bool selectOnRelease = false;
    // The press was on the text of the focused, only selected row's
    // editable item (column item index), so its click edits the item.
    int editOnRelease = -1;
    // A click that will edit when the edit timer elapses.
    ReportRowRef editPendingRow;
    int editPendingItemIndex = -1;
};

}  // namespace ui::detail
