// ui::ReportDelegate: draws one cell of the report control from the row's
// record item, asked at each paint: the selection or plain background, in
// the tree column the indentation (depth x indent) and the expand button,
// the icon from the control's image list, the caption in the item's colour
// and weight, the grid line and the focused row's frame. Colours come from
// the control's paint manager (unset ones from the palette).
//
// The cell layout is shared with the control's geometry (expand button and
// item rectangles), so a hit test finds what was drawn.
#pragma once

#include "ui/handle_types.h"

#include <QStyledItemDelegate>

class CXTPReportControl;
class CXTPReportRow;

namespace ui {

namespace detail {
struct ReportWindowState;
}

// The parts of a cell, in the cell's coordinates.
struct ReportCellLayout {
    QRect button;  // the expand button's box (empty outside the tree column)
    QRect icon;    // empty without an icon
    QRect text;
};

class ReportDelegate : public QStyledItemDelegate {
public:
    ReportDelegate(CXTPReportControl* control, const detail::ReportWindowState* state, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The layout of `row`'s cell at `cell` (in the tree column when
    // `treeColumn`), with an icon when `hasIcon`.
    ReportCellLayout Layout(const CXTPReportRow* row, const QRect& cell, bool treeColumn, bool hasIcon) const;

private:
    CXTPReportControl* control_;              // Not owned.
    const detail::ReportWindowState* state_;  // Not owned.
};

// The paint manager's colour, or the palette's `role` when unset.
QColor ReportColour(COLORREF colour, const QPalette& palette, QPalette::ColorRole role,
                    QPalette::ColorGroup group = QPalette::Active);

}  // namespace ui
