// Sent and posted messages, the pump, quit requests, timers and registered
// messages.
#include "recording_window.h"
#include "ui/application.h"
#include "ui/dialog.h"
#include "ui/message_queue.h"
#include "ui/timers.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

constexpr UINT kFirst = WM_USER + 1;
constexpr UINT kSecond = WM_USER + 2;
constexpr UINT kThird = WM_USER + 3;

class MessageQueueTest : public ui_testing::UiTest {};

TEST_F(MessageQueueTest, PostedMessagesArriveInPostingOrderAcrossWindows) {
    RecordingWindow a, b;
    a.CreateTopLevel();
    b.CreateTopLevel();
    std::vector<std::pair<HWND, UINT>> order;
    auto log = [&order](HWND hwnd) {
        return [&order, hwnd](UINT message, WPARAM, LPARAM) {
            if (message >= WM_USER) order.push_back({hwnd, message});
            return RecordingWindow::kNotHandled;
        };
    };
    a.onMessage = log(a.Handle());
    b.onMessage = log(b.Handle());
    ASSERT_TRUE(PostMessageW(a.Handle(), kFirst, 1, 0));
    ASSERT_TRUE(PostMessageW(b.Handle(), kSecond, 2, 0));
    ASSERT_TRUE(PostMessageW(a.Handle(), kThird, 3, 0));
    EXPECT_TRUE(order.empty()) << "posting must not deliver";
    ui::PumpWaitingMessages();
    std::vector<std::pair<HWND, UINT>> expected{{a.Handle(), kFirst}, {b.Handle(), kSecond}, {a.Handle(), kThird}};
    EXPECT_EQ(order, expected);
}

TEST_F(MessageQueueTest, SendCallsAtOncePostWaitsForTheLoop) {
    RecordingWindow window;
    window.CreateTopLevel();
    window.onMessage = [](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return message == kFirst ? static_cast<LRESULT>(wParam + lParam) : RecordingWindow::kNotHandled;
    };
    window.received.clear();
    EXPECT_EQ(SendMessageW(window.Handle(), kFirst, 40, 2), 42);
    ASSERT_EQ(window.Only(kFirst).size(), 1u);

    PostMessageW(window.Handle(), kFirst, 1, 2);
    EXPECT_EQ(window.Only(kFirst).size(), 1u);
    // Qt's own loop delivers it, without any PeekMessageW.
    QCoreApplication::processEvents();
    EXPECT_EQ(window.Only(kFirst).size(), 2u);
}

TEST_F(MessageQueueTest, MessagesToAWindowThatIsGoneAreNotDelivered) {
    RecordingWindow window;
    HWND hwnd = window.CreateTopLevel();
    PostMessageW(hwnd, kFirst, 0, 0);
    DestroyWindow(hwnd);
    window.received.clear();
    ui::PumpWaitingMessages();
    EXPECT_TRUE(window.received.empty());
    EXPECT_FALSE(PostMessageW(hwnd, kFirst, 0, 0));
    EXPECT_EQ(SendMessageW(hwnd, kFirst, 0, 0), 0);
}

TEST_F(MessageQueueTest, PeekMessageFiltersByWindowAndRangeAndCanLeaveTheMessage) {
    RecordingWindow a, b;
    a.CreateTopLevel();
    b.CreateTopLevel();
    PostMessageW(a.Handle(), kFirst, 1, 0);
    PostMessageW(b.Handle(), kSecond, 2, 0);
    PostMessageW(nullptr, kThird, 3, 0);

    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, b.Handle(), 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, kSecond);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, kThird, kThird, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.wParam, 3u);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, kFirst);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, kSecond) << "the peeked-but-left message is still there";
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, QuitRequestMetWhilePumpingIsKeptForTheLoopAbove) {
    RecordingWindow window;
    window.CreateTopLevel();
    PostMessageW(window.Handle(), kFirst, 0, 0);
    PostQuitMessage(7);
    PostMessageW(window.Handle(), kSecond, 0, 0);

    ui::PumpWaitingMessages();
    EXPECT_EQ(window.Only(kFirst).size(), 1u);
    EXPECT_EQ(window.Only(kSecond).size(), 1u) << "posted messages come before the quit";

    // The application's loop still sees the request and ends with its code.
    EXPECT_EQ(ui::Application::Instance()->Run(), 7);
    MSG msg{};
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "taken once, by the loop";
}

TEST_F(MessageQueueTest, PeekMessageHandsOutTheQuitRequestAfterPostedMessages) {
    PostQuitMessage(3);
    PostMessageW(nullptr, kFirst, 0, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, kFirst);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "PM_REMOVE takes the request";
}

TEST_F(MessageQueueTest, RunDeliversPostedMessagesUntilQuit) {
    RecordingWindow window;
    window.CreateTopLevel();
    window.onMessage = [&](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message != kFirst) return RecordingWindow::kNotHandled;
        if (wParam < 3)
            PostMessageW(window.Handle(), kFirst, wParam + 1, 0);
        else
            PostQuitMessage(0);
        return 0;
    };
    PostMessageW(window.Handle(), kFirst, 0, 0);
    EXPECT_EQ(ui::Application::Instance()->Run(), 0);
    EXPECT_EQ(window.Only(kFirst).size(), 4u);
}

// A modal dialog runs Qt's own loop (QDialog::exec): posted messages, timers
// and a pump inside a handler must all keep working there.
const ui::DialogTemplate kModalTemplate{0,
                                        "ModalLoop",
                                        u"Modal loop",
                                        100,
                                        40,
                                        u"MS Shell Dlg",
                                        8,
                                        {{IDOK, ui::ControlKind::Button, u"OK", 25, 20, 50, 14, BS_DEFPUSHBUTTON}}};

class PumpingDialog : public ui::Dialog {
public:
    PumpingDialog() : ui::Dialog(kModalTemplate) {}
    RecordingWindow* other = nullptr;
    std::vector<UINT> seenByOtherWhilePumping;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_INITDIALOG) {
            SetTimer(Handle(), 5, 20, nullptr);
        } else if (message == WM_TIMER && wParam == 5) {
            KillTimer(Handle(), 5);
            // A long operation's progress pump, inside the modal loop.
            PostMessageW(other->Handle(), kFirst, 0, 0);
            PostMessageW(other->Handle(), kSecond, 0, 0);
            ui::PumpWaitingMessages();
            for (const auto& entry : other->received) seenByOtherWhilePumping.push_back(entry.message);
            EndDialog(IDOK);
            return 0;
        }
        return ui::Dialog::WindowProc(message, wParam, lParam);
    }
};

TEST_F(MessageQueueTest, PumpingInsideAModalLoopDeliversInOrderAndTheDialogEnds) {
    RecordingWindow other;
    other.CreateTopLevel();
    other.received.clear();
    PumpingDialog dialog;
    dialog.other = &other;
    // The default prompter: the dialog's real modal loop runs.
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(dialog.seenByOtherWhilePumping, (std::vector<UINT>{kFirst, kSecond}));
    EXPECT_FALSE(dialog.Exists());
}

TEST_F(MessageQueueTest, QuitPostedInsideAModalLoopReachesTheApplicationLoop) {
    RecordingWindow other;
    other.CreateTopLevel();
    other.received.clear();
    PumpingDialog dialog;
    dialog.other = &other;
    other.onMessage = [](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kFirst) PostQuitMessage(9);
        return RecordingWindow::kNotHandled;
    };
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(dialog.seenByOtherWhilePumping, (std::vector<UINT>{kFirst, kSecond}));
    EXPECT_EQ(ui::Application::Instance()->Run(), 9);
}

TEST_F(MessageQueueTest, TimerTicksUntilKilled) {
    RecordingWindow window;
    window.CreateTopLevel();
    EXPECT_EQ(SetTimer(window.Handle(), 77, 10, nullptr), 77u);
    for (int i = 0; i < 200 && window.Only(WM_TIMER).size() < 3; ++i) ui_testing::ProcessEventsFor(5);
    ASSERT_GE(window.Only(WM_TIMER).size(), 3u);
    for (const auto& tick : window.Only(WM_TIMER)) EXPECT_EQ(tick.wParam, 77u);

    EXPECT_TRUE(KillTimer(window.Handle(), 77));
    window.received.clear();
    ui_testing::ProcessEventsFor(50);
    ui::PumpWaitingMessages();
    EXPECT_TRUE(window.Only(WM_TIMER).empty());
    EXPECT_FALSE(KillTimer(window.Handle(), 77));
}

TEST_F(MessageQueueTest, TimersOfADestroyedWindowStop) {
    RecordingWindow window;
    HWND hwnd = window.CreateTopLevel();
    SetTimer(hwnd, 1, 10, nullptr);
    DestroyWindow(hwnd);
    EXPECT_FALSE(KillTimer(hwnd, 1));
    EXPECT_EQ(SetTimer(hwnd, 1, 10, nullptr), 0u);
}

int threadTimerCalls = 0;
void CountThreadTimer(HWND, UINT message, UINT_PTR, DWORD) {
    if (message == WM_TIMER) ++threadTimerCalls;
}

TEST_F(MessageQueueTest, AWindowlessTimerCallsItsProcedure) {
    threadTimerCalls = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 10, CountThreadTimer);
    ASSERT_NE(id, 0u);
    for (int i = 0; i < 100 && threadTimerCalls == 0; ++i) ui_testing::ProcessEventsFor(5);
    EXPECT_GT(threadTimerCalls, 0);
    EXPECT_TRUE(KillTimer(nullptr, id));
    EXPECT_EQ(SetTimer(nullptr, 0, 10, nullptr), 0u) << "no window and no procedure";
}

TEST(RegisteredMessageTest, SameNameSameIdInTheRegisteredRange) {
    UINT first = RegisterWindowMessageW(u"3E30C4A1-3668-46ca-A9E7-BA2B5AB26AA6");
    UINT again = RegisterWindowMessageW(u"3e30c4a1-3668-46CA-a9e7-ba2b5ab26aa6");
    UINT other = RegisterWindowMessageW(u"SomeOtherMessage");
    EXPECT_GE(first, 0xC000u);
    EXPECT_LE(first, 0xFFFFu);
    EXPECT_EQ(first, again) << "names compare without case";
    EXPECT_NE(first, other);
    EXPECT_GE(other, 0xC000u);
    EXPECT_LE(other, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageW(u""), 0u);
    EXPECT_EQ(RegisterWindowMessageW(nullptr), 0u);
}

}  // namespace
