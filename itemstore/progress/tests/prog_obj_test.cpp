// The progress object and its window, headless (QT_QPA_PLATFORM=offscreen).
#include "bellquist/enums.h"
#include "com/bstr_t.h"
#include "common/error_codes.h"
#include "itemstore/progress/itm_progress.h"
#include "progress_dlg.h"
#include "tesspur/tesspur.h"
#include "testsupport/fresh_machine.h"
#include "ui/application.h"
#include "ui/message_box.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"
#include "winapi/path_mapping.h"

#include <QImage>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// A parent window standing in for the explorer's main window.
class ParentWindow : public ui::Window {
public:
    HWND Make(bool visible) {
        return Create(nullptr, u"Parent", RECT{100, 100, 600, 400}, visible ? WS_VISIBLE : 0, u"Explorer");
    }
};

class ProgObjTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        parent_.Make(true);
        progress_ = gpoCreateProgObj(parent_.Handle());
        ASSERT_NE(progress_, nullptr);
    }
    void TearDown() override {
        if (progress_) progress_->Release();
        UiTest::TearDown();
    }

    // The open progress window, found as any window of the process is.
    static HWND Window(const char16_t* caption) { return FindWindowW(u"#32770", caption); }
    static ui::Dialog* DialogOf(HWND hwnd) { return dynamic_cast<ui::Dialog*>(ui::WindowFromHandle(hwnd)); }
    static std::u16string Line(HWND hwnd, int id) {
        WCHAR text[256];
        GetDlgItemTextW(hwnd, id, text, 256);
        return text;
    }
    static LRESULT Bar(HWND hwnd, UINT message, WPARAM wParam = 0) {
        return SendMessageW(GetDlgItem(hwnd, IDC_PROGRESS_BAR), message, wParam, 0);
    }

    ParentWindow parent_;
    IItmProgress* progress_ = nullptr;
    _bstr_t caption_{u"Check In"};
};

TEST_F(ProgObjTest, AnswersItsThreeInterfacesOnly) {
    IUnknown* unknown = nullptr;
    ASSERT_EQ(progress_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(progress_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(dispatch), unknown);
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(progress_->QueryInterface(IID_ITypeInfo, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), E_NOTIMPL);
    dispatch->Release();
    EXPECT_EQ(unknown->Release(), 1u);
}

TEST_F(ProgObjTest, ShowOpensTheWindowCentredOverItsParentWithClearedLines) {
    ASSERT_EQ(progress_->Show(caption_, BellquistLib::ItmProgLay_CancelBtn), S_OK);
    HWND hwnd = Window(u"Check In");
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetParent(hwnd), parent_.Handle());
    EXPECT_EQ(Line(hwnd, IDC_PROGRESS_MESSAGE1), u"");
    EXPECT_EQ(Line(hwnd, IDC_PROGRESS_MESSAGE2), u"");
    EXPECT_EQ(Line(hwnd, IDC_PROGRESS_CANCEL), u"Cancel");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(hwnd, IDC_PROGRESS_CANCEL)));

    RECT window{}, owner{};
    GetWindowRect(hwnd, &window);
    GetWindowRect(parent_.Handle(), &owner);
    // Within the frame's width: a hidden window's frame is unknown until
    // the platform first shows it.
    EXPECT_NEAR((window.left + window.right) / 2, (owner.left + owner.right) / 2, 4);
    EXPECT_NEAR((window.top + window.bottom) / 2, (owner.top + owner.bottom) / 2, 4);

    // A second Show changes nothing, the caption included.
    EXPECT_EQ(progress_->Show(_bstr_t(u"Other"), BellquistLib::ItmProgLay_Nothing), S_OK);
    EXPECT_EQ(Window(u"Other"), nullptr);
    EXPECT_EQ(Window(u"Check In"), hwnd);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(hwnd, IDC_PROGRESS_CANCEL)));

    EXPECT_EQ(progress_->Close(), S_OK);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(progress_->Close(), S_OK);
}

TEST_F(ProgObjTest, WithoutTheCancelLayoutTheButtonIsHidden) {
    ASSERT_EQ(progress_->Show(caption_, BellquistLib::ItmProgLay_Nothing), S_OK);
    HWND hwnd = Window(u"Check In");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(hwnd, IDC_PROGRESS_CANCEL)));
    EXPECT_FALSE(DialogOf(hwnd)->PressButton(IDC_PROGRESS_CANCEL));
}

TEST_F(ProgObjTest, TheCancelButtonTextComesFromTheStringManager) {
    testsupport::FreshMachine machine;
    std::filesystem::path folder = machine.root() / "LanFiles";
    std::filesystem::create_directories(folder / "DE");
    std::ofstream(folder / "DE" / "ZENTRAVIKO VYL.txt") << "StrWnd|StrWnd|2=Abbrechen\n";
    std::u16string folderText = winapi::FromPosixPath(folder.string()) + u"/";
    gvInitStrDll(u"ZENTRAVIKO", u"ZENTRAVIKO VYL", u"DE", folderText.c_str(), nullptr);
    HRESULT shown = progress_->Show(caption_, BellquistLib::ItmProgLay_CancelBtn);
    std::u16string text = Line(Window(u"Check In"), IDC_PROGRESS_CANCEL);
    gvInitStrDll(nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(shown, S_OK);
    EXPECT_EQ(text, u"Abbrechen");
}

TEST_F(ProgObjTest, RangeAndPositionMoveTheBarAndTheLines) {
    ASSERT_EQ(progress_->Show(caption_, BellquistLib::ItmProgLay_CancelBtn), S_OK);
    HWND hwnd = Window(u"Check In");
    ASSERT_EQ(progress_->SetRange(250, _bstr_t(u"Checking in 3 items")), S_OK);
    EXPECT_EQ(Bar(hwnd, PBM_GETRANGE, FALSE), 250);
    EXPECT_EQ(Bar(hwnd, PBM_GETRANGE, TRUE), 0);
    EXPECT_EQ(Line(hwnd, IDC_PROGRESS_MESSAGE1), u"Checking in 3 items");

    ASSERT_EQ(progress_->SetPos(100, _bstr_t(u"Bracket.itm")), S_OK);
    EXPECT_EQ(Bar(hwnd, PBM_GETPOS), 100);
    EXPECT_EQ(Line(hwnd, IDC_PROGRESS_MESSAGE2), u"Bracket.itm");
    ASSERT_EQ(progress_->SetPos(120, nullptr), S_OK);
    EXPECT_EQ(Line(hwnd, IDC_PROGRESS_MESSAGE2), u"") << "a null line is empty";

    ASSERT_EQ(progress_->SetRange(10, nullptr), S_OK);
    EXPECT_EQ(Line(hwnd, IDC_PROGRESS_MESSAGE1), u"");
    EXPECT_EQ(Line(hwnd, IDC_PROGRESS_MESSAGE2), u"") << "a new range clears the second line";
    EXPECT_EQ(Bar(hwnd, PBM_GETPOS), 10) << "the position stays inside the range";

    EXPECT_EQ(progress_->ResetPos(), S_OK);
    EXPECT_EQ(Bar(hwnd, PBM_GETPOS), 0);
}

TEST_F(ProgObjTest, ACancelClickedWhileSetPosPumpsIsReportedFromThenOn) {
    ASSERT_EQ(progress_->Show(caption_, BellquistLib::ItmProgLay_CancelBtn), S_OK);
    HWND hwnd = Window(u"Check In");
    HWND button = GetDlgItem(hwnd, IDC_PROGRESS_CANCEL);
    EXPECT_EQ(progress_->SetPos(1, nullptr), S_OK);

    // The user's click waits in Qt's queue; SetPos's pump delivers it.
    auto* qtButton = qobject_cast<QPushButton*>(ui::WindowFromHandle(button)->Widget());
    QTimer::singleShot(0, qtButton, [qtButton] { qtButton->click(); });
    EXPECT_EQ(progress_->SetPos(2, nullptr), E_OXN_CANCELLED_BY_USER);
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_EQ(progress_->SetPos(3, nullptr), E_OXN_CANCELLED_BY_USER);
    EXPECT_TRUE(IsWindow(hwnd)) << "cancelling does not close the window";

    // Without a window SetPos does nothing, even after the cancel.
    progress_->Close();
    EXPECT_EQ(progress_->SetPos(4, nullptr), S_OK);
}

TEST_F(ProgObjTest, EnterEscapeAndTheCloseBoxNeitherCancelNorClose) {
    ASSERT_EQ(progress_->Show(caption_, BellquistLib::ItmProgLay_CancelBtn), S_OK);
    HWND hwnd = Window(u"Check In");
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ui::WindowFromHandle(hwnd)->Widget()->close();
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hwnd, IDC_PROGRESS_CANCEL)));
    EXPECT_EQ(progress_->SetPos(1, nullptr), S_OK);
}

TEST_F(ProgObjTest, AQuitRequestMetWhileSetPosPumpsIsKept) {
    ASSERT_EQ(progress_->Show(caption_, BellquistLib::ItmProgLay_CancelBtn), S_OK);
    PostQuitMessage(4);
    EXPECT_EQ(progress_->SetPos(1, nullptr), S_OK);
    EXPECT_EQ(progress_->SetPos(2, nullptr), S_OK);
    EXPECT_EQ(ui::Application::Instance()->Run(), 4) << "the application's loop still ends";
}

TEST_F(ProgObjTest, ShowFailsForAParentThatIsNoWindow) {
    ParentWindow gone;
    HWND goneHandle = gone.Make(false);
    DestroyWindow(goneHandle);
    IItmProgress* orphan = gpoCreateProgObj(goneHandle);
    EXPECT_EQ(orphan->Show(caption_, BellquistLib::ItmProgLay_CancelBtn), E_FAIL);
    EXPECT_EQ(orphan->SetPos(1, nullptr), S_OK);
    LONG answer = -1;
    ui_testing::ScriptedPrompter prompter;
    EXPECT_EQ(orphan->Ask(caption_, _bstr_t(u"Go on?"), 24, &answer), E_FAIL) << "no box could be shown";
    EXPECT_EQ(answer, 0);
    EXPECT_TRUE(prompter.AskedMessageBoxes().empty());
    orphan->Release();
}

TEST_F(ProgObjTest, AskAcceptsFiveButtonSetsAndAnswersWithTheButtonsBit) {
    struct Accepted {
        LONG mask;
        UINT style;
        int pressed;
        LONG answer;
    };
    const Accepted accepted[] = {
        {1, MB_OK, IDOK, 1},
        {3, MB_OKCANCEL, IDCANCEL, 2},
        {6, MB_RETRYCANCEL, IDRETRY, 4},
        {24, MB_YESNO, IDYES, 8},
        {24, MB_YESNO, IDNO, 16},
        {26, MB_YESNOCANCEL, IDCANCEL, 2},
        {26, MB_YESNOCANCEL, IDNO, 16},
    };
    ASSERT_EQ(progress_->Show(caption_, BellquistLib::ItmProgLay_CancelBtn), S_OK);
    HWND hwnd = Window(u"Check In");
    for (const auto& c : accepted) {
        ui_testing::ScriptedPrompter prompter;
        prompter.AnswerMessageBox(c.pressed, [&](const ui::MessageBoxQuestion& question) {
            EXPECT_EQ(question.owner, hwnd) << "owned by the progress window";
            EXPECT_EQ(question.caption, u"Locked File");
            EXPECT_EQ(question.text, u"Replace it?");
            EXPECT_EQ(question.style, MB_ICONEXCLAMATION | c.style);
        });
        LONG answer = -1;
        EXPECT_EQ(progress_->Ask(_bstr_t(u"Locked File"), _bstr_t(u"Replace it?"), c.mask, &answer), S_OK);
        EXPECT_EQ(answer, c.answer) << "mask " << c.mask;
    }

    ui_testing::ScriptedPrompter nothingAsked;
    for (LONG mask = 0; mask < 32; ++mask) {
        if (mask == 1 || mask == 3 || mask == 6 || mask == 24 || mask == 26) continue;
        LONG answer = -1;
        EXPECT_EQ(progress_->Ask(caption_, caption_, mask, &answer), E_INVALIDARG) << "mask " << mask;
    }
    EXPECT_EQ(progress_->Ask(caption_, caption_, 64, nullptr), E_POINTER);
}

TEST_F(ProgObjTest, WithoutAWindowAskIsOwnedByTheParent) {
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(
        IDYES, [&](const ui::MessageBoxQuestion& question) { EXPECT_EQ(question.owner, parent_.Handle()); });
    LONG answer = 0;
    EXPECT_EQ(progress_->Ask(nullptr, nullptr, 24, &answer), S_OK);
    EXPECT_EQ(answer, 8);
}

}  // namespace
