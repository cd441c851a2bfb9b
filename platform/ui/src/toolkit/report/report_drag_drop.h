// The report control's drag and drop as its window side calls it: the
// default mouse handlers start a drag of the selected rows, and the window's
// widget hands its drag events to the control (OnDragOver, OnDrop).
#pragma once

#include "ui/geometry.h"

class CXTPReportControl;
class QWidget;

namespace ui::detail {

struct ReportDragState;

// The default WM_LBUTTONDOWN handler, after the press has selected: a press
// on a selected row may start a drag once the mouse moves far enough
// (QApplication::startDragDistance).
void ReportDragPress(CXTPReportControl& control, ReportDragState*& state, CPoint point);
// The default WM_MOUSEMOVE handler: starts the drag when the press was on a
// selected row, the left button is still down and the mouse moved beyond
// the distance (XTP_NM_REPORT_BEGINDRAG, the drag, then
// XTP_NM_REPORT_DRAGDROP_COMPLETED). True when a drag ran.
bool ReportDragMove(CXTPReportControl& control, ReportDragState*& state, UINT flags, CPoint point);
// The default WM_LBUTTONUP handler: no drag starts from this press any more.
void ReportDragRelease(ReportDragState* state);

// Makes `widget` (the control's rows area, inside the control's widget)
// hand its drag events to the control while drops are allowed. EnableDragDrop
// does it for a control whose window exists; the window calls it when it
// makes its widget after EnableDragDrop.
void AttachReportDropTarget(CXTPReportControl& control, ReportDragState*& state, QWidget* widget);

}  // namespace ui::detail
