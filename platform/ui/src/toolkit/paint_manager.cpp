#include "ui/toolkit/paint_manager.h"

#include <QApplication>
#include <QPalette>

void CXTPPaintManager::SetTheme(XTPPaintTheme theme) { XTPPaintManager()->theme_ = theme; }

std::string CXTPPaintManager::BarStyleSheet() const {
    if (theme_ == xtpThemeClassic || theme_ == xtpThemeNative) return {};
    QPalette palette = QApplication::palette();
    QString window = palette.color(QPalette::Window).name();
    QString light = palette.color(QPalette::Window).lighter(106).name();
    QString edge = palette.color(QPalette::Mid).name();
    QString hover = palette.color(QPalette::Highlight).lighter(180).name();
    QString hoverEdge = palette.color(QPalette::Highlight).lighter(140).name();
    QString background =
        theme_ == xtpThemeGradient && gradientBars_
            ? QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2)").arg(light, window)
            : window;
    QString sheet = QStringLiteral(
                        "QToolBar { background: %1; border: none; border-bottom: 1px solid %2; spacing: 2px; "
                        "padding: 2px; }\n"
                        "QToolBar::separator { background: %2; width: 1px; margin: 4px 3px; }\n"
                        "QToolButton { border: 1px solid transparent; border-radius: 3px; padding: 3px; }\n"
                        "QToolButton:hover { background: %3; border-color: %4; }\n"
                        "QToolButton:pressed, QToolButton:checked { background: %4; }\n"
                        "QMenuBar { background: %1; border-bottom: 1px solid %2; }\n"
                        "QMenuBar::item { padding: 4px 8px; border-radius: 3px; }\n"
                        "QMenuBar::item:selected { background: %3; }\n")
                        .arg(background, edge, hover, hoverEdge);
    if (popupShadow_)
        sheet += QStringLiteral("QMenu { border: 1px solid %1; border-bottom: 2px solid %2; }\n")
                     .arg(edge, palette.color(QPalette::Dark).name());
    return sheet.toStdString();
}

CXTPPaintManager* XTPPaintManager() {
    static CXTPPaintManager manager;
    return &manager;
}
