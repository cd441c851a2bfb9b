#include "toolkit_test_frame.h"
#include "ui/toolkit/caption.h"
#include "ui/toolkit/color_manager.h"
#include "ui/toolkit/paint_manager.h"
#include "ui_testing/ui_test.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPalette>

namespace {

using CaptionTest = ui_testing::UiTest;

TEST_F(CaptionTest, DrawsItsTextOnTheColourManagersGradient) {
    TestFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    CXTPCaption caption;
    ASSERT_TRUE(caption.Create(&frame, u"Action Pane", 0x10000201 | WS_CHILD, RECT{0, 0, 300, 24}, 59648));
    auto* label = static_cast<QLabel*>(caption.Widget());
    EXPECT_EQ(caption.GetCaption(), u"Action Pane");
    EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(GetParent(caption.Handle()), frame.Handle());

    // Colours 15 and 16 give the gradient, 5 the text; pure colours make
    // the drawing easy to check at the top and bottom rows.
    caption.SetCaptionColors(RGB(255, 0, 0), RGB(0, 0, 255), RGB(255, 255, 255));
    caption.SetCaption(u"");
    QImage image = label->grab().toImage();
    QColor top = image.pixelColor(image.width() / 2, 0);
    QColor bottom = image.pixelColor(image.width() / 2, image.height() - 1);
    EXPECT_GT(top.red(), 200);
    EXPECT_LT(top.blue(), 60);
    EXPECT_GT(bottom.blue(), 200);
    EXPECT_LT(bottom.red(), 60);
}

TEST_F(CaptionTest, ColourManagerAnswersFromThePalette) {
    QPalette palette = QApplication::palette();
    struct Case {
        int index;
        QColor expected;
    } cases[] = {
        {COLOR_WINDOW, palette.color(QPalette::Active, QPalette::Base)},
        {COLOR_BTNFACE, palette.color(QPalette::Active, QPalette::Button)},
        {COLOR_BTNSHADOW, palette.color(QPalette::Active, QPalette::Dark)},
        {COLOR_HIGHLIGHT, palette.color(QPalette::Active, QPalette::Highlight)},
    };
    for (const Case& c : cases) {
        COLORREF colour = XTPColorManager()->GetColor(c.index);
        EXPECT_EQ(QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour)).rgb(), c.expected.rgb()) << c.index;
    }
}

TEST_F(CaptionTest, PaintManagerThemesChooseTheBarsStyle) {
    CXTPPaintManager::SetTheme(xtpThemeClassic);
    EXPECT_EQ(XTPPaintManager()->GetCurrentTheme(), xtpThemeClassic);
    EXPECT_TRUE(XTPPaintManager()->BarStyleSheet().empty());
    CXTPPaintManager::SetTheme(xtpThemeGradient);
    std::string gradient = XTPPaintManager()->BarStyleSheet();
    EXPECT_NE(gradient.find("qlineargradient"), std::string::npos);
    XTPPaintManager()->SetGradientBars(FALSE);
    XTPPaintManager()->SetPopupShadow(FALSE);
    std::string flat = XTPPaintManager()->BarStyleSheet();
    EXPECT_EQ(flat.find("qlineargradient"), std::string::npos);
    EXPECT_EQ(flat.find("QMenu {"), std::string::npos);
    XTPPaintManager()->SetGradientBars(TRUE);
    XTPPaintManager()->SetPopupShadow(TRUE);
    CXTPPaintManager::SetTheme(xtpThemeClassic);
}

}  // namespace
