// CDialog over registered templates: DoModal through the prompter, its
// message map, CWnd wrappers of its controls, and the controls' colours
// from WM_CTLCOLOR.
#include "ui/dialog.h"
#include "ui/dialog_resource.h"
#include "ui/framework/dc.h"
#include "ui/framework/dialog.h"
#include "ui/gdi_objects.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kTemplateId = 4100;
constexpr int kLabel = 1017;
constexpr int kEdit = 1016;
constexpr int kReadOnly = 1015;
constexpr int kOther = 1020;  // a button the dialog's map ends with 42

const ui::DialogTemplate& TestTemplate() {
    static const ui::DialogTemplate dialogTemplate{
        kTemplateId,
        "Framework test",
        u"Framework dialog",
        200,
        100,
        u"MS Shell Dlg",
        8,
        {
            {kLabel, ui::ControlKind::Static, u"Client version:", 0, 10, 90, 8, SS_RIGHT},
            {kEdit, ui::ControlKind::Edit, u"", 100, 10, 90, 14, WS_BORDER},
            {kReadOnly, ui::ControlKind::Edit, u"", 100, 30, 90, 14, ES_READONLY | WS_BORDER},
            {kOther, ui::ControlKind::Button, u"Other", 10, 80, 50, 14},
            {IDOK, ui::ControlKind::Button, u"OK", 90, 80, 50, 14, BS_DEFPUSHBUTTON},
            {IDCANCEL, ui::ControlKind::Button, u"Cancel", 145, 80, 50, 14},
        },
    };
    return dialogTemplate;
}

class TestDialog : public CDialog {
public:
    TestDialog() : CDialog(kTemplateId) {}
    std::vector<std::string> calls;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        calls.push_back("init");
        // The controls are CWnds to the dialog's code.
        CWnd* edit = GetDlgItem(kEdit);
        EXPECT_NE(edit, nullptr);
        if (edit) {
            EXPECT_EQ(edit->GetDlgCtrlID(), kEdit);
            EXPECT_EQ(edit->GetParent(), this);
            edit->SetWindowText(u"28.1 (B78)");
        }
        SetWindowText(u"About Test");
        return TRUE;
    }
    void OnOK() override {
        calls.push_back("ok");
        CDialog::OnOK();
    }
    void OnCancel() override {
        calls.push_back("cancel");
        CDialog::OnCancel();
    }
    void OnOther() {
        calls.push_back("other");
        EndDialog(42);
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TestDialog, CDialog)
ON_BN_CLICKED(kOther, &TestDialog::OnOther)
END_MESSAGE_MAP()

class FrameworkDialogTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ui::RegisterDialogTemplate(TestTemplate());
    }
    void TearDown() override {
        ui::UnregisterDialogTemplate(kTemplateId);
        UiTest::TearDown();
    }
};

struct EndCase {
    int button;
    INT_PTR result;
    const char* handler;
};

TEST_F(FrameworkDialogTest, DoModalRunsInitThenTheMapsHandlerOfTheButtonPressed) {
    const EndCase cases[] = {{IDOK, IDOK, "ok"}, {IDCANCEL, IDCANCEL, "cancel"}, {kOther, 42, "other"}};
    for (const EndCase& c : cases) {
        TestDialog dialog;
        ui_testing::ScriptedPrompter prompter;
        prompter.DriveDialog(kTemplateId, [&](ui::PromptedDialog& prompted) {
            EXPECT_EQ(prompted.Caption(), u"About Test");
            EXPECT_EQ(prompted.ControlText(kEdit), u"28.1 (B78)");
            // The dialog's handle is the CDialog's.
            ASSERT_NE(dialog.m_hWnd, nullptr);
            EXPECT_EQ(CWnd::FromHandle(dialog.m_hWnd), &dialog);
            EXPECT_EQ(CWnd::FromHandlePermanent(dialog.m_hWnd), &dialog);
            EXPECT_EQ(CWnd::FromHandle(GetDlgItem(dialog.m_hWnd, kLabel)), dialog.GetDlgItem(kLabel));
            EXPECT_EQ(CWnd::FromHandlePermanent(GetDlgItem(dialog.m_hWnd, kLabel)), nullptr);
            EXPECT_TRUE(prompted.PressButton(c.button));
        });
        EXPECT_EQ(dialog.DoModal(), c.result) << c.handler;
        EXPECT_EQ(dialog.calls, (std::vector<std::string>{"init", c.handler}));
        EXPECT_EQ(dialog.m_hWnd, nullptr) << "the window is gone after DoModal";
    }
}

TEST_F(FrameworkDialogTest, EnterAndTheCloseButtonGoThroughOnOKAndOnCancel) {
    TestDialog dialog;
    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog(kTemplateId, [&](ui::PromptedDialog&) {
        // The close button, as the title bar sends it.
        SendMessageW(dialog.m_hWnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{"init", "cancel"}));
}

TEST_F(FrameworkDialogTest, AnUnregisteredTemplateAsksNothingAndGivesMinusOne) {
    CDialog dialog(kTemplateId + 1);
    ui_testing::ScriptedPrompter prompter;
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_TRUE(prompter.RunDialogs().empty());
}

TEST_F(FrameworkDialogTest, AModelessDialogIsCreatedOnceAndEndDialogHidesIt) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create(kTemplateId));
    EXPECT_FALSE(dialog.Create(kTemplateId)) << "it exists already";
    EXPECT_EQ(dialog.calls, std::vector<std::string>{"init"});
    dialog.ShowWindow(SW_SHOW);
    EXPECT_TRUE(dialog.IsWindowVisible());
    EXPECT_TRUE(::EndDialog(dialog.m_hWnd, IDOK));
    EXPECT_FALSE(dialog.IsWindowVisible());
    HWND hwnd = dialog.m_hWnd;
    EXPECT_TRUE(dialog.DestroyWindow());
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

// Colours as the About box gives them: the dialog white, the labels
// transparent over it, the edits on their own brush.
class ColourDialog : public CDialog {
public:
    ColourDialog() : CDialog(kTemplateId) {}
    ~ColourDialog() override { DeleteObject(editBrush_); }
    bool colour = true;
    std::vector<int> askedIds;
    std::vector<UINT> askedKinds;

protected:
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
        HBRUSH brush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
        int id = pWnd ? pWnd->GetDlgCtrlID() : -1;
        askedIds.push_back(id);
        askedKinds.push_back(nCtlColor);
        if (!colour) return brush;
        if (nCtlColor == CTLCOLOR_DLG) return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        if (id == kLabel) {
            pDC->SetTextColor(RGB(200, 0, 0));
            pDC->SetBkMode(TRANSPARENT);
            return static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
        }
        pDC->SetTextColor(RGB(255, 255, 255));
        return editBrush_;
    }
    DECLARE_MESSAGE_MAP()

private:
    HBRUSH editBrush_ = CreateSolidBrush(RGB(0, 0, 160));
};
BEGIN_MESSAGE_MAP(ColourDialog, CDialog)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

QWidget* WidgetOf(HWND hwnd) { return ui::WindowFromHandle(hwnd)->Widget(); }

TEST_F(FrameworkDialogTest, WmCtlColorGivesTheControlsAndTheDialogTheirColours) {
    ColourDialog dialog;
    ASSERT_TRUE(dialog.Create(kTemplateId));
    // Asked for each control once the dialog is initialised, with the
    // kind of the control: a read-only edit asks as a label does.
    auto askedKind = [&](int id) {
        for (std::size_t i = 0; i < dialog.askedIds.size(); ++i)
            if (dialog.askedIds[i] == id) return static_cast<int>(dialog.askedKinds[i]);
        return -1;
    };
    EXPECT_EQ(askedKind(kLabel), CTLCOLOR_STATIC);
    EXPECT_EQ(askedKind(kEdit), CTLCOLOR_EDIT);
    EXPECT_EQ(askedKind(kReadOnly), CTLCOLOR_STATIC);
    EXPECT_EQ(askedKind(IDOK), CTLCOLOR_BTN);

    QWidget* dialogWidget = WidgetOf(dialog.m_hWnd);
    dialogWidget->setPalette(QPalette(QColor(0, 160, 0)));  // green unless WM_CTLCOLORDLG paints
    QImage image = dialogWidget->grab().toImage();
    EXPECT_EQ(askedKind(0), CTLCOLOR_DLG) << "the dialog asks for its own background when it paints";

    auto pixelIn = [&](int id, int dx, int dy) {
        QWidget* control = WidgetOf(GetDlgItem(dialog.m_hWnd, id));
        QPoint point = control->geometry().topLeft() + QPoint(dx, dy);
        return image.pixelColor(point * image.devicePixelRatio()).rgb();
    };
    QWidget* label = WidgetOf(GetDlgItem(dialog.m_hWnd, kLabel));
    // The label is right-aligned: its left end shows the dialog's white
    // through the hollow brush; its text is red.
    EXPECT_EQ(pixelIn(kLabel, 1, label->height() / 2), QColor(Qt::white).rgb());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(200, 0, 0));
    QWidget* edit = WidgetOf(GetDlgItem(dialog.m_hWnd, kEdit));
    EXPECT_EQ(pixelIn(kEdit, edit->width() / 2, edit->height() / 2), QColor(0, 0, 160).rgb());
    EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(255, 255, 255));

    // Answering 0 gives the controls their own colours back at their next paint.
    dialog.colour = false;
    edit->grab();
    EXPECT_NE(edit->palette().color(QPalette::Base), QColor(0, 0, 160));
    dialog.DestroyWindow();
}

}  // namespace
