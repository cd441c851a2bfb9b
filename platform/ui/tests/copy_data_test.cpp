// WM_COPYDATA to a window of another process, found by its class name.
#include "recording_window.h"
#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "ui/copy_data.h"
#include "ui/message_queue.h"
#include "ui_testing/ui_test.h"
#include "winapi/errors.h"
#include "winapi/state_root.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char16_t kClass[] = u"UiCopyDataReceiver";

class CopyDataTest : public ui_testing::UiTest {
protected:
    testsupport::FreshMachine machine_;

    static LRESULT Send(HWND hwnd, ULONG_PTR number, const std::string& bytes) {
        COPYDATASTRUCT data{number, static_cast<DWORD>(bytes.size()), const_cast<char*>(bytes.data())};
        return SendMessageW(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    }
    static testsupport::ChildProcess StartReceiver() {
        return testsupport::ChildProcess(testsupport::SiblingProgram("copy_data_receiver_child"),
                                         {"UiCopyDataReceiver"});
    }
};

TEST_F(CopyDataTest, BytesAndNumberReachTheWindowOfAnotherProcess) {
    EXPECT_EQ(FindWindowW(kClass, nullptr), nullptr) << "nobody is listening yet";
    auto child = StartReceiver();
    ASSERT_TRUE(child.WaitForLine("ready"));

    HWND remote = FindWindowW(kClass, nullptr);
    ASSERT_NE(remote, nullptr);
    EXPECT_TRUE(IsWindow(remote));
    EXPECT_EQ(FindWindowW(u"uicopydatareceiver", nullptr), remote) << "class names compare without case";

    EXPECT_EQ(Send(remote, 42, "open C:\\Items\\Part.itm"), 1000 + 22) << "the receiver's result comes back";
    EXPECT_TRUE(child.WaitForLine("got 42 open C:\\Items\\Part.itm"));
    EXPECT_EQ(Send(remote, 7, ""), 1000);
    EXPECT_TRUE(child.WaitForLine("got 7 "));

    EXPECT_EQ(Send(remote, 0, "quit"), 1004);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(FindWindowW(kClass, nullptr), nullptr) << "the window went with its process";
    EXPECT_EQ(Send(remote, 1, "late"), 0);
}

// A state root longer than a socket address can hold.
TEST_F(CopyDataTest, AWindowIsFoundUnderAStateRootTooLongForASocketAddress) {
    const std::string root = (machine_.root() / std::string(150, 'r')).string();
    const std::string saved = std::getenv(winapi::kStateRootVariable);
    ::setenv(winapi::kStateRootVariable, root.c_str(), 1);
    {
        auto child = StartReceiver();
        ASSERT_TRUE(child.WaitForLine("ready"));
        HWND remote = FindWindowW(kClass, nullptr);
        ASSERT_NE(remote, nullptr);
        EXPECT_EQ(Send(remote, 42, "long"), 1000 + 4);
        EXPECT_EQ(Send(remote, 0, "quit"), 1004);
        EXPECT_EQ(child.Wait(), 0);
    }
    ::setenv(winapi::kStateRootVariable, saved.c_str(), 1);
}

TEST_F(CopyDataTest, ANameHeldByALiveWindowIsNotTakenAndADeadOnesIs) {
    auto child = StartReceiver();
    ASSERT_TRUE(child.WaitForLine("ready"));
    RecordingWindow local;
    local.Create(nullptr, kClass, RECT{0, 0, 10, 10}, 0);
    EXPECT_FALSE(local.PublishToOtherProcesses()) << "a live window of another process holds the name";

    child.Kill();  // leaves its socket file behind
    child.Wait();
    EXPECT_TRUE(local.PublishToOtherProcesses()) << "the dead window's name is free again";
}

TEST_F(CopyDataTest, ASenderWaitsForTheAnswerAsLongAsItsReplyTimeoutSays) {
    auto child = StartReceiver();
    ASSERT_TRUE(child.WaitForLine("ready"));
    HWND remote = FindWindowW(kClass, nullptr);
    ASSERT_NE(remote, nullptr);

    const auto previous = ui::SetCopyDataReplyTimeout(std::chrono::milliseconds(200));
    EXPECT_EQ(previous, ui::kDefaultCopyDataReplyTimeout);
    SetLastError(0);
    EXPECT_EQ(Send(remote, 1, "slow"), 0) << "the answer comes after the shortened wait";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));

    ui::SetCopyDataReplyTimeout(previous);
    EXPECT_EQ(Send(remote, 2, "slow"), 1004) << "the default wait outlasts a slow receiver";
    EXPECT_EQ(Send(remote, 0, "quit"), 1004);
    EXPECT_EQ(child.Wait(), 0);
}

TEST_F(CopyDataTest, OversizedPayloadsAreRefusedBeforeSending) {
    auto child = StartReceiver();
    ASSERT_TRUE(child.WaitForLine("ready"));
    HWND remote = FindWindowW(kClass, nullptr);
    ASSERT_NE(remote, nullptr);
    COPYDATASTRUCT data{1, ui::kMaxCopyDataBytes + 1, nullptr};
    std::string big(16, 'x');
    data.lpData = big.data();
    EXPECT_EQ(SendMessageW(remote, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), 0);
    EXPECT_EQ(Send(remote, 0, "quit"), 1004) << "the receiver is still well";
    EXPECT_EQ(child.Wait(), 0);
}

TEST_F(CopyDataTest, WithinTheProcessWindowProcGetsTheCallersData) {
    RecordingWindow local;
    local.Create(nullptr, kClass, RECT{0, 0, 10, 10}, 0);
    std::string seen;
    local.onMessage = [&seen](UINT message, WPARAM, LPARAM lParam) -> LRESULT {
        if (message != WM_COPYDATA) return RecordingWindow::kNotHandled;
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        seen.assign(static_cast<const char*>(data->lpData), data->cbData);
        return 5;
    };
    EXPECT_EQ(FindWindowW(kClass, nullptr), local.Handle()) << "this process's own window first";
    EXPECT_EQ(Send(local.Handle(), 0, "local"), 5);
    EXPECT_EQ(seen, "local");
}

}  // namespace
