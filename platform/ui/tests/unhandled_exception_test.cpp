// Exceptions that escape a window's handler: caught at the message, handed
// to the replaceable handler, and the loop goes on.
#include "recording_window.h"
#include "ui/message_box.h"
#include "ui/message_queue.h"
#include "ui/unhandled_exception.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

constexpr UINT kThrows = WM_USER + 1;
constexpr UINT kAfter = WM_USER + 2;
constexpr UINT kForwards = WM_USER + 3;
// Narrow text is UTF-8: the user must read these characters, not their bytes.
constexpr const char* kMessage = "The vault \u201cEntw\u00fcrfe \u65e5\u672c\u201d is not reachable.";

class UnhandledExceptionTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        window_.CreateTopLevel();
        window_.onMessage = [this](UINT message, WPARAM, LPARAM) -> LRESULT {
            if (message == kThrows) throw std::runtime_error(kMessage);
            if (message == kForwards) {
                // A handler that sends on: the inner message's exception
                // ends there, and this handler goes on.
                LRESULT inner = SendMessageW(window_.Handle(), kThrows, 0, 0);
                delivered_.push_back(kForwards);
                return inner + 7;
            }
            if (message >= WM_USER) delivered_.push_back(message);
            return RecordingWindow::kNotHandled;
        };
    }

    RecordingWindow window_;
    std::vector<UINT> delivered_;
};

TEST_F(UnhandledExceptionTest, TheDefaultHandlerTellsTheUserAndThePostedMessagesGoOn) {
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDOK, [&](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.text, u"The vault \u201cEntw\u00fcrfe \u65e5\u672c\u201d is not reachable.");
        EXPECT_EQ(question.style, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(question.owner, window_.Handle());
    });
    ASSERT_TRUE(PostMessageW(window_.Handle(), kThrows, 0, 0));
    ASSERT_TRUE(PostMessageW(window_.Handle(), kAfter, 0, 0));
    ui::PumpWaitingMessages();
    EXPECT_EQ(delivered_, (std::vector<UINT>{kAfter}));
}

TEST_F(UnhandledExceptionTest, AReplacedHandlerGetsTheExceptionAndTheMessageGivesZero) {
    std::vector<std::pair<HWND, UINT>> reported;
    ui::UnhandledExceptionHandler previous =
        ui::SetUnhandledExceptionHandler([&](HWND window, UINT message, std::exception_ptr error) {
            reported.push_back({window, message});
            EXPECT_THROW(std::rethrow_exception(error), std::runtime_error);
        });
    EXPECT_EQ(SendMessageW(window_.Handle(), kThrows, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window_.Handle(), kForwards, 0, 0), 7) << "the outer handler went on";
    EXPECT_EQ(reported, (std::vector<std::pair<HWND, UINT>>{{window_.Handle(), kThrows}, {window_.Handle(), kThrows}}));
    EXPECT_EQ(delivered_, (std::vector<UINT>{kForwards}));

    // The handler before this test comes back.
    ui::SetUnhandledExceptionHandler(previous);
}

}  // namespace
