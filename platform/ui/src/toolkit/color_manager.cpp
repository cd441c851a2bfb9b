#include "ui/toolkit/color_manager.h"

#include <QApplication>
#include <QPalette>

namespace {

QPalette::ColorRole RoleOf(int index) {
    switch (index) {
    case COLOR_WINDOW:
        return QPalette::Base;
    case COLOR_WINDOWTEXT:
        return QPalette::Text;
    case COLOR_HIGHLIGHT:
        return QPalette::Highlight;
    case COLOR_HIGHLIGHTTEXT:
        return QPalette::HighlightedText;
    case COLOR_BTNFACE:
        return QPalette::Button;
    case COLOR_BTNSHADOW:
        return QPalette::Dark;
    case COLOR_GRAYTEXT:
        return QPalette::PlaceholderText;
    case COLOR_BTNTEXT:
        return QPalette::ButtonText;
    case COLOR_3DHIGHLIGHT:
        return QPalette::Light;
    default:
        return QPalette::Window;
    }
}

}  // namespace

COLORREF CXTPColorManager::GetColor(int index) const {
    QColor colour = QApplication::palette().color(QPalette::Active, RoleOf(index));
    if (index == COLOR_GRAYTEXT) colour = QApplication::palette().color(QPalette::Disabled, QPalette::Text);
    return RGB(colour.red(), colour.green(), colour.blue());
}

CXTPColorManager* XTPColorManager() {
    static CXTPColorManager manager;
    return &manager;
}
