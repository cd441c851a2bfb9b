// Window handles, the handle table, destruction, and centring.
#include "recording_window.h"
#include "ui/window_placement.h"
#include "ui_testing/ui_test.h"
#include "winapi/errors.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class WindowTest : public ui_testing::UiTest {};

TEST_F(WindowTest, HandlesFitIn32BitsNameTheirWindowAndAreNotReused) {
    RecordingWindow window;
    HWND first = window.CreateTopLevel();
    ASSERT_NE(first, nullptr);
    EXPECT_LE(reinterpret_cast<uintptr_t>(first), 0xFFFFFFFFu);
    EXPECT_EQ(ui::WindowFromHandle(first), &window);
    EXPECT_TRUE(IsWindow(first));
    EXPECT_EQ(window.Only(WM_CREATE).size(), 1u);

    EXPECT_TRUE(DestroyWindow(first));
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(ui::WindowFromHandle(first), nullptr);
    EXPECT_EQ(window.Only(WM_DESTROY).size(), 1u);

    // The object lives on and may be created again, under a new handle.
    HWND second = window.CreateTopLevel();
    EXPECT_NE(second, first);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsWindow(second));

    SetLastError(0);
    EXPECT_FALSE(DestroyWindow(first));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(IsWindow(nullptr));
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x123456789ull))));
}

TEST_F(WindowTest, DestroyingAWindowDestroysItsChildrenAndOwnedWindows) {
    RecordingWindow owner, child, owned;
    HWND ownerHandle = owner.CreateTopLevel();
    HWND childHandle = child.Create(ownerHandle, u"Child", RECT{0, 0, 10, 10}, WS_CHILD | WS_VISIBLE);
    HWND ownedHandle = owned.CreateTopLevel(ownerHandle);
    ASSERT_NE(childHandle, nullptr);
    ASSERT_NE(ownedHandle, nullptr);
    EXPECT_EQ(GetParent(childHandle), ownerHandle);
    EXPECT_EQ(GetParent(ownedHandle), ownerHandle);
    EXPECT_EQ(GetParent(ownerHandle), nullptr);

    std::vector<std::string> destroyed;
    auto note = [&destroyed](std::string name) {
        return [&destroyed, name](UINT message, WPARAM, LPARAM) {
            if (message == WM_DESTROY) destroyed.push_back(name);
            return RecordingWindow::kNotHandled;
        };
    };
    owner.onMessage = note("owner");
    child.onMessage = note("child");
    owned.onMessage = note("owned");
    EXPECT_TRUE(DestroyWindow(ownerHandle));
    EXPECT_EQ(destroyed, (std::vector<std::string>{"owned", "owner", "child"}));
    EXPECT_FALSE(IsWindow(childHandle));
    EXPECT_FALSE(IsWindow(ownedHandle));
}

TEST_F(WindowTest, ACreateHandlerCanRefuseTheWindow) {
    RecordingWindow window;
    window.onMessage = [](UINT message, WPARAM, LPARAM) -> LRESULT {
        return message == WM_CREATE ? -1 : RecordingWindow::kNotHandled;
    };
    EXPECT_EQ(window.CreateTopLevel(), nullptr);
    EXPECT_FALSE(window.Exists());
}

TEST_F(WindowTest, TextVisibilityAndEnabling) {
    RecordingWindow window;
    HWND hwnd = window.CreateTopLevel();
    EXPECT_TRUE(SetWindowTextW(hwnd, u"Title"));
    WCHAR buffer[4];
    EXPECT_EQ(GetWindowTextW(hwnd, buffer, 4), 3) << "cut to the buffer, terminated";
    EXPECT_EQ(std::u16string(buffer), u"Tit");
    EXPECT_EQ(GetWindowTextLengthW(hwnd), 5);

    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_TRUE(ShowWindow(hwnd, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(hwnd));

    EXPECT_FALSE(EnableWindow(hwnd, FALSE));
    EXPECT_FALSE(IsWindowEnabled(hwnd));
    EXPECT_TRUE(EnableWindow(hwnd, TRUE)) << "was disabled";
}

TEST_F(WindowTest, ClosingAWindowIsAMessageItsCodeDecides) {
    RecordingWindow keeps;
    HWND hwnd = keeps.CreateTopLevel(nullptr, WS_VISIBLE);
    keeps.onMessage = [](UINT message, WPARAM, LPARAM) -> LRESULT {
        return message == WM_CLOSE ? 0 : RecordingWindow::kNotHandled;
    };
    keeps.Widget()->close();
    EXPECT_EQ(keeps.Only(WM_CLOSE).size(), 1u);
    EXPECT_TRUE(IsWindow(hwnd));

    keeps.onMessage = nullptr;  // the default destroys
    keeps.Widget()->close();
    EXPECT_FALSE(IsWindow(hwnd));
}

struct CenteringCase {
    const char* name;
    RECT window;
    bool hasOwner;
    RECT owner;
    RECT workArea;
    RECT expected;
};

TEST(CenteredRectTest, CentresOverTheOwnerOrTheWorkAreaAndStaysInside) {
    const RECT work{0, 0, 800, 600};
    const CenteringCase cases[] = {
        {"over the owner", {0, 0, 100, 50}, true, {100, 100, 300, 200}, work, {150, 125, 250, 175}},
        {"no owner: the work area", {0, 0, 100, 50}, false, {}, work, {350, 275, 450, 325}},
        {"owner at the right edge", {0, 0, 100, 50}, true, {700, 100, 800, 200}, work, {700, 125, 800, 175}},
        {"owner partly off the top-left", {0, 0, 100, 50}, true, {-200, -100, 0, 0}, work, {0, 0, 100, 50}},
        {"larger than the work area", {0, 0, 1000, 700}, false, {}, work, {0, 0, 1000, 700}},
        {"work area not at the origin", {0, 0, 100, 50}, false, {}, {800, 30, 1600, 630}, {1150, 305, 1250, 355}},
    };
    for (const auto& c : cases) {
        RECT placed = ui::CenteredRect(c.window, c.hasOwner ? &c.owner : nullptr, c.workArea);
        EXPECT_EQ(placed, c.expected) << c.name << ": got " << placed.left << "," << placed.top << " " << placed.right
                                      << "," << placed.bottom;
    }
}

enum class OwnerState { Visible, Hidden, Minimised, None };

class CenterWindowTest : public ui_testing::UiTest, public ::testing::WithParamInterface<OwnerState> {};

TEST_P(CenterWindowTest, CentresOverAVisibleOwnerElseInTheWorkArea) {
    RecordingWindow owner, window;
    HWND ownerHandle = owner.CreateTopLevel();
    ASSERT_TRUE(MoveWindow(ownerHandle, 100, 100, 200, 100, FALSE));
    if (GetParam() == OwnerState::Visible) ShowWindow(ownerHandle, SW_SHOW);
    if (GetParam() == OwnerState::Minimised) ShowWindow(ownerHandle, SW_MINIMIZE);
    HWND hwnd = window.CreateTopLevel(GetParam() == OwnerState::None ? nullptr : ownerHandle);
    ASSERT_TRUE(MoveWindow(hwnd, 0, 0, 100, 50, FALSE));

    ASSERT_TRUE(ui::CenterWindow(hwnd));
    RECT placed{};
    GetWindowRect(hwnd, &placed);
    // Centred on the owner's outer rectangle (with its frame, if the
    // platform draws one), else on the screen's work area.
    RECT area;
    if (GetParam() == OwnerState::Visible) {
        GetWindowRect(ownerHandle, &area);
    } else {
        QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        area = RECT{screen.left(), screen.top(), screen.left() + screen.width(), screen.top() + screen.height()};
    }
    LONG width = placed.right - placed.left, height = placed.bottom - placed.top;
    EXPECT_EQ(placed.left, (area.left + area.right) / 2 - width / 2);
    EXPECT_EQ(placed.top, (area.top + area.bottom) / 2 - height / 2);
}

std::string OwnerStateName(const ::testing::TestParamInfo<OwnerState>& info) {
    static const char* const names[] = {"Visible", "Hidden", "Minimised", "None"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(OwnerStates, CenterWindowTest,
                         ::testing::Values(OwnerState::Visible, OwnerState::Hidden, OwnerState::Minimised,
                                           OwnerState::None),
                         OwnerStateName);

}  // namespace
