// The client feedback object: the client library's messages as message
// boxes (through the prompter), the question whether to replace a locked
// file, and the hand-off of the library's own dialogs.

#include "simple_tavrosk_feedback.h"

#include "com/bstr.h"
#include "com_testing/fake_parts.h"
#include "com_testing/leak_checked_test.h"
#include "ui/message_box.h"
#include "ui_testing/scripted_prompter.h"

#include <gtest/gtest.h>

#include <string>

using NsTavroskClient::SimpleTavroskFeedback;
using TavroskClientLib::ITavroskDialog;

namespace {

// The object's identity (its primary interface).
IUnknown* Unknown(SimpleTavroskFeedback* feedback) { return static_cast<BellquistLib::IItmCallBack*>(feedback); }

class FeedbackTest : public com_testing::LeakCheckedTest {
protected:
    void SetUp() override {
        com_testing::LeakCheckedTest::SetUp();
        ASSERT_EQ(SimpleTavroskFeedback::mhCreate(0, false, &feedback_), S_OK);
    }
    void TearDown() override {
        EXPECT_EQ(Unknown(feedback_)->Release(), 0u);
        com_testing::LeakCheckedTest::TearDown();
    }

    // Shows `text` with `flags` and answers the box with `button`.
    ULONG Show(ULONG flags, int button, VARIANT* detail = nullptr) {
        ui_testing::ScriptedPrompter prompter;
        prompter.AnswerMessageBox(button, [&](const ui::MessageBoxQuestion& q) { asked_ = q; });
        BSTR text = SysAllocString(u"Text");
        ULONG answer = 0xFFFF;
        EXPECT_EQ(feedback_->ShowMessage(text, detail, flags, 0, 0, &answer), S_OK);
        SysFreeString(text);
        return answer;
    }

    SimpleTavroskFeedback* feedback_ = nullptr;
    ui::MessageBoxQuestion asked_;
};

TEST_F(FeedbackTest, TheFlagsChooseTheIconAndTheButtons) {
    struct Case {
        ULONG flags;
        UINT style;
    } const cases[] = {
        {0, MB_ICONEXCLAMATION | MB_OK},       {0x4, MB_ICONEXCLAMATION | MB_OKCANCEL},
        {0x20, MB_ICONEXCLAMATION | MB_YESNO}, {0x24, MB_ICONEXCLAMATION | MB_YESNOCANCEL},
        {0x40, MB_ICONEXCLAMATION | MB_YESNO}, {0x44, MB_ICONEXCLAMATION | MB_YESNOCANCEL},
        {0x800, MB_ICONHAND | MB_OK},          {0x1000, MB_ICONQUESTION | MB_OK},
        {0x1800, MB_ICONHAND | MB_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        Show(c.flags, ui::ButtonsOf(c.style).ids[0]);
        EXPECT_EQ(asked_.style, c.style);
        EXPECT_EQ(asked_.caption, u"Halvaran");
        EXPECT_EQ(asked_.text, u"Text");
    }
}

TEST_F(FeedbackTest, ThePressedButtonBecomesTheAnswer) {
    struct Case {
        ULONG flags;
        int button;
        ULONG answer;
    } const cases[] = {{0x4, IDOK, 1}, {0x4, IDCANCEL, 4}, {0x24, IDYES, 8}, {0x24, IDNO, 32}, {0x24, IDCANCEL, 4}};
    for (const Case& c : cases) EXPECT_EQ(Show(c.flags, c.button), c.answer);
}

TEST_F(FeedbackTest, ASilentMessageShowsNothingAndLeavesTheAnswer) {
    ui_testing::ScriptedPrompter prompter;  // any question fails the test
    ULONG answer = 0xABC;
    EXPECT_EQ(feedback_->ShowMessage(nullptr, nullptr, 0x80004, 0, 0, &answer), S_OK);
    EXPECT_EQ(answer, 0xABCu);
    EXPECT_TRUE(prompter.AskedMessageBoxes().empty());
}

TEST_F(FeedbackTest, OnlyAStringDetailIsAppendedAfterAnEmptyLine) {
    VARIANT detail;
    VariantInit(&detail);
    detail.vt = VT_I4;
    detail.lVal = 5;
    Show(0, IDOK, &detail);
    EXPECT_EQ(asked_.text, u"Text");
    detail.vt = VT_BSTR;
    detail.bstrVal = SysAllocString(u"More");
    Show(0, IDOK, &detail);
    EXPECT_EQ(asked_.text, u"Text\n\nMore");
    VariantClear(&detail);
}

TEST_F(FeedbackTest, ConfirmReplaceNamesTheFileWithoutItsItemExtension) {
    struct Case {
        int button;
        HRESULT result;
        VARIANT_BOOL replace;
    } const cases[] = {{IDYES, S_OK, VARIANT_TRUE}, {IDNO, S_OK, VARIANT_FALSE}, {IDCANCEL, S_FALSE, 7}};
    for (const Case& c : cases) {
        ui_testing::ScriptedPrompter prompter;
        ui::MessageBoxQuestion asked;
        prompter.AnswerMessageBox(c.button, [&](const ui::MessageBoxQuestion& q) { asked = q; });
        BSTR path = SysAllocString(u"C:\\v\\\u00c5ngstr\u00f6m.<item>");
        VARIANT_BOOL replace = 7;
        EXPECT_EQ(feedback_->ConfirmReplace(path, &replace), c.result);
        EXPECT_EQ(replace, c.replace);
        EXPECT_EQ(asked.style, static_cast<UINT>(MB_ICONEXCLAMATION | MB_YESNOCANCEL));
        EXPECT_EQ(asked.caption, u"Halvaran");
        EXPECT_EQ(asked.text,
                  u"Confirm Replace Locked File\n\nThe file 'C:\\v\\\u00c5ngstr\u00f6m' is  currently locked.\n"
                  u"Do you want to replace it?");
        SysFreeString(path);
    }
}

TEST_F(FeedbackTest, ConfirmReplaceShowsAnyOtherPathWhole) {
    ui_testing::ScriptedPrompter prompter;
    ui::MessageBoxQuestion asked;
    prompter.AnswerMessageBox(IDNO, [&](const ui::MessageBoxQuestion& q) { asked = q; });
    BSTR path = SysAllocString(u"C:\\v\\Pump.sldprt");
    VARIANT_BOOL replace = 7;
    EXPECT_EQ(feedback_->ConfirmReplace(path, &replace), S_OK);
    EXPECT_NE(asked.text.find(u"'C:\\v\\Pump.sldprt'"), std::u16string::npos);
    SysFreeString(path);
}

// A dialog of the client library that counts how it was shown.
class FakeDialog final : public com_testing::UnexpectedDispatch<ITavroskDialog> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return com_testing::AnswerQuery(out, iid == IID_IUnknown || iid == ITavroskDialog::kIid ? this : nullptr);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references_.Release(); }
    HRESULT STDMETHODCALLTYPE ShowDialog(ULONGLONG parent, ITavroskDialog* self, VARIANT argument) override {
        ++shown;
        shownParent = parent;
        shownSelf = self;
        shownArgument = argument.lVal;
        return static_cast<HRESULT>(0x00040777);
    }

    int shown = 0;
    ULONGLONG shownParent = 0;
    ITavroskDialog* shownSelf = nullptr;
    LONG shownArgument = 0;

private:
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kOwnedByTest};
};

TEST_F(FeedbackTest, TheLibrarysDialogShowsItselfOverTheParentUnlessSilent) {
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_I4;
    argument.lVal = 12;

    SimpleTavroskFeedback* shown = nullptr;
    ASSERT_EQ(SimpleTavroskFeedback::mhCreate(0xFFFFFFFF00000042ULL, false, &shown), S_OK);
    FakeDialog dialog;
    EXPECT_EQ(shown->HandOffDialog(&dialog, argument), static_cast<HRESULT>(0x00040777));
    EXPECT_EQ(dialog.shown, 1);
    EXPECT_EQ(dialog.shownParent, 0x42u);  // the low 32 bits of the parent window
    EXPECT_EQ(dialog.shownSelf, &dialog);
    EXPECT_EQ(dialog.shownArgument, 12);
    Unknown(shown)->Release();

    SimpleTavroskFeedback* silent = nullptr;
    ASSERT_EQ(SimpleTavroskFeedback::mhCreate(0x42, true, &silent), S_OK);
    EXPECT_EQ(silent->HandOffDialog(&dialog, argument), S_OK);
    EXPECT_EQ(dialog.shown, 1);
    Unknown(silent)->Release();
}

TEST_F(FeedbackTest, TheCallbacksOfProgressDoNothing) {
    EXPECT_EQ(feedback_->SetProcess(nullptr, VARIANT_TRUE), S_OK);
    EXPECT_EQ(feedback_->ProgressNotice7(), S_OK);
    EXPECT_EQ(feedback_->ProgressNotice14(), S_OK);
    IUnknown* confirm = nullptr;
    EXPECT_EQ(
        Unknown(feedback_)->QueryInterface(TavroskClientLib::IConfirmReplace::kIid, reinterpret_cast<void**>(&confirm)),
        S_OK);
    confirm->Release();
}

}  // namespace
