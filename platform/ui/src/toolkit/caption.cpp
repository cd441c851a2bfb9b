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

CXTPCaption::~CXTPCaption() {
    if (Exists()) DestroyWindow(Handle());
}

BOOL CXTPCaption::Create(HWND parent, LPCWSTR caption, DWORD style, const RECT& rect, UINT id) {
    if (Exists() || !ui::detail::WidgetsAvailable()) return FALSE;
    ui::Window* parentWindow = ui::detail::WindowOrError(parent);
    if (!parentWindow || !parentWindow->ClientWidget() || !(style & WS_CHILD)) {
        if (parentWindow) SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* label = new QLabel(ui::detail::ToQString(caption), parentWindow->ClientWidget());
    label->setObjectName(QStringLiteral("caption-%1").arg(id));
    Qt::Alignment horizontal = (style & SS_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
    label->setAlignment(horizontal | Qt::AlignVCenter);
    label->setGeometry(rect.left, rect.top, std::max<LONG>(rect.right - rect.left, 0),
                       std::max<LONG>(rect.bottom - rect.top, 0));
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setMinimumHeight(0);
    if (!Attach(label, parent, true, u"Static")) return FALSE;
    id_ = id;
    ApplyColors();
    label->setVisible((style & WS_VISIBLE) != 0);
    return TRUE;
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
