// CView painting: WM_PAINT draws through OnDraw with a CPaintDC, over the
// background the view's own WM_ERASEBKGND left.
#include "ui/framework/dc.h"
#include "ui/framework/view.h"
#include "ui/framework/wnd.h"
#include "ui/window_functions.h"
#include "ui_testing/ui_test.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class SwatchView : public CView {
public:
    int draws = 0;
    bool paintDc = false;
    RECT paintRect{};

    void OnDraw(CDC* pDC) override {
        ++draws;
        auto* paint = dynamic_cast<CPaintDC*>(pDC);
        paintDc = paint != nullptr;
        if (paint) paintRect = paint->m_ps.rcPaint;
        pDC->FillSolidRect(10, 10, 20, 20, RGB(200, 0, 0));
    }

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* pDC) {
        RECT client;
        GetClientRect(&client);
        pDC->FillSolidRect(&client, RGB(255, 255, 255));
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(SwatchView, CView)
ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

class FrameworkViewPaintTest : public ui_testing::UiTest {};

TEST_F(FrameworkViewPaintTest, WmPaintDrawsThroughOnDrawWithAPaintDc) {
    CWnd host;
    ASSERT_TRUE(host.CreateEx(0, nullptr, u"Host", WS_OVERLAPPED, RECT{0, 0, 120, 80}, nullptr, 0));
    auto* view = new SwatchView;  // deletes itself with its window
    ASSERT_TRUE(view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 100, 60}, &host, 1));

    QImage image = view->Widget()->grab().toImage();
    EXPECT_EQ(view->draws, 1);
    EXPECT_TRUE(view->paintDc);
    EXPECT_EQ(view->paintRect.right - view->paintRect.left, 100);
    EXPECT_EQ(view->paintRect.bottom - view->paintRect.top, 60);
    qreal ratio = image.devicePixelRatio();
    EXPECT_EQ(image.pixelColor(QPoint(20, 20) * ratio), QColor(200, 0, 0)) << "drawn by OnDraw";
    EXPECT_EQ(image.pixelColor(QPoint(50, 40) * ratio), QColor(255, 255, 255)) << "erased by the view";
    host.DestroyWindow();
}

}  // namespace
