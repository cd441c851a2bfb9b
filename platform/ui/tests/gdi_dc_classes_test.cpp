// The framework's drawing classes over device contexts and drawing objects.
#include "device_context_internal.h"
#include "recording_window.h"
#include "ui/framework/dc.h"
#include "ui_testing/ui_test.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// Stands for a framework window: CPaintDC and CClientDC take anything with
// GetSafeHwnd().
class PaintedWindow : public RecordingWindow {
public:
    HWND GetSafeHwnd() const { return Handle(); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_PAINT) {
            received.push_back({message, wParam, lParam});
            CPaintDC dc(this);
            OnDraw(&dc);
            return 0;
        }
        return RecordingWindow::WindowProc(message, wParam, lParam);
    }
    std::function<void(CDC*)> OnDraw = [](CDC*) {};
};

class DcClassesTest : public ui_testing::UiTest {};

TEST_F(DcClassesTest, PaintDcFillsAndSelectionGivesBackTheCallersObjects) {
    PaintedWindow window;
    CPen pen(PS_SOLID, 1, RGB(255, 0, 0));
    CBrush brush(RGB(0, 0, 255));
    window.OnDraw = [&](CDC* dc) {
        ASSERT_NE(dc->GetSafeHdc(), nullptr);
        dc->FillSolidRect(0, 0, 100, 50, RGB(0, 255, 0));
        EXPECT_EQ(dc->GetBkColor(), RGB(0, 255, 0)) << "the fill sets the background colour";
        CPen* oldPen = dc->SelectObject(&pen);
        ASSERT_NE(oldPen, nullptr);
        EXPECT_EQ(oldPen->GetSafeHandle(), GetStockObject(BLACK_PEN));
        CBrush* oldBrush = dc->SelectObject(&brush);
        dc->Rectangle(CRect(10, 10, 30, 30));
        EXPECT_EQ(dc->SelectObject(oldPen), &pen) << "the caller's own object comes back";
        EXPECT_EQ(dc->SelectObject(oldBrush), &brush);
    };
    HWND hwnd = window.CreateTopLevel();
    MoveWindow(hwnd, 0, 0, 100, 50, FALSE);
    QImage image = window.Widget()->grab().toImage();
    EXPECT_EQ(image.pixelColor(50, 40), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(10, 20), QColor(255, 0, 0)) << "the pen's outline";
    EXPECT_EQ(image.pixelColor(20, 20), QColor(0, 0, 255)) << "the brush's inside";
    DestroyWindow(hwnd);
    EXPECT_TRUE(pen.DeleteObject()) << "selected out again";
    EXPECT_EQ(pen.GetSafeHandle(), nullptr);
}

TEST_F(DcClassesTest, MemoryDcWithABitmapIsCopiedByBitBlt) {
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&memory, 20, 10));
    BITMAP info{};
    bitmap.GetBitmap(&info);
    EXPECT_EQ(info.bmWidth, 20);
    CBitmap* old = memory.SelectObject(&bitmap);
    ASSERT_NE(old, nullptr);
    BITMAP defaultBitmap{};
    old->GetObject(sizeof(defaultBitmap), &defaultBitmap);
    EXPECT_EQ(defaultBitmap.bmWidth, 1) << "a new memory DC's one-pixel bitmap";
    memory.FillSolidRect(CRect(0, 0, 20, 10), RGB(200, 100, 50));

    QImage target(20, 10, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        ui::detail::PainterDC painted(&painter);
        CDC* dc = CDC::FromHandle(painted.Handle());
        EXPECT_EQ(CDC::FromHandle(painted.Handle()), dc) << "one wrapper per DC";
        EXPECT_TRUE(dc->BitBlt(0, 0, 20, 10, &memory, 0, 0, SRCCOPY));
    }
    EXPECT_EQ(target.pixelColor(5, 5), QColor(200, 100, 50));
    memory.SelectObject(old);
}

TEST_F(DcClassesTest, ClientDcMeasuresWithTheSelectedFont) {
    RecordingWindow window;
    HWND hwnd = window.CreateTopLevel();
    CClientDC dc(hwnd);
    CSize normal = dc.GetTextExtent(u"Halvaran");
    LOGFONT description{};
    description.lfHeight = -30;
    CFont large;
    ASSERT_TRUE(large.CreateFontIndirect(&description));
    LOGFONT back{};
    large.GetLogFont(&back);
    EXPECT_EQ(back.lfHeight, -30);
    CFont* old = dc.SelectObject(&large);
    CSize bigger = dc.GetTextExtent(u"Halvaran", 8);
    EXPECT_GT(bigger.cx, normal.cx);
    EXPECT_GT(bigger.cy, normal.cy);
    dc.SelectObject(old);
    EXPECT_EQ(dc.GetTextExtent(u"Halvaran"), normal);
}

}  // namespace
