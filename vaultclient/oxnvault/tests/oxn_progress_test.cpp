// The progress object and its window, headless: the window's parts, the
// bars as an operation drives them, a Cancel the user presses while the
// object lets messages through, and the questions it asks.
#include "com/bstr_t.h"
#include "com/com_ptr.h"
#include "com/runnable.h"
#include "com/runtime.h"
#include "com_testing/register_server.h"
#include "com/server/com_object.h"
#include "common/error_codes.h"
#include "oxn_progress.h"
#include "oxnvault/ids.h"
#include "progress_window.h"
#include "testsupport/fresh_machine.h"
#include "ui/application.h"
#include "ui/message_box.h"
#include "ui/message_queue.h"
#include "ui/window.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"

#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using oxnvault::COxnProgress;
using OxnVaultLib::IOxnProgress;

// A window standing in for the explorer's main window.
class OwnerWindow : public ui::Window {
public:
    HWND Make() { return Create(nullptr, u"Owner", RECT{100, 100, 700, 500}, WS_VISIBLE, u"Explorer"); }
};

LONG ValueOf(HWND hwnd) { return static_cast<LONG>(reinterpret_cast<intptr_t>(hwnd)); }

class OxnProgressTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        owner_.Make();
        CComObject<COxnProgress>* object = nullptr;
        ASSERT_EQ(CComObject<COxnProgress>::CreateInstance(&object), S_OK);
        ASSERT_EQ(object->QueryInterface(IID_PPV_ARGS(&progress_)), S_OK);
        ASSERT_EQ(progress_->SetOwner(ValueOf(owner_.Handle())), S_OK);
    }
    void TearDown() override {
        progress_ = nullptr;
        UiTest::TearDown();
    }

    // Opens the window as the refresh of the local files does.
    HWND OpenAsRefresh(LONG style = 7) {
        EXPECT_EQ(progress_->Open(caption_, _bstr_t(u"Calculating..."), 0, 0, 0, style), S_OK);
        LONG handle = 0;
        EXPECT_EQ(progress_->GetWindow(&handle), S_OK);
        return reinterpret_cast<HWND>(static_cast<intptr_t>(handle));
    }
    static std::u16string Text(HWND hwnd, int id) {
        WCHAR text[256];
        GetDlgItemTextW(hwnd, id, text, 256);
        return text;
    }
    static LRESULT Bar(HWND hwnd, UINT message, WPARAM wParam = 0, int id = oxnvault::IDC_OXN_PROGRESS_BAR) {
        return SendMessageW(GetDlgItem(hwnd, id), message, wParam, 0);
    }
    static bool Shown(HWND hwnd, int id) { return IsWindowVisible(GetDlgItem(hwnd, id)); }
    // The user clicks Cancel; the click waits in Qt's queue until the object
    // lets messages through.
    static void ClickCancelLater(HWND hwnd) {
        HWND button = GetDlgItem(hwnd, oxnvault::IDC_OXN_PROGRESS_CANCEL);
        auto* qtButton = qobject_cast<QPushButton*>(ui::WindowFromHandle(button)->Widget());
        QTimer::singleShot(0, qtButton, [qtButton] { qtButton->click(); });
    }

    OwnerWindow owner_;
    com::ComPtr<IOxnProgress> progress_;
    _bstr_t caption_{u"Get Latest Version"};
};

TEST_F(OxnProgressTest, AnswersItsInterfacesRunsAndKeepsUnusedSlotsClosed) {
    com::ComPtr<IDispatch> dispatch;
    EXPECT_EQ(progress_->QueryInterface(IID_PPV_ARGS(&dispatch)), S_OK);
    EXPECT_EQ(OleRun(progress_), S_OK);
    EXPECT_EQ(progress_->Reserved7(), E_UNEXPECTED);
    EXPECT_EQ(progress_->Reserved46(), E_UNEXPECTED);
    LONG handle = -1;
    EXPECT_EQ(progress_->GetWindow(&handle), E_OXN_NOT_INITIALIZED) << "no window before Open";
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(progress_->GetWindow(nullptr), E_POINTER);
}

TEST_F(OxnProgressTest, OpenShowsTheWindowOverItsOwnerWithTheChosenParts) {
    HWND hwnd = OpenAsRefresh();
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetParent(hwnd), owner_.Handle());
    WCHAR title[64];
    GetWindowTextW(hwnd, title, 64);
    EXPECT_EQ(std::u16string(title), u"Get Latest Version");
    EXPECT_EQ(Text(hwnd, oxnvault::IDC_OXN_PROGRESS_LINE1), u"Calculating...");
    EXPECT_EQ(Text(hwnd, oxnvault::IDC_OXN_PROGRESS_LINE2), u"");
    for (int id : {oxnvault::IDC_OXN_PROGRESS_LINE1, oxnvault::IDC_OXN_PROGRESS_BAR, oxnvault::IDC_OXN_PROGRESS_CANCEL})
        EXPECT_TRUE(Shown(hwnd, id)) << id;
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hwnd, oxnvault::IDC_OXN_PROGRESS_CANCEL)));

    // Opening again sets the same window anew; style 1 is the texts alone.
    EXPECT_EQ(OpenAsRefresh(1), hwnd);
    EXPECT_TRUE(Shown(hwnd, oxnvault::IDC_OXN_PROGRESS_LINE1));
    EXPECT_FALSE(Shown(hwnd, oxnvault::IDC_OXN_PROGRESS_BAR));
    EXPECT_FALSE(Shown(hwnd, oxnvault::IDC_OXN_PROGRESS_CANCEL));
    EXPECT_EQ(progress_->Open(caption_, nullptr, 0, 0, 0, 8), E_INVALIDARG);

    // Releasing the object closes its window.
    progress_ = nullptr;
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(OxnProgressTest, TheBarsAndLinesFollowTheOperationsStages) {
    HWND hwnd = OpenAsRefresh();
    EXPECT_EQ(Bar(hwnd, PBM_GETRANGE, FALSE), 0) << "nothing measured while calculating";
    EXPECT_EQ(progress_->StepDone(), S_OK);

    ASSERT_EQ(progress_->BeginOperation(caption_, _bstr_t(u"Getting Latest Version of files"), 0, 4, 0, 2), S_OK);
    EXPECT_EQ(Text(hwnd, oxnvault::IDC_OXN_PROGRESS_LINE1), u"Getting Latest Version of files");
    EXPECT_EQ(Bar(hwnd, PBM_GETRANGE, FALSE), 4);
    EXPECT_EQ(Bar(hwnd, PBM_GETPOS), 0);

    EXPECT_EQ(progress_->StepText(_bstr_t(u"Bracket.prt"), 1), S_OK);
    EXPECT_EQ(Text(hwnd, oxnvault::IDC_OXN_PROGRESS_LINE2), u"Bracket.prt");
    EXPECT_EQ(Bar(hwnd, PBM_GETPOS), 1);
    EXPECT_EQ(progress_->StepDone(), S_OK);
    EXPECT_EQ(Bar(hwnd, PBM_GETPOS), 3) << "StepDone advances by the operation's step";
    EXPECT_EQ(Text(hwnd, oxnvault::IDC_OXN_PROGRESS_LINE2), u"");

    EXPECT_EQ(progress_->SetRange(10), S_OK);
    EXPECT_EQ(progress_->SetSecondText(_bstr_t(u"Plate.prt"), 7), S_OK);
    EXPECT_EQ(Bar(hwnd, PBM_GETPOS), 7);
    EXPECT_EQ(Text(hwnd, oxnvault::IDC_OXN_PROGRESS_LINE2), u"Plate.prt");
    EXPECT_EQ(progress_->SetSecondText(nullptr, 25), S_OK);
    EXPECT_EQ(Bar(hwnd, PBM_GETPOS), 10) << "the position stays inside the range";
    EXPECT_EQ(Text(hwnd, oxnvault::IDC_OXN_PROGRESS_LINE2), u"");

    EXPECT_EQ(progress_->StepText(nullptr, 0x7FFFFFFF), S_OK);
    EXPECT_EQ(Bar(hwnd, PBM_GETPOS), 10) << "a step past the end stops at the end";

    EXPECT_EQ(progress_->SetSecondPosition(40), S_OK);
    EXPECT_EQ(Bar(hwnd, PBM_GETPOS, 0, oxnvault::IDC_OXN_PROGRESS_FILE_BAR), 40);
    EXPECT_EQ(progress_->SetSecondPosition(250), S_OK);
    EXPECT_EQ(Bar(hwnd, PBM_GETPOS, 0, oxnvault::IDC_OXN_PROGRESS_FILE_BAR), 100);

    EXPECT_EQ(progress_->SetTotals(9, 1, 10), S_OK);
    EXPECT_EQ(Text(hwnd, oxnvault::IDC_OXN_PROGRESS_TOTALS), u"9 of 10 files, 1 failed");
    EXPECT_EQ(progress_->SetTotals(10, 0, 10), S_OK);
    EXPECT_EQ(Text(hwnd, oxnvault::IDC_OXN_PROGRESS_TOTALS), u"10 of 10 files");
    EXPECT_EQ(progress_->SetTotals(-1, 0, 10), E_INVALIDARG);
    EXPECT_EQ(progress_->SetText(_bstr_t(u"Done")), S_OK);
    EXPECT_EQ(Text(hwnd, oxnvault::IDC_OXN_PROGRESS_LINE1), u"Done");
}

TEST_F(OxnProgressTest, WithoutAWindowTheSlotsShowNothingAndStillAnswer) {
    EXPECT_EQ(progress_->StepText(_bstr_t(u"a"), 1), S_OK);
    EXPECT_EQ(progress_->SetSecondText(_bstr_t(u"a"), 1), S_OK);
    EXPECT_EQ(progress_->StepDone(), S_OK);
    EXPECT_EQ(progress_->SetTotals(1, 0, 2), S_FALSE) << "nobody shows the totals";
    EXPECT_EQ(progress_->Abort(), S_OK);
    EXPECT_EQ(progress_->StepText(_bstr_t(u"a"), 1), S_FALSE) << "an abort holds without a window too";
}

TEST_F(OxnProgressTest, ACancelPressedWhileMessagesRunIsAnsweredFromThenOn) {
    HWND hwnd = OpenAsRefresh();
    HWND button = GetDlgItem(hwnd, oxnvault::IDC_OXN_PROGRESS_CANCEL);
    ASSERT_EQ(progress_->BeginOperation(caption_, _bstr_t(u"Getting"), 0, 3, 0, 1), S_OK);
    EXPECT_EQ(progress_->StepText(_bstr_t(u"a.prt"), 1), S_OK);

    ClickCancelLater(hwnd);
    EXPECT_EQ(progress_->StepText(_bstr_t(u"b.prt"), 1), S_FALSE);
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_EQ(progress_->SetSecondText(_bstr_t(u"c.prt"), 3), S_FALSE);
    EXPECT_TRUE(IsWindow(hwnd)) << "cancelling does not close the window";

    // The next stage of the same operation keeps the cancel; a new operation
    // forgets it.
    ASSERT_EQ(progress_->BeginOperation(caption_, _bstr_t(u"Getting"), 0, 3, 0, 1), S_OK);
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_EQ(progress_->StepText(nullptr, 1), S_FALSE);
    EXPECT_EQ(OpenAsRefresh(), hwnd);
    EXPECT_TRUE(IsWindowEnabled(button));
    EXPECT_EQ(progress_->StepText(nullptr, 1), S_OK);
}

TEST_F(OxnProgressTest, EscapeAndTheCloseBoxCancelOnlyWhileCancelIsOffered) {
    HWND hwnd = OpenAsRefresh(3);  // texts and bars, no Cancel
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ui::WindowFromHandle(hwnd)->Widget()->close();
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(progress_->StepText(nullptr, 1), S_OK);

    OpenAsRefresh(7);
    ui::WindowFromHandle(hwnd)->Widget()->close();
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(progress_->StepText(nullptr, 1), S_FALSE);
}

TEST_F(OxnProgressTest, AFileMessageIsAskedInABoxTheWindowOwns) {
    struct Case {
        LONG buttons;
        LONG icon;
        UINT style;
        int pressed;
        LONG answer;
    };
    const Case cases[] = {
        {7, 83, MB_ABORTRETRYIGNORE | MB_ICONSTOP, IDABORT, 4},
        {7, 83, MB_ABORTRETRYIGNORE | MB_ICONSTOP, IDRETRY, 2},
        {7, 83, MB_ABORTRETRYIGNORE | MB_ICONSTOP, IDIGNORE, 1},
        {7, 'W', MB_ABORTRETRYIGNORE | MB_ICONWARNING, IDIGNORE, 1},
        {6, 'Q', MB_RETRYCANCEL | MB_ICONQUESTION, IDCANCEL, 4},
        {5, 'I', MB_OKCANCEL | MB_ICONINFORMATION, IDOK, 1},
        {1, 0, MB_OK, IDOK, 1},
    };
    HWND hwnd = OpenAsRefresh();
    for (const Case& c : cases) {
        ui_testing::ScriptedPrompter prompter;
        prompter.AnswerMessageBox(c.pressed, [&](const ui::MessageBoxQuestion& question) {
            EXPECT_EQ(question.owner, hwnd);
            EXPECT_EQ(question.caption, u"Get Latest Version");
            EXPECT_EQ(question.text, u"Access denied\n\nFile: C:\\Views\\Demo\\a.prt");
            EXPECT_EQ(question.style, c.style);
        });
        LONG answer = -1;
        EXPECT_EQ(progress_->ShowMessage(caption_, _bstr_t(u"Access denied\n\nFile: C:\\Views\\Demo\\a.prt"), c.buttons,
                                         c.icon, 0, &answer),
                  S_OK);
        EXPECT_EQ(answer, c.answer) << c.buttons << " pressed " << c.pressed;
    }

    ui_testing::ScriptedPrompter nothingAsked;
    const LONG refused[][3] = {{0, 83, 0}, {2, 83, 0}, {3, 83, 0}, {8, 83, 0}, {7, 84, 0}, {7, 83, 1}};
    for (const auto& r : refused) {
        LONG answer = -1;
        EXPECT_EQ(progress_->ShowMessage(caption_, caption_, r[0], r[1], r[2], &answer), E_INVALIDARG) << r[0];
        EXPECT_EQ(answer, 0);
    }
    EXPECT_EQ(progress_->ShowMessage(caption_, caption_, 7, 83, 0, nullptr), E_POINTER);
}

TEST_F(OxnProgressTest, AnAbortAnsweredInABoxStopsTheOperation) {
    HWND hwnd = OpenAsRefresh();
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDABORT);
    LONG answer = 0;
    ASSERT_EQ(progress_->ShowMessage(caption_, _bstr_t(u"Locked"), 7, 83, 0, &answer), S_OK);
    ASSERT_EQ(answer, 4);
    EXPECT_EQ(progress_->Abort(), S_OK);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hwnd, oxnvault::IDC_OXN_PROGRESS_CANCEL)));
    EXPECT_EQ(progress_->StepText(nullptr, 1), S_FALSE);
    EXPECT_EQ(progress_->SetSecondText(nullptr, 1), S_FALSE);
}

TEST_F(OxnProgressTest, WithoutAWindowTheBoxBelongsToTheOwner) {
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(
        IDIGNORE, [&](const ui::MessageBoxQuestion& question) { EXPECT_EQ(question.owner, owner_.Handle()); });
    LONG answer = 0;
    EXPECT_EQ(progress_->ShowMessage(nullptr, nullptr, 7, 83, 0, &answer), S_OK);
    EXPECT_EQ(answer, 1);
}

TEST_F(OxnProgressTest, OwnersThatAreNoWindowsAndOwnersThatGo) {
    OwnerWindow gone;
    HWND goneHandle = gone.Make();
    DestroyWindow(goneHandle);
    EXPECT_EQ(progress_->SetOwner(ValueOf(goneHandle)), E_INVALIDARG);

    // The owner taken goes before the window opens: no window can be made.
    OwnerWindow second;
    ASSERT_EQ(progress_->SetOwner(ValueOf(second.Make())), S_OK);
    DestroyWindow(second.Handle());
    EXPECT_EQ(progress_->Open(caption_, nullptr, 0, 0, 0, 7), E_FAIL);
    LONG answer = -1;
    EXPECT_EQ(progress_->ShowMessage(caption_, caption_, 7, 83, 0, &answer), E_FAIL) << "no box could be shown";
    EXPECT_EQ(answer, 0);

    // An owner destroyed while the window is open takes the window with it;
    // the operation goes on without one, and a later Open makes a new one.
    ASSERT_EQ(progress_->SetOwner(ValueOf(owner_.Handle())), S_OK);
    HWND hwnd = OpenAsRefresh();
    DestroyWindow(owner_.Handle());
    EXPECT_FALSE(IsWindow(hwnd));
    LONG handle = -1;
    EXPECT_EQ(progress_->GetWindow(&handle), E_OXN_NOT_INITIALIZED);
    EXPECT_EQ(progress_->StepText(_bstr_t(u"a"), 1), S_OK);
    ASSERT_EQ(progress_->SetOwner(0), S_OK);
    HWND again = OpenAsRefresh();
    EXPECT_TRUE(IsWindow(again));
    EXPECT_EQ(GetParent(again), nullptr);
}

TEST_F(OxnProgressTest, AQuitRequestMetWhileMessagesRunIsKept) {
    OpenAsRefresh();
    PostQuitMessage(3);
    EXPECT_EQ(progress_->StepText(nullptr, 1), S_OK);
    EXPECT_EQ(progress_->SetSecondText(nullptr, 1), S_OK);
    EXPECT_EQ(ui::Application::Instance()->Run(), 3) << "the application's loop still ends";
}

// The vault client creates the object as the item server does: by class id
// in any context, run, then asked for its interface.
TEST(OxnProgressCreationTest, TheRegisteredClassGivesAProgressObjectWhoseWindowGoesWithIt) {
    ui_testing::EnsureApplication();
    testsupport::FreshMachine machine;
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    ASSERT_EQ(com_testing::RegisterServerLibrary(u"OxnVault.dll"), S_OK);
    HWND hwnd = nullptr;
    {
        com::ComPtr<IUnknown> unknown;
        ASSERT_EQ(CoCreateInstance(OxnVaultLib::CLSID_OxnProgress, nullptr, CLSCTX_ALL, IID_IUnknown,
                                   reinterpret_cast<void**>(&unknown)),
                  S_OK);
        ASSERT_EQ(OleRun(unknown), S_OK);
        com::ComPtr<IOxnProgress> progress;
        ASSERT_EQ(unknown->QueryInterface(IID_PPV_ARGS(&progress)), S_OK);
        ASSERT_EQ(progress->SetOwner(0), S_OK);
        ASSERT_EQ(progress->Open(_bstr_t(u"Get Latest Version"), _bstr_t(u"Calculating..."), 0, 0, 0, 7), S_OK);
        LONG handle = 0;
        ASSERT_EQ(progress->GetWindow(&handle), S_OK);
        hwnd = reinterpret_cast<HWND>(static_cast<intptr_t>(handle));
        EXPECT_TRUE(IsWindowVisible(hwnd));
    }
    EXPECT_FALSE(IsWindow(hwnd));
    CoFreeUnusedLibraries();
    CoUninitialize();
}

}  // namespace
