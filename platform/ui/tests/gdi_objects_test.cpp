// Drawing objects: fonts from LOGFONTW and back, pens and brushes, stock
// objects, selection and deletion; system metrics and colours.
#include "gdi_object_internal.h"
#include "ui/device_context.h"
#include "ui/gdi_objects.h"
#include "ui/system_metrics.h"
#include "ui_testing/ui_test.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QStyle>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class GdiObjectsTest : public ui_testing::UiTest {};

LOGFONTW Face(const char16_t* face) {
    LOGFONTW font{};
    std::u16string text(face);
    std::copy(text.begin(), text.end(), font.lfFaceName);
    return font;
}

TEST_F(GdiObjectsTest, LogFontMapsOntoQtFonts) {
    struct Case {
        const char* name;
        LOGFONTW font;
        std::function<void(const QFont&)> check;
    };
    auto with = [](LOGFONTW font, auto change) {
        change(font);
        return font;
    };
    const Case cases[] = {
        {"negative height is the pixel size", with(Face(u"Segoe UI"), [](LOGFONTW& f) { f.lfHeight = -13; }),
         [](const QFont& font) { EXPECT_EQ(font.pixelSize(), 13); }},
        {"positive height is the whole cell", with(Face(u"Arial"), [](LOGFONTW& f) { f.lfHeight = 20; }),
         [](const QFont& font) {
             int cell = QFontMetrics(font).height();
             EXPECT_LE(cell, 21);
             EXPECT_GE(cell, 16);
         }},
        {"bold", with(Face(u"Segoe UI"), [](LOGFONTW& f) { f.lfWeight = FW_BOLD; }),
         [](const QFont& font) { EXPECT_EQ(font.weight(), QFont::Bold); }},
        {"normal", with(Face(u"Segoe UI"), [](LOGFONTW& f) { f.lfWeight = FW_NORMAL; }),
         [](const QFont& font) { EXPECT_EQ(font.weight(), QFont::Normal); }},
        {"italic and underline",
         with(Face(u"Segoe UI"),
              [](LOGFONTW& f) {
                  f.lfItalic = 1;
                  f.lfUnderline = 1;
              }),
         [](const QFont& font) {
             EXPECT_TRUE(font.italic());
             EXPECT_TRUE(font.underline());
         }},
        {"ClearType asks for antialiasing",
         with(Face(u"Segoe UI"), [](LOGFONTW& f) { f.lfQuality = CLEARTYPE_QUALITY; }),
         [](const QFont& font) { EXPECT_TRUE(font.styleStrategy() & QFont::PreferAntialias); }},
        {"a missing face falls back to sans-serif", Face(u"Segoe UI"),
         [](const QFont& font) {
             ASSERT_FALSE(font.families().isEmpty());
             EXPECT_EQ(font.families().front(), "Segoe UI");
             EXPECT_TRUE(font.families().contains("sans-serif"));
             EXPECT_FALSE(QFontInfo(font).family().isEmpty());
         }},
        {"fixed pitch falls back to monospace",
         with(Face(u"Courier New"), [](LOGFONTW& f) { f.lfPitchAndFamily = FIXED_PITCH; }),
         [](const QFont& font) { EXPECT_TRUE(font.families().contains("monospace")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HFONT font = CreateFontIndirectW(&c.font);
        ASSERT_NE(font, nullptr);
        c.check(ui::detail::FontOf(font));
        LOGFONTW back{};
        EXPECT_EQ(GetObjectW(font, sizeof(back), &back), static_cast<int>(sizeof(LOGFONTW)));
        EXPECT_EQ(std::memcmp(&back, &c.font, sizeof(LOGFONTW)), 0) << "GetObjectW gives the description back";
        EXPECT_TRUE(DeleteObject(font));
    }
}

TEST_F(GdiObjectsTest, TheStockGuiFontIsTheApplicationsFont) {
    HGDIOBJ stock = GetStockObject(DEFAULT_GUI_FONT);
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), stock);
    EXPECT_EQ(GetObjectType(stock), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(ui::detail::FontOf(static_cast<HFONT>(stock)), QApplication::font());
    LOGFONTW description{};
    ASSERT_GT(GetObjectW(stock, sizeof(description), &description), 0);
    EXPECT_LT(description.lfHeight, 0);
    // A font made from that description is the same size.
    HFONT copy = CreateFontIndirectW(&description);
    EXPECT_EQ(QFontMetrics(ui::detail::FontOf(copy)).height(), QFontMetrics(QApplication::font()).height());
    DeleteObject(copy);
    EXPECT_TRUE(DeleteObject(stock)) << "deleting a stock object does nothing";
    EXPECT_EQ(GetObjectType(stock), static_cast<DWORD>(OBJ_FONT));
}

TEST_F(GdiObjectsTest, SelectedObjectsCannotBeDeletedAndSelectionGivesThePreviousOne) {
    HDC hdc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(hdc, brush);
    EXPECT_EQ(oldBrush, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(hdc, OBJ_PEN), pen);
    EXPECT_FALSE(DeleteObject(pen)) << "still selected";
    EXPECT_EQ(SelectObject(hdc, oldPen), pen);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen)) << "already gone";
    EXPECT_EQ(SelectObject(hdc, pen), nullptr);

    LOGBRUSH description{};
    EXPECT_EQ(GetObjectW(brush, sizeof(description), &description), static_cast<int>(sizeof(LOGBRUSH)));
    EXPECT_EQ(description.lbColor, RGB(4, 5, 6));
    EXPECT_TRUE(DeleteDC(hdc));
    EXPECT_TRUE(DeleteObject(brush)) << "a deleted DC selects nothing";

    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 3, 2);
    BITMAP info{};
    ASSERT_EQ(GetObjectW(bitmap, sizeof(info), &info), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(info.bmWidth, 3);
    EXPECT_EQ(info.bmHeight, 2);
    EXPECT_EQ(info.bmBitsPixel, 32);
    HDC window = GetDC(nullptr);
    EXPECT_EQ(SelectObject(window, bitmap), nullptr) << "bitmaps go into memory DCs only";
    ReleaseDC(nullptr, window);
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST_F(GdiObjectsTest, SystemMetricsAndColoursComeFromTheStyleAndPalette) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize));
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize));
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
    EXPECT_GT(GetSystemMetrics(SM_CYMENU), QFontMetrics(QMenu().font()).height() - 1);
    QPalette palette = QApplication::palette();
    auto ref = [](const QColor& c) { return RGB(c.red(), c.green(), c.blue()); };
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), ref(palette.color(QPalette::Highlight)));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHTTEXT), ref(palette.color(QPalette::HighlightedText)));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), ref(palette.color(QPalette::Base)));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), ref(palette.color(QPalette::Button)));
    EXPECT_EQ(GetSysColor(COLOR_MENUTEXT), ref(QMenu().palette().color(QPalette::WindowText)));
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), face);
    EXPECT_TRUE(DeleteObject(face));
    EXPECT_EQ(GetObjectType(face), static_cast<DWORD>(OBJ_BRUSH)) << "system brushes are never freed";
}

}  // namespace
