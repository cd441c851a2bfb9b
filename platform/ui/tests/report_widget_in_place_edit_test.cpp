// The report control's in-place editor on its own: a window of class "Edit"
// reached by handle, ended by Enter, Escape or focus loss, closed before
// its owner hears of the outcome.
#include "recording_window.h"
#include "toolkit/report/report_in_place_edit.h"
#include "ui/input.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "ui_testing/ui_test.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

#include <optional>
#include <string>

namespace {

class ReportInPlaceEditTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        top_ = host_.CreateTopLevel(nullptr, WS_VISIBLE);
        SetActiveWindow(top_);
        QApplication::processEvents();
    }

    struct Outcome {
        bool committed;
        std::u16string text;
        bool editorGone;  // the editor's window was destroyed before the call
    };

    HWND Open(std::u16string_view text, int maxLength = 0) {
        hwnd_ = edit_.Open(top_, host_.Widget(), QRect(10, 10, 120, 20), text, maxLength,
                           [this](bool committed, const std::u16string& text) {
                               outcome_ = Outcome{committed, text, !IsWindow(hwnd_) && !edit_.IsOpen()};
                           });
        return hwnd_;
    }
    QLineEdit* LineEdit() const { return static_cast<QLineEdit*>(edit_.Widget()); }

    RecordingWindow host_;
    HWND top_ = nullptr;
    ui::ReportInPlaceEdit edit_;
    HWND hwnd_ = nullptr;
    std::optional<Outcome> outcome_;
};

TEST_F(ReportInPlaceEditTest, IsAnEditWindowThatTakesSelectionMessagesByHandle) {
    ASSERT_NE(Open(u"Bracket plate"), nullptr);
    ASSERT_NE(ui::WindowFromHandle(hwnd_), nullptr);
    EXPECT_EQ(ui::WindowFromHandle(hwnd_)->ClassName(), u"Edit");
    EXPECT_EQ(GetParent(hwnd_), top_);
    EXPECT_TRUE(LineEdit()->hasFocus());
    EXPECT_EQ(LineEdit()->selectedText(), QStringLiteral("Bracket plate")) << "opens with all of its text selected";

    SendMessageW(hwnd_, EM_SETSEL, 2, 5);
    EXPECT_EQ(LineEdit()->selectedText(), QStringLiteral("ack"));
    DWORD start = 0, end = 0;
    EXPECT_EQ(SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end)),
              MAKELRESULT(2, 5));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 5u);

    SetWindowTextW(hwnd_, u"New Item Folder");
    SendMessageW(hwnd_, EM_SETSEL, 0, -1);
    EXPECT_EQ(LineEdit()->selectedText(), QStringLiteral("New Item Folder")) << "-1 selects to the end";
    EXPECT_TRUE(SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0));
    SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    EXPECT_FALSE(LineEdit()->hasSelectedText());

    SendMessageW(hwnd_, EM_LIMITTEXT, 4, 0);
    EXPECT_EQ(LineEdit()->maxLength(), 4);
    EXPECT_FALSE(outcome_) << "nothing ended yet";
}

TEST_F(ReportInPlaceEditTest, EnterAndFocusLossCommitEscapeCancelsEachOnceAfterClosing) {
    struct Case {
        const char* name;
        std::function<void(QLineEdit*)> end;
        bool committed;
    };
    const Case cases[] = {
        {"Enter", [](QLineEdit* edit) { QTest::keyClick(edit, Qt::Key_Return); }, true},
        {"Escape", [](QLineEdit* edit) { QTest::keyClick(edit, Qt::Key_Escape); }, false},
        {"focus loss",
         [this](QLineEdit*) {
             SetFocus(top_);
             QApplication::processEvents();
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        outcome_.reset();
        ASSERT_NE(Open(u"old"), nullptr);
        QTest::keyClicks(LineEdit(), "new");
        c.end(LineEdit());
        ASSERT_TRUE(outcome_);
        EXPECT_EQ(outcome_->committed, c.committed);
        EXPECT_EQ(outcome_->text, u"new");
        EXPECT_TRUE(outcome_->editorGone) << "the editor closes before its owner is told";
        EXPECT_EQ(GetFocus(), top_) << "the control has the focus again";
        EXPECT_FALSE(IsWindow(hwnd_));
        // Nothing more arrives once Qt deletes the widget.
        outcome_.reset();
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(outcome_);
    }
}

TEST_F(ReportInPlaceEditTest, MaxLengthCutsTheTextAndTheOwnerMayOpenAnotherEditorWhenTold) {
    ASSERT_NE(Open(u"abcdefgh", 5), nullptr);
    EXPECT_EQ(LineEdit()->text(), QStringLiteral("abcde"));

    // The owner opens the next editor from the finishing call (a handler
    // that starts another rename): the first one is gone by then.
    HWND second = nullptr;
    hwnd_ = edit_.Handle();
    HWND first = hwnd_;
    edit_.Open(top_, host_.Widget(), QRect(0, 0, 50, 20), u"x", 0, [&](bool, const std::u16string&) {
        second = edit_.Open(top_, host_.Widget(), QRect(0, 30, 50, 20), u"y", 0, nullptr);
    });
    EXPECT_FALSE(IsWindow(first)) << "opening again cancels the open editor";
    edit_.End(true);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(IsWindow(second));
    EXPECT_TRUE(edit_.IsOpen());
    edit_.End(false);
    EXPECT_FALSE(IsWindow(second));
}

}  // namespace
