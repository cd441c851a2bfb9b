// ui::ReportModel: the report control's shown rows as a flat Qt table
// model, one model row per shown row (CXTPReportControl::GetRows()), one
// model column per column of the control in display order (hidden columns
// are hidden header sections).
//
// Nothing is cached: data() asks the row's record items each time, so the
// view asks only for what it paints (the visible rows). The control's
// presenter calls the Begin/End pairs around each change of the shown rows,
// so the model is reset once per Populate or EndUpdate and gets one
// inserted or removed range per expand or collapse.
#pragma once

#include <QAbstractTableModel>

class CXTPReportColumn;
class CXTPReportControl;
class CXTPReportRecordItem;
class CXTPReportRow;

namespace ui {

class ReportModel : public QAbstractTableModel {
public:
    // `control` outlives the model (the control's window owns both).
    explicit ReportModel(CXTPReportControl* control, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Display: the item's caption; font: bold items; foreground: the item's
    // own text colour; alignment: the column's.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Horizontal: the column's caption; its tool tip names the sort column.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The row, column and item of a model index (null when none).
    CXTPReportRow* RowAt(int row) const;
    CXTPReportColumn* ColumnAt(int column) const;
    CXTPReportRecordItem* ItemAt(const QModelIndex& index) const;

    // The presenter's calls (the shown rows change between the pairs).
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    void BeginInsertRows(int first, int count) { beginInsertRows({}, first, first + count - 1); }
    void EndInsertRows() { endInsertRows(); }
    void BeginRemoveRows(int first, int count) { beginRemoveRows({}, first, first + count - 1); }
    void EndRemoveRows() { endRemoveRows(); }
    void RowsChanged(int first, int last);
    void HeaderChanged();

private:
    CXTPReportControl* control_;  // Not owned.
};

}  // namespace ui
