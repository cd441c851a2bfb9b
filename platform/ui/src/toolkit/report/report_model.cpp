#include "report_model.h"

#include "colour_conversion.h"
#include "text_conversion.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_columns.h"
#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_paint_manager.h"
#include "ui/toolkit/report/report_record.h"
#include "ui/toolkit/report/report_record_item.h"
#include "ui/toolkit/report/report_row.h"
#include "ui/toolkit/report/report_rows.h"

#include <QFont>

#include <algorithm>

namespace ui {

namespace {

// A column's DT_ alignment as the view's, vertically centred.
QVariant AlignmentOf(int alignment) {
    const Qt::Alignment horizontal = alignment == DT_CENTER  ? Qt::AlignHCenter
                                     : alignment == DT_RIGHT ? Qt::AlignRight
                                                             : Qt::AlignLeft;
    return QVariant::fromValue(horizontal | Qt::AlignVCenter);
}

}  // namespace

ReportModel::ReportModel(CXTPReportControl* control, QObject* parent)
    : QAbstractTableModel(parent), control_(control) {}

int ReportModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : control_->GetRows()->GetCount();
}

int ReportModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : control_->GetColumns()->GetCount();
}

CXTPReportRow* ReportModel::RowAt(int row) const { return control_->GetRows()->GetAt(row); }

CXTPReportColumn* ReportModel::ColumnAt(int column) const { return control_->GetColumns()->GetAt(column); }

CXTPReportRecordItem* ReportModel::ItemAt(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    CXTPReportRow* row = RowAt(index.row());
    CXTPReportColumn* column = ColumnAt(index.column());
    CXTPReportRecord* record = row ? row->GetRecord() : nullptr;
    return record && column ? record->GetItem(column) : nullptr;
}

QVariant ReportModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
    CXTPReportColumn* column = ColumnAt(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (CXTPReportRecordItem* item = ItemAt(index)) return detail::ToQString(item->GetCaption(column).GetString());
        return QString();
    case Qt::FontRole:
        if (CXTPReportRecordItem* item = ItemAt(index); item && item->IsBold()) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::ForegroundRole:
        if (CXTPReportRecordItem* item = ItemAt(index); item && item->GetTextColor() != XTP_REPORT_COLOR_DEFAULT)
            return detail::ToQColor(item->GetTextColor());
        return {};
    case Qt::TextAlignmentRole:
        return AlignmentOf(column ? column->GetAlignment() : DT_LEFT);
    default:
        return {};
    }
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    CXTPReportColumn* column = ColumnAt(section);
    if (!column) return {};
    switch (role) {
    case Qt::DisplayRole:
        return detail::ToQString(column->GetCaption().GetString());
    case Qt::ToolTipRole: {
        // The sort caption: "Sort By: " and the most significant sort column.
        CXTPReportColumn* sorted = control_->GetColumns()->GetSortOrder()->GetAt(0);
        if (!sorted) return detail::ToQString(column->GetCaption().GetString());
        return detail::ToQString(control_->GetPaintManager()->m_strSortBy.GetString()) +
               detail::ToQString(sorted->GetCaption().GetString());
    }
    case Qt::TextAlignmentRole:
        return AlignmentOf(column->GetAlignment());
    default:
        return {};
    }
}

Qt::ItemFlags ReportModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void ReportModel::RowsChanged(int first, int last) {
    int count = rowCount();
    if (count == 0 || columnCount() == 0 || first > last || first >= count) return;
    last = std::min(last, count - 1);
    emit dataChanged(index(std::max(first, 0), 0), index(last, std::max(columnCount() - 1, 0)));
}

void ReportModel::HeaderChanged() {
    if (int count = columnCount(); count > 0) emit headerDataChanged(Qt::Horizontal, 0, count - 1);
}

}  // namespace ui
