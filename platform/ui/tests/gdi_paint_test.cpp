// Painting through device contexts: WM_ERASEBKGND and WM_PAINT from a
// widget's paint event, memory DCs and BitBlt, text, focus rectangles.
#include "device_context_internal.h"
#include "recording_window.h"
#include "ui/device_context.h"
#include "ui/gdi_objects.h"
#include "ui/geometry.h"
#include "ui/window_class.h"
#include "ui_testing/ui_test.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class GdiPaintTest : public ui_testing::UiTest {
protected:
    // A window of 200 x 100 whose WM_PAINT runs `paint` between BeginPaint
    // and EndPaint.
    HWND MakePaintedWindow(std::function<void(HDC, const PAINTSTRUCT&)> paint) {
        window_.onMessage = [this, paint](UINT message, WPARAM, LPARAM) -> LRESULT {
            if (message != WM_PAINT) return RecordingWindow::kNotHandled;
            PAINTSTRUCT ps;
            HDC hdc = BeginPaint(window_.Handle(), &ps);
            paint(hdc, ps);
            EndPaint(window_.Handle(), &ps);
            return 0;
        };
        HWND hwnd = window_.CreateTopLevel();
        MoveWindow(hwnd, 0, 0, 200, 100, FALSE);
        return hwnd;
    }
    QImage Grab() { return window_.Widget()->grab().toImage(); }

    RecordingWindow window_;
};

TEST_F(GdiPaintTest, APaintEventIsEraseThenPaintWithOneDcThatDrawsIntoTheWindow) {
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HDC painted = nullptr;
    HWND hwnd = MakePaintedWindow([&](HDC hdc, const PAINTSTRUCT& ps) {
        painted = hdc;
        EXPECT_TRUE(ps.fErase) << "WM_ERASEBKGND was answered 0";
        EXPECT_EQ(CRect(ps.rcPaint), CRect(0, 0, 200, 100));
        CRect area(10, 10, 30, 30);
        EXPECT_TRUE(FillRect(hdc, area, red));
    });
    QImage image = Grab();
    ASSERT_NE(painted, nullptr);
    EXPECT_EQ(image.pixelColor(20, 20), QColor(255, 0, 0));
    EXPECT_NE(image.pixelColor(40, 40), QColor(255, 0, 0)) << "only the rectangle";

    auto erase = window_.Only(WM_ERASEBKGND);
    ASSERT_EQ(erase.size(), 1u);
    EXPECT_EQ(reinterpret_cast<HDC>(erase[0].wParam), painted);
    std::vector<UINT> order;
    for (const auto& m : window_.received)
        if (m.message == WM_ERASEBKGND || m.message == WM_PAINT) order.push_back(m.message);
    EXPECT_EQ(order, (std::vector<UINT>{WM_ERASEBKGND, WM_PAINT}));
    EXPECT_EQ(ui::detail::PainterOf(painted), nullptr) << "the paint DC is gone after the paint";
    DestroyWindow(hwnd);
    EXPECT_TRUE(DeleteObject(red));
}

TEST_F(GdiPaintTest, OutsidePaintingAWindowDcMeasuresButDoesNotDraw) {
    RecordingWindow window;
    HWND hwnd = window.CreateTopLevel();
    HDC hdc = GetDC(hwnd);
    ASSERT_NE(hdc, nullptr);
    EXPECT_EQ(ui::detail::PainterOf(hdc), nullptr);
    RECT area{0, 0, 10, 10};
    EXPECT_FALSE(FillRect(hdc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))));
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32W(hdc, u"Wide text", 9, &size));
    SIZE shorter{};
    EXPECT_TRUE(GetTextExtentPoint32W(hdc, u"Wide", 4, &shorter));
    EXPECT_GT(size.cx, shorter.cx);
    EXPECT_GT(size.cy, 0);
    EXPECT_EQ(size.cy, shorter.cy);
    EXPECT_EQ(GetDeviceCaps(hdc, BITSPIXEL), 32);
    EXPECT_EQ(ReleaseDC(hwnd, hdc), 1);
    EXPECT_EQ(ReleaseDC(hwnd, hdc), 0) << "released once";
}

TEST_F(GdiPaintTest, APainterDcDrawsWithTheGivenPainterAndLeavesItsStateAlone) {
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::green);
    {
        ui::detail::PainterDC dc(&painter);
        EXPECT_EQ(ui::detail::PainterOf(dc.Handle()), &painter);
        HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
        RECT area{5, 5, 15, 15};
        EXPECT_TRUE(FillRect(dc.Handle(), &area, blue));
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
        HGDIOBJ old = SelectObject(dc.Handle(), pen);
        EXPECT_TRUE(MoveToEx(dc.Handle(), 20, 30, nullptr));
        EXPECT_TRUE(LineTo(dc.Handle(), 35, 30));
        SelectObject(dc.Handle(), old);
        EXPECT_TRUE(DeleteObject(pen));
        EXPECT_TRUE(DeleteObject(blue));
    }
    EXPECT_EQ(painter.pen().color(), QColor(Qt::green));
    painter.end();
    EXPECT_EQ(image.pixelColor(10, 10), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(25, 30), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(35, 30), QColor(Qt::white)) << "a line leaves out its last point";
}

}  // namespace
