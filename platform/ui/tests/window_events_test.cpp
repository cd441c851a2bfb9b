// Qt events of a window's widget reach its WindowProc as messages; what the
// window hands to DefWindowProcW gets Qt's own handling.
#include "recording_window.h"
#include "ui/geometry.h"
#include "ui/input.h"
#include "ui/window_class.h"
#include "ui/window_styles.h"
#include "ui_testing/ui_test.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

bool IsInputMessage(UINT message) {
    return (message >= WM_KEYDOWN && message <= WM_SYSKEYUP) || (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL) ||
           message == WM_MOUSEACTIVATE || message == WM_CONTEXTMENU;
}

struct TranslationCase {
    const char* name;
    std::function<std::unique_ptr<QEvent>()> event;
    std::vector<ReceivedMessage> expected;
};

class WindowEventsTest : public ui_testing::UiTest {};

TEST_F(WindowEventsTest, InputEventsBecomeTheirMessages) {
    RecordingWindow window;
    HWND hwnd = window.CreateTopLevel(nullptr, WS_VISIBLE);
    ASSERT_NE(hwnd, nullptr);
    auto mouse = [](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        return
            [=] { return std::make_unique<QMouseEvent>(type, QPointF(at), QPointF(at), button, buttons, modifiers); };
    };
    auto key = [](QEvent::Type type, int qtKey, Qt::KeyboardModifiers modifiers, QString text) {
        return [=] { return std::make_unique<QKeyEvent>(type, qtKey, modifiers, text); };
    };
    const LPARAM at5x7 = MAKELPARAM(5, 7);
    const WPARAM activateLeft = 0;  // filled below: the top-level's handle
    (void)activateLeft;
    const LPARAM leftDownHit = MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN);
    const auto top = reinterpret_cast<WPARAM>(hwnd);
    const TranslationCase cases[] = {
        {"left press with Shift",
         mouse(QEvent::MouseButtonPress, {5, 7}, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier),
         {{WM_MOUSEACTIVATE, top, leftDownHit}, {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, at5x7}}},
        {"left release",
         mouse(QEvent::MouseButtonRelease, {5, 7}, Qt::LeftButton, Qt::NoButton),
         {{WM_LBUTTONUP, 0, at5x7}}},
        {"right press with Ctrl",
         mouse(QEvent::MouseButtonPress, {5, 7}, Qt::RightButton, Qt::RightButton, Qt::ControlModifier),
         {{WM_MOUSEACTIVATE, top, MAKELPARAM(HTCLIENT, WM_RBUTTONDOWN)},
          {WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, at5x7}}},
        {"double click",
         mouse(QEvent::MouseButtonDblClick, {5, 7}, Qt::LeftButton, Qt::LeftButton),
         {{WM_LBUTTONDBLCLK, MK_LBUTTON, at5x7}}},
        {"move without buttons",
         mouse(QEvent::MouseMove, {9, 3}, Qt::NoButton, Qt::NoButton),
         {{WM_MOUSEMOVE, 0, MAKELPARAM(9, 3)}}},
        {"drag outside to the left",
         mouse(QEvent::MouseMove, {-4, 3}, Qt::NoButton, Qt::LeftButton),
         {{WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-4), 3)}}},
        {"wheel one notch away",
         [] {
             return std::make_unique<QWheelEvent>(QPointF(1, 1), QPointF(50, 60), QPoint(), QPoint(0, 120),
                                                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
         },
         {{WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(50, 60)}}},
        {"letter", key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"), {{WM_KEYDOWN, 'A', 1}, {WM_CHAR, 'a', 1}}},
        {"keypad plus",
         key(QEvent::KeyPress, Qt::Key_Plus, Qt::KeypadModifier, "+"),
         {{WM_KEYDOWN, VK_ADD, 1}, {WM_CHAR, '+', 1}}},
        {"keypad star",
         key(QEvent::KeyPress, Qt::Key_Asterisk, Qt::KeypadModifier, "*"),
         {{WM_KEYDOWN, VK_MULTIPLY, 1}, {WM_CHAR, '*', 1}}},
        {"keypad minus",
         key(QEvent::KeyPress, Qt::Key_Minus, Qt::KeypadModifier, "-"),
         {{WM_KEYDOWN, VK_SUBTRACT, 1}, {WM_CHAR, '-', 1}}},
        {"delete types nothing",
         key(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, ""),
         {{WM_KEYDOWN, VK_DELETE, 1}}},
        {"F2", key(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier, ""), {{WM_KEYDOWN, VK_F2, 1}}},
        {"enter",
         key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r"),
         {{WM_KEYDOWN, VK_RETURN, 1}, {WM_CHAR, '\r', 1}}},
        {"key release",
         key(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a"),
         {{WM_KEYUP, 'A', static_cast<LPARAM>(1 | (3u << 30))}}},
        {"Alt with a letter", key(QEvent::KeyPress, Qt::Key_F, Qt::AltModifier, "f"), {{WM_SYSKEYDOWN, 'F', 1}}},
    };
    for (const auto& c : cases) {
        window.received.clear();
        auto event = c.event();
        QCoreApplication::sendEvent(window.Widget(), event.get());
        std::vector<ReceivedMessage> got;
        for (const auto& m : window.received)
            if (IsInputMessage(m.message)) got.push_back(m);
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST_F(WindowEventsTest, WithoutDoubleClicksInItsClassASecondClickIsAPress) {
    WNDCLASSW windowClass{};
    windowClass.lpszClassName = u"NoDoubleClicks";
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    RecordingWindow window;
    ASSERT_NE(window.Create(nullptr, u"NoDoubleClicks", RECT{0, 0, 50, 50}, WS_VISIBLE), nullptr);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
    QCoreApplication::sendEvent(window.Widget(), &doubleClick);
    EXPECT_TRUE(window.Only(WM_LBUTTONDBLCLK).empty());
    EXPECT_EQ(window.Only(WM_LBUTTONDOWN).size(), 1u);
    DestroyWindow(window.Handle());
    UnregisterClassW(u"NoDoubleClicks", nullptr);
}

// A window over a line edit, to see what reaches Qt.
class EditWindow : public RecordingWindow {
public:
    HWND CreateEdit(HWND parent) {
        auto* edit = new QLineEdit(ui::WindowFromHandle(parent)->Widget());
        return Attach(edit, parent, true, u"Edit");
    }
};

TEST_F(WindowEventsTest, OnlyWhatReachesTheDefaultGetsQtsHandling) {
    RecordingWindow parent;
    HWND top = parent.CreateTopLevel(nullptr, WS_VISIBLE);
    EditWindow editWindow;
    ASSERT_NE(editWindow.CreateEdit(top), nullptr);
    auto* edit = static_cast<QLineEdit*>(editWindow.Widget());
    auto type = [&](QString text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, text);
        QCoreApplication::sendEvent(edit, &press);
    };
    type("x");
    EXPECT_EQ(edit->text(), "x") << "passed on: the edit typed it";

    editWindow.onMessage = [](UINT message, WPARAM, LPARAM) -> LRESULT {
        return message == WM_CHAR ? 0 : RecordingWindow::kNotHandled;
    };
    type("y");
    EXPECT_EQ(edit->text(), "x") << "WM_CHAR kept by the window: Qt never saw the key";
    EXPECT_EQ(editWindow.Only(WM_CHAR).size(), 2u);
    EXPECT_TRUE(parent.Only(WM_KEYDOWN).empty()) << "a child's keys are not the parent's";

    // A mouse press the child's widget leaves does not reach the parent
    // window as its own press.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &press);
    EXPECT_EQ(editWindow.Only(WM_LBUTTONDOWN).size(), 1u);
    EXPECT_TRUE(parent.Only(WM_LBUTTONDOWN).empty());
    // WM_MOUSEACTIVATE climbs to the parent through DefWindowProcW.
    EXPECT_EQ(parent.Only(WM_MOUSEACTIVATE).size(), 1u);
}

TEST_F(WindowEventsTest, AParentAnsweringMouseActivateWithEatSwallowsThePress) {
    RecordingWindow parent, child;
    HWND top = parent.CreateTopLevel(nullptr, WS_VISIBLE);
    child.Create(top, u"Child", RECT{0, 0, 20, 20}, WS_CHILD | WS_VISIBLE);
    parent.onMessage = [](UINT message, WPARAM, LPARAM) -> LRESULT {
        return message == WM_MOUSEACTIVATE ? MA_ACTIVATEANDEAT : RecordingWindow::kNotHandled;
    };
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(child.Widget(), &press);
    EXPECT_EQ(child.Only(WM_MOUSEACTIVATE).size(), 1u);
    EXPECT_TRUE(child.Only(WM_LBUTTONDOWN).empty());
}

TEST_F(WindowEventsTest, SizeMoveParentNotifyAndClose) {
    RecordingWindow parent, child;
    HWND top = parent.CreateTopLevel(nullptr, WS_VISIBLE);
    HWND hwnd = child.Create(top, u"Child", RECT{0, 0, 20, 20}, WS_CHILD | WS_VISIBLE, {}, 0, 42);
    ASSERT_NE(hwnd, nullptr);
    auto notify = parent.Only(WM_PARENTNOTIFY);
    ASSERT_EQ(notify.size(), 1u);
    EXPECT_EQ(notify[0], (ReceivedMessage{WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, 42), reinterpret_cast<LPARAM>(hwnd)}));
    EXPECT_EQ(GetWindowLongW(hwnd, GWL_ID), 42);

    child.received.clear();
    ASSERT_TRUE(MoveWindow(hwnd, 10, 20, 150, 80, FALSE));
    EXPECT_EQ(child.Only(WM_SIZE), (std::vector<ReceivedMessage>{{WM_SIZE, SIZE_RESTORED, MAKELPARAM(150, 80)}}));
    EXPECT_EQ(child.Only(WM_MOVE), (std::vector<ReceivedMessage>{{WM_MOVE, 0, MAKELPARAM(10, 20)}}));
    CRect client;
    EXPECT_TRUE(GetClientRect(hwnd, client));
    EXPECT_EQ(client, CRect(0, 0, 150, 80));

    // The title bar's close is WM_CLOSE, whose default destroys.
    parent.Widget()->close();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindow(top));
    EXPECT_EQ(parent.Only(WM_PARENTNOTIFY).size(), 2u) << "the child's destruction is told too";
}

TEST_F(WindowEventsTest, StylesAreKeptActOnTheWidgetAndAnnounceTheChange) {
    RecordingWindow parent, child;
    HWND top = parent.CreateTopLevel(nullptr, WS_VISIBLE);
    HWND hwnd = child.Create(top, u"Child", RECT{0, 0, 100, 50}, WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
    auto style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
    EXPECT_EQ(style & (WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE),
              static_cast<DWORD>(WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS));
    ShowWindow(hwnd, SW_SHOW);
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE);

    STYLESTRUCT seen{};
    child.onMessage = [&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_STYLECHANGED && wParam == static_cast<WPARAM>(GWL_EXSTYLE))
            seen = *reinterpret_cast<STYLESTRUCT*>(lParam);
        return RecordingWindow::kNotHandled;
    };
    EXPECT_TRUE(ui::ModifyStyleEx(hwnd, 0, WS_EX_CLIENTEDGE));
    EXPECT_EQ(seen.styleOld, 0u);
    EXPECT_EQ(seen.styleNew, static_cast<DWORD>(WS_EX_CLIENTEDGE));
    CRect client;
    GetClientRect(hwnd, client);
    EXPECT_LT(client.Width(), 100) << "the sunken edge takes room";
    EXPECT_FALSE(ui::ModifyStyleEx(hwnd, 0, WS_EX_CLIENTEDGE)) << "nothing changes";
    EXPECT_TRUE(ui::ModifyStyleEx(hwnd, WS_EX_CLIENTEDGE, 0));
    GetClientRect(hwnd, client);
    EXPECT_EQ(client.Width(), 100);

    EXPECT_TRUE(ui::ModifyStyle(hwnd, 0, WS_DISABLED));
    EXPECT_FALSE(IsWindowEnabled(hwnd));
    EXPECT_EQ(child.Only(WM_STYLECHANGED).size(), 3u);
}

}  // namespace
