// Registered classes and CreateWindowExW: class procedures, built-in
// controls, the CREATESTRUCTW of WM_CREATE, and windows the layer owns.
#include "recording_window.h"
#include "ui/dialog.h"
#include "ui/message_queue.h"
#include "ui/window_class.h"
#include "ui/window_styles.h"
#include "ui_testing/ui_test.h"
#include "winapi/errors.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<ReceivedMessage> procedureLog;
std::u16string createdName;
LPVOID createdParam = nullptr;

LRESULT RecordingProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    procedureLog.push_back({message, wParam, lParam});
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        createdName = create->lpszName;
        createdParam = create->lpCreateParams;
        if (createdName == u"refuse") return -1;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class WindowClassTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        procedureLog.clear();
        WNDCLASSW windowClass{};
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = RecordingProcedure;
        windowClass.lpszClassName = u"HalvaranTestClass";
        ASSERT_NE(RegisterClassW(&windowClass), 0);
    }
    void TearDown() override {
        UnregisterClassW(u"HalvaranTestClass", nullptr);
        UiTest::TearDown();
    }
};

TEST_F(WindowClassTest, AClassIsRegisteredOnceByNameWithoutCase) {
    WNDCLASSW again{};
    again.lpszClassName = u"halvarantestclass";
    SetLastError(0);
    EXPECT_EQ(RegisterClassW(&again), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    WNDCLASSW info{};
    ASSERT_TRUE(GetClassInfoW(nullptr, u"HALVARANTESTCLASS", &info));
    EXPECT_EQ(info.style, static_cast<UINT>(CS_DBLCLKS));
    EXPECT_EQ(info.lpfnWndProc, &RecordingProcedure);
    EXPECT_EQ(std::u16string(info.lpszClassName), u"HalvaranTestClass");
    SetLastError(0);
    EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", nullptr, 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST_F(WindowClassTest, AHiddenWindowOfTheClassGetsItsMessagesAndIsFoundByName) {
    int tag = 7;
    HWND hwnd = CreateWindowExW(0, u"HalvaranTestClass", u"Hidden", 0, 0, 0, 20, 20, nullptr, nullptr, nullptr, &tag);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_FALSE(procedureLog.empty());
    EXPECT_EQ(procedureLog.front().message, static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(createdName, u"Hidden");
    EXPECT_EQ(createdParam, &tag);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(FindWindowW(u"HalvaranTestClass", nullptr), hwnd);
    EXPECT_EQ(SendMessageW(hwnd, WM_USER + 5, 1, 2), 0);
    EXPECT_EQ(procedureLog.back(), (ReceivedMessage{WM_USER + 5, 1, 2}));
    WCHAR title[16];
    EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(title)), 6) << "through DefWindowProcW";
    EXPECT_EQ(std::u16string(title), u"Hidden");

    // The icons' handles are kept per size; the answer is the previous one.
    LPARAM icon = 0x1230;
    EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_BIG, icon), 0);
    EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_BIG, icon + 4), icon);
    EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), icon + 4);
    EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), 0);

    // WM_CLOSE's default destroys; the layer frees the window object later.
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    ASSERT_GE(procedureLog.size(), 2u);
    EXPECT_EQ(procedureLog[procedureLog.size() - 2].message, static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(procedureLog.back().message, static_cast<UINT>(WM_NCDESTROY)) << "the window's last message";
    EXPECT_EQ(FindWindowW(u"HalvaranTestClass", nullptr), nullptr);
}

TEST_F(WindowClassTest, ACreateHandlerRefusingGivesNull) {
    EXPECT_EQ(CreateWindowExW(0, u"HalvaranTestClass", u"refuse", 0, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(FindWindowW(u"HalvaranTestClass", nullptr), nullptr);
}

TEST_F(WindowClassTest, BuiltInControlsAreTheirQtWidgetsAndNotifyTheirParent) {
    RecordingWindow parent;
    HWND top = parent.CreateTopLevel(nullptr, WS_VISIBLE);
    struct Case {
        const char16_t* className;
        const char* widgetClass;
    };
    const Case cases[] = {{u"Static", "QLabel"},
                          {u"Edit", "QLineEdit"},
                          {u"Button", "QPushButton"},
                          {u"msctls_progress32", "QProgressBar"}};
    int id = 10;
    for (const auto& c : cases) {
        HWND control = CreateWindowExW(WS_EX_CLIENTEDGE, c.className, u"Text", WS_CHILD | WS_VISIBLE, 1, 2, 80, 20, top,
                                       reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
        ASSERT_NE(control, nullptr);
        QWidget* widget = ui::WindowFromHandle(control)->Widget();
        EXPECT_STREQ(widget->metaObject()->className(), c.widgetClass);
        EXPECT_EQ(widget->parentWidget(), parent.Widget());
        EXPECT_EQ(widget->geometry(), QRect(1, 2, 80, 20));
        EXPECT_TRUE(IsWindowVisible(control));
        EXPECT_EQ(GetWindowLongW(control, GWL_ID), id);
        EXPECT_EQ(GetWindowLongW(control, GWL_EXSTYLE), WS_EX_CLIENTEDGE);
        EXPECT_EQ(parent.Only(WM_PARENTNOTIFY).back(),
                  (ReceivedMessage{WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, id), reinterpret_cast<LPARAM>(control)}));
        ++id;
    }
    HWND edit = FindWindowW(u"Edit", nullptr);
    EXPECT_EQ(edit, nullptr) << "children are not found as top-level windows";

    HWND progress =
        CreateWindowExW(0, u"msctls_progress32", nullptr, WS_CHILD, 0, 0, 100, 10, top, nullptr, nullptr, nullptr);
    SendMessageW(progress, PBM_SETRANGE32, 0, 200);
    SendMessageW(progress, PBM_SETPOS, 50, 0);
    auto* bar = static_cast<QProgressBar*>(ui::WindowFromHandle(progress)->Widget());
    EXPECT_EQ(bar->maximum(), 200);
    EXPECT_EQ(bar->value(), 50);
    EXPECT_FALSE(IsWindowVisible(progress)) << "no WS_VISIBLE";

    HWND field = CreateWindowExW(0, u"Edit", u"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, top,
                                 reinterpret_cast<HMENU>(static_cast<intptr_t>(99)), nullptr, nullptr);
    parent.received.clear();
    SetWindowTextW(field, u"typed");
    EXPECT_EQ(parent.Only(WM_COMMAND),
              (std::vector<ReceivedMessage>{{WM_COMMAND, MAKEWPARAM(99, EN_CHANGE), reinterpret_cast<LPARAM>(field)}}));
    DestroyWindow(top);
    EXPECT_FALSE(IsWindow(field)) << "controls go with their parent";
}

}  // namespace

namespace {

BOOL CollectChild(HWND hwnd, LPARAM lParam) {
    auto* ids = reinterpret_cast<std::vector<int>*>(lParam);
    ids->push_back(GetDlgCtrlID(hwnd));
    return ids->size() < 3;
}

TEST_F(WindowClassTest, ChildWindowsAreWalkedInCreationOrderDepthFirst) {
    RecordingWindow parent;
    HWND top = parent.CreateTopLevel();
    auto make = [](HWND in, int id) {
        return CreateWindowExW(0, u"HalvaranTestClass", nullptr, WS_CHILD, 0, 0, 10, 10, in,
                               reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    };
    HWND first = make(top, 1);
    make(first, 11);
    make(top, 2);
    make(top, 3);
    std::vector<int> ids;
    EXPECT_TRUE(EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&ids)));
    EXPECT_EQ(ids, (std::vector<int>{1, 11, 2})) << "stops when the procedure says so";
    EXPECT_FALSE(EnumChildWindows(nullptr, CollectChild, 0));
}

}  // namespace

namespace {

TEST_F(WindowClassTest, ADialogsControlsKeepTheirTemplateStyleAndId) {
    static const ui::DialogTemplate dialogTemplate{
        0,  "Styles",        u"Styles", 100,
        40, u"MS Shell Dlg", 8,         {{5, ui::ControlKind::Edit, u"", 4, 4, 60, 12, ES_READONLY}}};
    ui::Dialog dialog(dialogTemplate);
    HWND hwnd = dialog.Create(nullptr);
    ASSERT_NE(hwnd, nullptr);
    HWND edit = GetDlgItem(hwnd, 5);
    EXPECT_TRUE(GetWindowLongW(edit, GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(GetWindowLongW(edit, GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(GetWindowLongW(edit, GWL_ID), 5);
    EXPECT_EQ(GetDlgCtrlID(edit), 5);
}

}  // namespace
