// Painting through device contexts: WM_ERASEBKGND and WM_PAINT from a
// widget's paint event, memory DCs and BitBlt, text, focus rectangles.
#include "device_context_internal.h"
#include "recording_window.h"
#include "ui/device_context.h"
#include "ui/gdi_objects.h"
#include "ui/geometry.h"
#include "ui/message_queue.h"
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
        RECT inverted{30, 5, 20, 15};
        EXPECT_TRUE(FillRect(dc.Handle(), &inverted, blue)) << "fills nothing";
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
    EXPECT_EQ(image.pixelColor(25, 10), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(25, 30), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(35, 30), QColor(Qt::white)) << "a line leaves out its last point";
}

TEST_F(GdiPaintTest, BufferedPaintingThroughAMemoryDcAndBitBlt) {
    // The views' buffered painting: draw into a bitmap, then copy it over.
    HWND hwnd = MakePaintedWindow([](HDC hdc, const PAINTSTRUCT& ps) {
        CRect client(ps.rcPaint);
        HDC memory = CreateCompatibleDC(hdc);
        HBITMAP bitmap = CreateCompatibleBitmap(hdc, client.Width(), client.Height());
        HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
        HBRUSH green = CreateSolidBrush(RGB(0, 128, 0));
        EXPECT_TRUE(FillRect(memory, client, green));
        SetBkMode(memory, TRANSPARENT);
        EXPECT_TRUE(BitBlt(hdc, 0, 0, client.Width(), client.Height(), memory, 0, 0, SRCCOPY));
        SelectObject(memory, oldBitmap);
        DeleteObject(green);
        DeleteObject(bitmap);
        DeleteDC(memory);
    });
    QImage image = Grab();
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 128, 0));
    EXPECT_EQ(image.pixelColor(199, 99), QColor(0, 128, 0));
    DestroyWindow(hwnd);
}

TEST_F(GdiPaintTest, TextIsDrawnInTheTextColourOverTheBackgroundInOpaqueMode) {
    HWND hwnd = MakePaintedWindow([](HDC hdc, const PAINTSTRUCT&) {
        CRect all(0, 0, 200, 100);
        FillRect(hdc, all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetTextColor(hdc, RGB(0, 0, 0));
        SetBkColor(hdc, RGB(255, 255, 0));
        EXPECT_EQ(SetBkMode(hdc, OPAQUE), OPAQUE) << "the default mode";
        EXPECT_TRUE(TextOutW(hdc, 10, 10, u"MMMM", 4));
        SetBkMode(hdc, TRANSPARENT);
        EXPECT_TRUE(TextOutW(hdc, 10, 50, u"MMMM", 4));
    });
    QImage image = Grab();
    HDC measure = GetDC(hwnd);
    SIZE extent{};
    GetTextExtentPoint32W(measure, u"MMMM", 4, &extent);
    ReleaseDC(hwnd, measure);
    auto count = [&](int top, QColor colour) {
        int found = 0;
        for (int y = top; y < top + extent.cy; ++y)
            for (int x = 10; x < 10 + extent.cx; ++x) found += image.pixelColor(x, y) == colour;
        return found;
    };
    EXPECT_GT(count(10, QColor(255, 255, 0)), 0) << "opaque: the cell has the background colour";
    EXPECT_GT(count(10, QColor(0, 0, 0)), 0) << "the text is drawn";
    EXPECT_EQ(count(50, QColor(255, 255, 0)), 0) << "transparent: no background";
    EXPECT_GT(count(50, QColor(0, 0, 0)), 0);
    DestroyWindow(hwnd);
}

TEST_F(GdiPaintTest, EraseAnsweredSkipsTheClassBrushAndIsToldToPaint) {
    WNDCLASSW windowClass{};
    windowClass.lpszClassName = u"BlueBackground";
    windowClass.hbrBackground = CreateSolidBrush(RGB(0, 0, 255));
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    for (bool answerErase : {false, true}) {
        RecordingWindow window;
        BOOL toldToErase = -1;
        window.onMessage = [&](UINT message, WPARAM, LPARAM) -> LRESULT {
            if (message == WM_ERASEBKGND && answerErase) return 1;
            if (message != WM_PAINT) return RecordingWindow::kNotHandled;
            PAINTSTRUCT ps;
            BeginPaint(window.Handle(), &ps);
            toldToErase = ps.fErase;
            EndPaint(window.Handle(), &ps);
            return 0;
        };
        HWND hwnd = window.Create(nullptr, u"BlueBackground", RECT{0, 0, 40, 40}, 0);
        QImage image = window.Widget()->grab().toImage();
        EXPECT_FALSE(toldToErase) << "erased by the answer or by the class brush";
        EXPECT_EQ(image.pixelColor(20, 20) == QColor(0, 0, 255), !answerErase);
        DestroyWindow(hwnd);
    }
    UnregisterClassW(u"BlueBackground", nullptr);
    DeleteObject(windowClass.hbrBackground);
}

TEST_F(GdiPaintTest, DrawFocusRectOnAWindowDcTogglesTheRectangle) {
    HWND hwnd = MakePaintedWindow([](HDC hdc, const PAINTSTRUCT& ps) {
        FillRect(hdc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    });
    ShowWindow(hwnd, SW_SHOW);
    CRect band(20, 20, 60, 50);
    auto darkOnTopEdge = [&] {
        QImage image = Grab();
        int dark = 0;
        for (int x = band.left; x < band.right; ++x) dark += image.pixelColor(x, band.top).lightness() < 128;
        return dark;
    };
    EXPECT_EQ(darkOnTopEdge(), 0);
    HDC hdc = GetDC(hwnd);
    EXPECT_TRUE(DrawFocusRect(hdc, band));
    EXPECT_EQ(ui::detail::FocusRectsOf(hwnd), (std::vector<QRect>{QRect(20, 20, 40, 30)}));
    EXPECT_GT(darkOnTopEdge(), 5) << "a dotted line";
    EXPECT_TRUE(DrawFocusRect(hdc, band));
    EXPECT_TRUE(ui::detail::FocusRectsOf(hwnd).empty()) << "drawn twice: gone";
    EXPECT_EQ(darkOnTopEdge(), 0);

    // The rubber band: erase the old rectangle, draw the new one.
    CRect moved(20, 20, 80, 70);
    DrawFocusRect(hdc, band);
    DrawFocusRect(hdc, band);
    DrawFocusRect(hdc, moved);
    EXPECT_EQ(ui::detail::FocusRectsOf(hwnd), (std::vector<QRect>{QRect(20, 20, 60, 50)}));
    ReleaseDC(hwnd, hdc);
    DestroyWindow(hwnd);
}

TEST_F(GdiPaintTest, DrawTextMeasuresWithCalcRectAndAligns) {
    HDC hdc = GetDC(nullptr);
    CRect needed(0, 0, 0, 0);
    int height = DrawTextW(hdc, u"Some text", -1, needed, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SIZE extent{};
    GetTextExtentPoint32W(hdc, u"Some text", 9, &extent);
    EXPECT_EQ(height, extent.cy);
    EXPECT_EQ(needed.Width(), extent.cx);
    EXPECT_EQ(needed.Height(), extent.cy);
    CRect wrapped(0, 0, extent.cx / 2, 0);
    DrawTextW(hdc, u"Some text", -1, wrapped, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_GE(wrapped.Height(), 2 * extent.cy - 2) << "two lines";
    ReleaseDC(nullptr, hdc);

    QImage image(100, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        ui::detail::PainterDC dc(&painter);
        SetBkMode(dc.Handle(), TRANSPARENT);
        CRect all(0, 0, 100, 30);
        EXPECT_GT(DrawTextW(dc.Handle(), u"I", 1, all, DT_RIGHT | DT_SINGLELINE | DT_VCENTER), 0);
    }
    int leftmostDark = 100;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x)
            if (image.pixelColor(x, y).lightness() < 128) leftmostDark = std::min(leftmostDark, x);
    EXPECT_GT(leftmostDark, 80) << "right-aligned";
}

}  // namespace

namespace {

TEST_F(GdiPaintTest, InvalidatedRectanglesArePaintedWhenTheLoopGetsToThem) {
    std::vector<CRect> painted;
    HWND hwnd = MakePaintedWindow([&](HDC, const PAINTSTRUCT& ps) { painted.push_back(CRect(ps.rcPaint)); });
    ShowWindow(hwnd, SW_SHOW);
    ui::PumpWaitingMessages();
    painted.clear();
    CRect band(10, 10, 20, 30);
    EXPECT_TRUE(InvalidateRect(hwnd, band, TRUE));
    EXPECT_TRUE(painted.empty()) << "not at once";
    ui::PumpWaitingMessages();
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(painted[0], band);

    RecordingWindow child;
    HWND childHandle = child.Create(hwnd, u"Child", RECT{100, 50, 150, 90}, WS_CHILD | WS_VISIBLE);
    ui::PumpWaitingMessages();
    child.received.clear();
    painted.clear();
    EXPECT_TRUE(RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME));
    ui::PumpWaitingMessages();
    EXPECT_EQ(painted.size(), 1u);
    EXPECT_EQ(child.Only(WM_PAINT).size(), 1u);
    DestroyWindow(childHandle);
    DestroyWindow(hwnd);
}

}  // namespace
