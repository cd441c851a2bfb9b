// Message maps (lookup order, cracking, registered messages) and run-time
// classes.
#include "ui/framework/frame_wnd.h"
#include "ui/framework/view.h"
#include "ui/framework/wnd.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "ui_testing/ui_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

UINT registeredMessage = RegisterWindowMessageW(u"framework-test-registered");

struct Point {
    int x, y;
    Point(int x, int y) : x(x), y(y) {}
};

class BaseWnd : public CWnd {
public:
    std::vector<std::string> calls;

protected:
    afx_msg void OnSize(UINT type, int cx, int cy) {
        calls.push_back("base size " + std::to_string(type) + " " + std::to_string(cx) + "x" + std::to_string(cy));
    }
    afx_msg LRESULT OnPrivate(WPARAM wParam, LPARAM lParam) {
        calls.push_back("base private " + std::to_string(wParam) + " " + std::to_string(lParam));
        return 42;
    }
    afx_msg LRESULT OnRegistered(WPARAM, LPARAM) {
        calls.push_back("base registered");
        return 7;
    }
    afx_msg void OnLButtonDown(UINT keys, Point point) {
        calls.push_back("button " + std::to_string(keys) + " " + std::to_string(point.x) + "," +
                        std::to_string(point.y));
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
ON_WM_SIZE()
ON_MESSAGE(WM_USER + 1, &BaseWnd::OnPrivate)
ON_REGISTERED_MESSAGE(registeredMessage, &BaseWnd::OnRegistered)
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

class DerivedWnd : public BaseWnd {
protected:
    afx_msg void OnSize(UINT, int cx, int) { calls.push_back("derived size " + std::to_string(cx)); }
    afx_msg int OnCreate(LPCREATESTRUCT) {
        calls.push_back("derived create");
        return failCreate ? -1 : 0;
    }

public:
    bool failCreate = false;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(DerivedWnd, BaseWnd)
ON_WM_SIZE()
ON_WM_CREATE()
END_MESSAGE_MAP()

class FrameworkMessageMapTest : public ui_testing::UiTest {};

TEST_F(FrameworkMessageMapTest, TheMostDerivedEntryWinsAndBaseEntriesStillServe) {
    DerivedWnd window;
    ASSERT_TRUE(window.CreateEx(0, u"Test", u"title", 0, RECT{0, 0, 50, 50}, nullptr, 0));
    HWND hwnd = window.m_hWnd;
    EXPECT_EQ(CWnd::FromHandle(hwnd), &window);

    SendMessageW(hwnd, WM_SIZE, 2, MAKELPARAM(30, 40));
    EXPECT_EQ(SendMessageW(hwnd, WM_USER + 1, 5, -6), 42);
    EXPECT_EQ(SendMessageW(hwnd, registeredMessage, 0, 0), 7);
    SendMessageW(hwnd, 0x0201 /* WM_LBUTTONDOWN */, 1, MAKELPARAM(-3, 9));
    // What no entry takes goes to the default: WM_CLOSE destroys the window.
    SendMessageW(hwnd, WM_CLOSE, 0, 0);

    EXPECT_EQ(window.calls, (std::vector<std::string>{"derived create", "derived size 30", "base private 5 -6",
                                                      "base registered", "button 1 -3,9"}));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window.m_hWnd, nullptr);
}

TEST_F(FrameworkMessageMapTest, CreateFailsWhenOnCreateAnswersMinusOne) {
    DerivedWnd window;
    window.failCreate = true;
    EXPECT_FALSE(window.CreateEx(0, u"Test", nullptr, 0, RECT{0, 0, 50, 50}, nullptr, 0));
    EXPECT_EQ(window.m_hWnd, nullptr);
    EXPECT_EQ(window.calls, std::vector<std::string>{"derived create"});
}

TEST_F(FrameworkMessageMapTest, ChildrenHaveControlIdsAndKnowTheirFrames) {
    auto* outer = new CFrameWnd;
    ASSERT_TRUE(outer->Create(nullptr, u"outer"));
    auto* inner = new CFrameWnd;
    ASSERT_TRUE(inner->Create(nullptr, u"inner", WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10}, outer));
    inner->SetDlgCtrlID(AFX_IDW_PANE_FIRST);
    BaseWnd child;
    ASSERT_TRUE(child.Create(nullptr, nullptr, WS_CHILD, RECT{0, 0, 5, 5}, inner, 77));

    EXPECT_EQ(inner->GetDlgItem(77), &child);
    EXPECT_EQ(outer->GetDlgItem(77), nullptr);
    EXPECT_EQ(child.GetParentFrame(), inner);
    EXPECT_EQ(child.GetTopLevelFrame(), outer);
    EXPECT_EQ(inner->GetParentFrame(), outer);
    EXPECT_EQ(outer->GetParentFrame(), nullptr);
    EXPECT_EQ(child.GetTopLevelParent(), outer);

    HWND outerHandle = outer->m_hWnd;
    EXPECT_TRUE(outer->DestroyWindow());  // the frames delete themselves
    EXPECT_FALSE(IsWindow(outerHandle));
    EXPECT_EQ(child.m_hWnd, nullptr);
}

class Shape : public CObject {
    DECLARE_DYNAMIC(Shape)
};
IMPLEMENT_DYNAMIC(Shape, CObject)

class Circle : public Shape {
    DECLARE_DYNCREATE(Circle)
};
IMPLEMENT_DYNCREATE(Circle, Shape)

class Square : public Shape {
    DECLARE_DYNCREATE(Square)
};
IMPLEMENT_DYNCREATE(Square, Shape)

TEST(FrameworkRuntimeClassTest, KindsFollowTheBaseChainAndCreatableClassesMakeObjects) {
    CObject* made = RUNTIME_CLASS(Circle)->CreateObject();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetRuntimeClass(), RUNTIME_CLASS(Circle));
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(Circle)));
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(Shape)));
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(made->IsKindOf(RUNTIME_CLASS(Square)));
    EXPECT_EQ(DYNAMIC_DOWNCAST(Shape, made), made);
    EXPECT_EQ(DYNAMIC_DOWNCAST(Square, made), nullptr);
    EXPECT_EQ(DYNAMIC_DOWNCAST(Square, static_cast<CObject*>(nullptr)), nullptr);
    delete made;

    EXPECT_EQ(RUNTIME_CLASS(Shape)->CreateObject(), nullptr);  // not dynamically creatable
    EXPECT_STREQ(RUNTIME_CLASS(Square)->m_lpszClassName, "Square");
    EXPECT_EQ(CRuntimeClass::FromName("Square"), RUNTIME_CLASS(Square));
    EXPECT_EQ(CRuntimeClass::FromName("CFrameWnd"), RUNTIME_CLASS(CFrameWnd));
    EXPECT_EQ(CRuntimeClass::FromName("NoSuchClass"), nullptr);
    EXPECT_TRUE(RUNTIME_CLASS(CFrameWnd)->IsDerivedFrom(RUNTIME_CLASS(CWnd)));
    EXPECT_TRUE(RUNTIME_CLASS(CView)->IsDerivedFrom(RUNTIME_CLASS(CCmdTarget)));
    EXPECT_FALSE(RUNTIME_CLASS(CWnd)->IsDerivedFrom(RUNTIME_CLASS(CView)));
}

}  // namespace
