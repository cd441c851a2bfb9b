#include "ui/toolkit/caption.h"

#include "handle_table.h"
#include "text_conversion.h"
#include "ui/toolkit/color_manager.h"
#include "ui/window_functions.h"
#include "winapi/errors.h"

#include <QColor>
#include <QFont>
#include <QLabel>

#include <algorithm>

namespace {

QString CssColor(COLORREF colour) { return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour)).name(); }

}  // namespace

CXTPCaption::CXTPCaption() {
    CXTPColorManager* colours = XTPColorManager();
    top_ = colours->GetColor(COLOR_BTNFACE);
    bottom_ = colours->GetColor(COLOR_BTNSHADOW);
    text_ = colours->GetColor(COLOR_WINDOW);
}

CXTPCaption::~CXTPCaption() = default;

BOOL CXTPCaption::Create(CWnd* pParentWnd, LPCWSTR lpszCaption, DWORD dwStyle, const RECT& rect, UINT nID) {
    if (Exists()) return FALSE;
    if (!(dwStyle & WS_CHILD)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!CreateEx(0, u"Static", lpszCaption, dwStyle, rect, pParentWnd, nID)) return FALSE;
    auto* label = static_cast<QLabel*>(Widget());
    label->setObjectName(QStringLiteral("caption-%1").arg(nID));
    Qt::Alignment horizontal = (dwStyle & SS_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
    label->setAlignment(horizontal | Qt::AlignVCenter);
    SetCaption(lpszCaption);
    ApplyColors();
    return TRUE;
}

QWidget* CXTPCaption::CreateWidget(QWidget* parent, bool) {
    auto* label = new QLabel(parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setMinimumHeight(0);
    return label;
}

void CXTPCaption::SetCaptionColors(COLORREF top, COLORREF bottom, COLORREF text) {
    top_ = top;
    bottom_ = bottom;
    text_ = text;
    ApplyColors();
}

void CXTPCaption::ApplyColors() {
    if (auto* label = static_cast<QLabel*>(Widget()))
        label->setStyleSheet(QStringLiteral("QLabel { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                                            "stop:0 %1, stop:1 %2); color: %3; padding: 2px 8px; }")
                                 .arg(CssColor(top_), CssColor(bottom_), CssColor(text_)));
}

void CXTPCaption::SetCaption(LPCWSTR caption) {
    SetText(caption ? std::u16string_view(caption) : std::u16string_view());
}

std::u16string CXTPCaption::Text() const {
    auto* label = static_cast<QLabel*>(Widget());
    return label ? ui::detail::FromQString(label->text()) : std::u16string();
}

void CXTPCaption::SetText(std::u16string_view text) {
    if (auto* label = static_cast<QLabel*>(Widget())) label->setText(ui::detail::ToQString(text));
}
