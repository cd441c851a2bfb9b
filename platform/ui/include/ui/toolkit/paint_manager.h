// The toolkit's paint manager: the look of the command bars, chosen by a
// theme and two options, and applied to every frame's bars as a style sheet
// of their own (the application's skin, ui/toolkit/skin_manager.h, comes on
// top of it).
#pragma once

#include "winapi/types.h"

#include <string>

enum XTPPaintTheme {
    xtpThemeClassic = 0,   // Qt's own style for the bars
    xtpThemeFlat = 1,      // plain bars, flat buttons
    xtpThemeGradient = 2,  // bars on a soft gradient, rounded hover marks
    xtpThemeNative = 3,    // the desktop style, as classic
};

class CXTPPaintManager {
public:
    // Chooses the theme of every frame's bars; they take it when they are
    // next redrawn (CXTPCommandBars::RedrawCommandBars).
    static void SetTheme(XTPPaintTheme theme);
    XTPPaintTheme GetCurrentTheme() const { return theme_; }

    // Two drawing options, both on by default: a gradient background of the
    // bars (with the gradient theme) and a shadow edge under popups. Both
    // off give the flat look.
    void SetGradientBars(BOOL on) { gradientBars_ = on != FALSE; }
    BOOL GetGradientBars() const { return gradientBars_; }
    void SetPopupShadow(BOOL on) { popupShadow_ = on != FALSE; }
    BOOL GetPopupShadow() const { return popupShadow_; }

    // The style sheet of the bars for the theme and options in force (UTF-8,
    // empty for the classic and native themes).
    std::string BarStyleSheet() const;

private:
    XTPPaintTheme theme_ = xtpThemeClassic;
    bool gradientBars_ = true;
    bool popupShadow_ = true;
};

// The process's paint manager (theme 0 until one is chosen).
CXTPPaintManager* XTPPaintManager();
