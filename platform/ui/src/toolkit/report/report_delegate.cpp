#include "report_delegate.h"

#include "colour_conversion.h"
#include "gdi_object_internal.h"
#include "image_list_internal.h"
#include "report_model.h"
#include "report_window_state.h"
#include "text_conversion.h"
#include "ui/framework/image_list.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_columns.h"
#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_record.h"
#include "ui/toolkit/report/report_record_item.h"
#include "ui/toolkit/report/report_row.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace ui {
namespace {

constexpr int kButtonBox = 16;   // the width kept for the expand button
constexpr int kButtonGlyph = 9;  // the drawn button's side
constexpr int kGap = 3;          // between icon and text, and at the cell's edges

HIMAGELIST ImageListOf(const detail::ReportWindowState& state) {
    return state.imageListObject ? state.imageListObject->GetSafeHandle() : state.imageList;
}

}  // namespace

QColor ReportColour(COLORREF colour, const QPalette& palette, QPalette::ColorRole role, QPalette::ColorGroup group) {
    return colour == XTP_REPORT_COLOR_UNSET ? palette.color(group, role) : detail::ToQColor(colour);
}

ReportDelegate::ReportDelegate(CXTPReportControl* control, const detail::ReportWindowState* state, QObject* parent)
    : QStyledItemDelegate(parent), control_(control), state_(state) {}

ReportCellLayout ReportDelegate::Layout(const CXTPReportRow* row, const QRect& cell, bool treeColumn,
                                        bool hasIcon) const {
    ReportCellLayout layout;
    int x = cell.left();
    if (treeColumn && row) {
        x += row->GetTreeDepth() * state_->treeIndent;
        layout.button = QRect(x, cell.top(), kButtonBox, cell.height());
        x += kButtonBox;
    } else {
        x += kGap;
    }
    if (hasIcon) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(ImageListOf(*state_), &cx, &cy);
        layout.icon = QRect(x, cell.top() + (cell.height() - cy) / 2, cx, cy);
        x += cx + kGap;
    }
    layout.text = QRect(x, cell.top(), std::max(cell.right() - kGap - x + 1, 0), cell.height());
    return layout;
}

void ReportDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    auto* model = static_cast<const ReportModel*>(index.model());
    CXTPReportRow* row = model->RowAt(index.row());
    CXTPReportColumn* column = model->ColumnAt(index.column());
    if (!row || !column) return;
    const CXTPReportPaintManager& look = state_->paintManager;
    const QPalette& palette = option.palette;
    bool active = option.widget && option.widget->hasFocus();
    bool selected = row->IsSelected();
    QRect cell = option.rect;

    QColor back = ReportColour(look.m_clrControlBack, palette, QPalette::Base);
    if (selected)
        back = active ? ReportColour(look.m_clrHighlight, palette, QPalette::Highlight)
                      : ReportColour(look.m_clrSelectedRow, palette, QPalette::Highlight, QPalette::Inactive);
    painter->fillRect(cell, back);

    CXTPReportRecord* record = row->GetRecord();
    CXTPReportRecordItem* item = record ? record->GetItem(column) : nullptr;
    bool treeColumn = column == control_->GetColumns()->GetTreeColumn();
    HIMAGELIST images = ImageListOf(*state_);
    int iconIndex = item ? item->GetIconIndex() : XTP_REPORT_NOICON;
    bool hasIcon = images && iconIndex >= 0 && iconIndex < ImageList_GetImageCount(images);
    ReportCellLayout layout = Layout(row, cell, treeColumn, hasIcon);

    painter->save();
    painter->setClipRect(cell);
    QColor text = ReportColour(look.m_clrWindowText, palette, QPalette::Text);
    if (item && item->GetTextColor() != XTP_REPORT_COLOR_DEFAULT) text = detail::ToQColor(item->GetTextColor());
    if (selected)
        text = active ? ReportColour(look.m_clrHighlightText, palette, QPalette::HighlightedText)
                      : ReportColour(look.m_clrSelectedRowText, palette, QPalette::HighlightedText, QPalette::Inactive);

    if (treeColumn && row->HasChildren()) {
        QRect glyph(0, 0, kButtonGlyph, kButtonGlyph);
        glyph.moveCenter(layout.button.center());
        painter->setPen(ReportColour(look.m_clrGridLine, palette, QPalette::Mid));
        painter->fillRect(glyph, ReportColour(look.m_clrControlBack, palette, QPalette::Base));
        painter->drawRect(glyph.adjusted(0, 0, -1, -1));
        painter->setPen(ReportColour(look.m_clrWindowText, palette, QPalette::Text));
        int middleY = glyph.top() + kButtonGlyph / 2;
        int middleX = glyph.left() + kButtonGlyph / 2;
        painter->drawLine(glyph.left() + 2, middleY, glyph.right() - 2, middleY);
        if (!row->IsExpanded()) painter->drawLine(middleX, glyph.top() + 2, middleX, glyph.bottom() - 2);
    }
    if (hasIcon) {
        QImage image = detail::ImageListImage(images, iconIndex);
        if (!image.isNull()) painter->drawImage(layout.icon, image);
    }
    if (item) {
        QFont font = option.font;
        if (HFONT custom = look.GetTextFont()) font = detail::FontOf(custom);
        if (item->IsBold()) font.setBold(true);
        QString caption = detail::ToQString(item->GetCaption(column).GetString());
        painter->setFont(font);
        painter->setPen(text);
        int alignment = column->GetAlignment();
        Qt::Alignment horizontal = alignment == DT_CENTER  ? Qt::AlignHCenter
                                   : alignment == DT_RIGHT ? Qt::AlignRight
                                                           : Qt::AlignLeft;
        QFontMetrics metrics(font);
        painter->drawText(layout.text, horizontal | Qt::AlignVCenter | Qt::TextSingleLine,
                          metrics.elidedText(caption, Qt::ElideRight, layout.text.width()));
    }
    painter->restore();

    if (look.IsGridShown()) {
        painter->save();
        painter->setPen(ReportColour(look.m_clrGridLine, palette, QPalette::Midlight));
        painter->drawLine(cell.bottomLeft(), cell.bottomRight());
        painter->restore();
    }
}

QSize ReportDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    QFont font = option.font;
    if (HFONT custom = state_->paintManager.GetTextFont()) font = detail::FontOf(custom);
    int height = QFontMetrics(font).height() + 4;
    int cx = 0, cy = 0;
    if (HIMAGELIST images = ImageListOf(*state_); images && ImageList_GetIconSize(images, &cx, &cy))
        height = std::max(height, cy + 2);
    return {option.rect.width(), std::max(height, kButtonBox + 2)};
}

}  // namespace ui
