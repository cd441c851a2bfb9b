#include "ui/system_metrics.h"

#include "colour_conversion.h"
#include "gdi_object_internal.h"

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionMenuItem>

#include <map>

namespace {

bool HaveWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

// A menu item's height as the style draws a plain text item.
int MenuItemHeight() {
    QMenu menu;
    QStyleOptionMenuItem option;
    option.initFrom(&menu);
    option.menuItemType = QStyleOptionMenuItem::Normal;
    option.text = QStringLiteral("Menu");
    QFontMetrics metrics(menu.font());
    QSize size = menu.style()->sizeFromContents(QStyle::CT_MenuItem, &option,
                                                QSize(metrics.horizontalAdvance(option.text), metrics.height()), &menu);
    return size.height();
}

QPalette MenuPalette() {
    QMenu menu;
    return menu.palette();
}

}  // namespace

int GetSystemMetrics(int index) {
    if (!HaveWidgets()) return 0;
    QScreen* screen = QGuiApplication::primaryScreen();
    QStyle* style = QApplication::style();
    switch (index) {
    case SM_CXSCREEN:
        return screen ? screen->geometry().width() : 0;
    case SM_CYSCREEN:
        return screen ? screen->geometry().height() : 0;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
        return style->pixelMetric(QStyle::PM_ScrollBarExtent);
    case SM_CYCAPTION:
        return style->pixelMetric(QStyle::PM_TitleBarHeight);
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return style->pixelMetric(QStyle::PM_DefaultFrameWidth);
    case SM_CXICON:
    case SM_CYICON:
        return style->pixelMetric(QStyle::PM_LargeIconSize);
    case SM_CXSMICON:
    case SM_CYSMICON:
        return style->pixelMetric(QStyle::PM_SmallIconSize);
    case SM_CYMENU:
        return MenuItemHeight();
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
        return QApplication::startDragDistance() * 2;
    default:
        return 0;
    }
}

COLORREF GetSysColor(int index) {
    if (!HaveWidgets()) return 0;
    QPalette palette = QApplication::palette();
    auto colour = [&](QPalette::ColorRole role) { return ui::detail::ToColorRef(palette.color(role)); };
    switch (index) {
    case COLOR_MENU:
        return ui::detail::ToColorRef(MenuPalette().color(QPalette::Window));
    case COLOR_MENUTEXT:
        return ui::detail::ToColorRef(MenuPalette().color(QPalette::WindowText));
    case COLOR_WINDOW:
        return colour(QPalette::Base);
    case COLOR_WINDOWTEXT:
        return colour(QPalette::Text);
    case COLOR_HIGHLIGHT:
    case COLOR_ACTIVECAPTION:
        return colour(QPalette::Highlight);
    case COLOR_HIGHLIGHTTEXT:
    case COLOR_CAPTIONTEXT:
        return colour(QPalette::HighlightedText);
    case COLOR_BTNFACE:
    case COLOR_SCROLLBAR:
    case COLOR_INACTIVECAPTION:
        return colour(QPalette::Button);
    case COLOR_BTNTEXT:
        return colour(QPalette::ButtonText);
    case COLOR_BTNSHADOW:
        return colour(QPalette::Mid);
    case COLOR_3DDKSHADOW:
    case COLOR_WINDOWFRAME:
        return colour(QPalette::Shadow);
    case COLOR_BTNHIGHLIGHT:
        return colour(QPalette::Light);
    case COLOR_3DLIGHT:
        return colour(QPalette::Midlight);
    case COLOR_GRAYTEXT:
        return ui::detail::ToColorRef(palette.color(QPalette::Disabled, QPalette::Text));
    case COLOR_BACKGROUND:
        return colour(QPalette::Window);
    case COLOR_INFOTEXT:
        return colour(QPalette::ToolTipText);
    case COLOR_INFOBK:
        return colour(QPalette::ToolTipBase);
    default:
        return 0;
    }
}

HBRUSH GetSysColorBrush(int index) {
    static std::map<int, HBRUSH> brushes;
    if (index < 0 || index > COLOR_INFOBK || !HaveWidgets()) return nullptr;
    auto found = brushes.find(index);
    if (found != brushes.end()) return found->second;
    HBRUSH brush = CreateSolidBrush(GetSysColor(index));
    ui::detail::GdiObjectOf(brush)->stock = true;
    brushes[index] = brush;
    return brush;
}
