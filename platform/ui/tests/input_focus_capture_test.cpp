// Focus, activation, mouse capture, key state and cursor mapping.
#include "recording_window.h"
#include "ui/geometry.h"
#include "ui/input.h"
#include "ui/timers.h"
#include "ui/window_placement.h"
#include "ui_testing/fire_timer.h"
#include "ui_testing/hold_keys.h"
#include "ui_testing/ui_test.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

class InputTest : public ui_testing::UiTest {
protected:
    // A shown, active top-level window with two children.
    void SetUp() override {
        UiTest::SetUp();
        top_ = frame.CreateTopLevel(nullptr, WS_VISIBLE);
        first_ = a.Create(top_, u"Child", RECT{0, 0, 50, 50}, WS_CHILD | WS_VISIBLE);
        second_ = b.Create(top_, u"Child", RECT{60, 0, 110, 50}, WS_CHILD | WS_VISIBLE);
        SetActiveWindow(top_);
        QApplication::processEvents();
    }

    RecordingWindow frame, a, b;
    HWND top_ = nullptr, first_ = nullptr, second_ = nullptr;
};

TEST_F(InputTest, FocusMovesWithKillFocusBeforeSetFocus) {
    ASSERT_EQ(GetActiveWindow(), top_);
    EXPECT_EQ(GetForegroundWindow(), top_);
    SetFocus(first_);
    EXPECT_EQ(GetFocus(), first_);
    ASSERT_EQ(a.Only(WM_SETFOCUS).size(), 1u);

    std::vector<std::pair<HWND, ReceivedMessage>> order;
    auto note = [&order](HWND hwnd) {
        return [&order, hwnd](UINT message, WPARAM wParam, LPARAM lParam) {
            if (message == WM_SETFOCUS || message == WM_KILLFOCUS) order.push_back({hwnd, {message, wParam, lParam}});
            return RecordingWindow::kNotHandled;
        };
    };
    a.onMessage = note(first_);
    b.onMessage = note(second_);
    EXPECT_EQ(SetFocus(second_), first_) << "the window that had the focus";
    EXPECT_EQ(GetFocus(), second_);
    const std::vector<std::pair<HWND, ReceivedMessage>> expected{
        {first_, {WM_KILLFOCUS, reinterpret_cast<WPARAM>(second_), 0}},
        {second_, {WM_SETFOCUS, reinterpret_cast<WPARAM>(first_), 0}},
    };
    EXPECT_EQ(order, expected);

    a.onMessage = b.onMessage = nullptr;
    DestroyWindow(second_);
    EXPECT_NE(GetFocus(), second_);
}

TEST_F(InputTest, ActivationIsAMessageAndOwnersRememberTheirLastActivePopup) {
    EXPECT_FALSE(frame.Only(WM_ACTIVATE).empty());
    EXPECT_EQ(LOWORD(frame.Only(WM_ACTIVATE).back().wParam), WA_ACTIVE);
    EXPECT_EQ(GetLastActivePopup(top_), top_) << "no popup yet";

    RecordingWindow popup;
    HWND popupHandle = popup.CreateTopLevel(top_, WS_VISIBLE);
    frame.received.clear();
    EXPECT_TRUE(SetForegroundWindow(popupHandle));
    QApplication::processEvents();
    EXPECT_EQ(GetActiveWindow(), popupHandle);
    ASSERT_FALSE(frame.Only(WM_ACTIVATE).empty());
    EXPECT_EQ(frame.Only(WM_ACTIVATE).back(),
              (ReceivedMessage{WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(popupHandle)}));
    EXPECT_EQ(GetLastActivePopup(top_), popupHandle);
    ShowWindow(popupHandle, SW_HIDE);
    EXPECT_EQ(GetLastActivePopup(top_), top_) << "a hidden popup is not offered";
}

TEST_F(InputTest, CaptureGoesToOneWindowAndTheLoserIsTold) {
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(SetCapture(first_), nullptr);
    EXPECT_EQ(GetCapture(), first_);
    EXPECT_EQ(SetCapture(second_), first_);
    EXPECT_EQ(a.Only(WM_CAPTURECHANGED),
              (std::vector<ReceivedMessage>{{WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(second_)}}));
    EXPECT_EQ(QWidget::mouseGrabber(), b.Widget());
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(b.Only(WM_CAPTURECHANGED), (std::vector<ReceivedMessage>{{WM_CAPTURECHANGED, 0, 0}}));
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);

    SetCapture(first_);
    DestroyWindow(first_);
    EXPECT_EQ(GetCapture(), nullptr) << "a destroyed window gives the capture up";
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(InputTest, HeldKeysAreDownOnlyWhileHeld) {
    {
        ui_testing::HoldKeys keys{VK_SHIFT, VK_LBUTTON};
        EXPECT_LT(GetKeyState(VK_SHIFT), 0);
        EXPECT_LT(GetAsyncKeyState(VK_LBUTTON), 0);
        EXPECT_EQ(GetKeyState(VK_CONTROL), 0);
        {
            ui_testing::HoldKeys inner{VK_CONTROL};
            EXPECT_LT(GetKeyState(VK_CONTROL), 0);
            EXPECT_EQ(GetKeyState(VK_SHIFT), 0) << "the inner hold replaces the outer one";
        }
        EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    }
    EXPECT_EQ(GetKeyState(VK_SHIFT), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON), 0);
}

TEST_F(InputTest, PointsMapBetweenClientAndScreen) {
    ASSERT_TRUE(MoveWindow(top_, 100, 200, 300, 200, FALSE));
    QApplication::processEvents();
    CPoint point(5, 6);
    ASSERT_TRUE(ClientToScreen(second_, &point));
    QPoint expected = b.Widget()->mapToGlobal(QPoint(5, 6));
    EXPECT_EQ(point, CPoint(expected.x(), expected.y()));
    ASSERT_TRUE(ScreenToClient(second_, &point));
    EXPECT_EQ(point, CPoint(5, 6));
    POINT between{1, 1};
    MapWindowPoints(second_, first_, &between, 1);
    EXPECT_EQ(CPoint(between), CPoint(61, 1));

    ASSERT_TRUE(SetCursorPos(150, 250));
    CPoint cursor;
    ASSERT_TRUE(GetCursorPos(&cursor));
    EXPECT_EQ(cursor, CPoint(150, 250));
}

TEST_F(InputTest, PlacementRoundTripsTheNormalRectangleAndState) {
    WINDOWPLACEMENT placement{};
    EXPECT_FALSE(GetWindowPlacement(top_, &placement)) << "the length must be set";
    placement.length = sizeof(WINDOWPLACEMENT);
    placement.showCmd = SW_SHOWNORMAL;
    placement.rcNormalPosition = RECT{40, 50, 340, 250};
    ASSERT_TRUE(SetWindowPlacement(top_, &placement));
    QApplication::processEvents();
    WINDOWPLACEMENT read{};
    read.length = sizeof(WINDOWPLACEMENT);
    ASSERT_TRUE(GetWindowPlacement(top_, &read));
    EXPECT_EQ(read.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
    EXPECT_EQ(CRect(read.rcNormalPosition), CRect(40, 50, 340, 250));

    placement.showCmd = SW_SHOWMAXIMIZED;
    ASSERT_TRUE(SetWindowPlacement(top_, &placement));
    QApplication::processEvents();
    ASSERT_TRUE(GetWindowPlacement(top_, &read));
    EXPECT_EQ(read.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
    EXPECT_EQ(CRect(read.rcNormalPosition), CRect(40, 50, 340, 250)) << "the restored rectangle is kept";
}

TEST_F(InputTest, FireTimerDeliversARunningTimerOnly) {
    ASSERT_EQ(SetTimer(first_, 1000, 500, nullptr), 1000u);
    ui_testing::FireTimer(first_, 1000);
    EXPECT_EQ(a.Only(WM_TIMER), (std::vector<ReceivedMessage>{{WM_TIMER, 1000, 0}}));
    KillTimer(first_, 1000);
    EXPECT_NONFATAL_FAILURE(ui_testing::FireTimer(first_, 1000), "not running");
    EXPECT_EQ(a.Only(WM_TIMER).size(), 1u);
}

}  // namespace
