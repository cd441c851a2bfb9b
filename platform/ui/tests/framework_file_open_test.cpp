// CWinApp::OnFileOpen: the file question through the prompter, then a
// document titled with the chosen file.
#include "default_prompter.h"
#include "ui/framework/doc_template.h"
#include "ui/framework/document.h"
#include "ui/framework/frame_wnd.h"
#include "ui/framework/framework_ids.h"
#include "ui/framework/view.h"
#include "ui/framework/win_app.h"
#include "ui/message_queue.h"
#include "ui/string_table.h"
#include "ui/window_functions.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kResourceId = 4200;

class SketchDoc : public CDocument {
    DECLARE_DYNCREATE(SketchDoc)
};
IMPLEMENT_DYNCREATE(SketchDoc, CDocument)

class SketchView : public CView {
    DECLARE_DYNCREATE(SketchView)
public:
    void OnDraw(CDC*) override {}
};
IMPLEMENT_DYNCREATE(SketchView, CView)

class SketchFrame : public CFrameWnd {
    DECLARE_DYNCREATE(SketchFrame)
};
IMPLEMENT_DYNCREATE(SketchFrame, CFrameWnd)

class SketchApp : public CWinApp {
public:
    SketchApp() : CWinApp(u"Sketch") {}
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(SketchApp, CWinApp)
ON_COMMAND(ID_FILE_OPEN, &CWinApp::OnFileOpen)
END_MESSAGE_MAP()

class FrameworkFileOpenTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ui::RegisterStrings({{kResourceId, u"Sketch\n\nSketch\nSketch Files (*.skt)\n.skt"}});
        docTemplate = new CMultiDocTemplate(kResourceId, RUNTIME_CLASS(SketchDoc), RUNTIME_CLASS(SketchFrame),
                                            RUNTIME_CLASS(SketchView));
        app.AddDocTemplate(docTemplate);
    }
    void TearDown() override {
        std::vector<CDocument*> documents = Documents();
        for (CDocument* document : documents) document->OnCloseDocument();
        ui::PumpWaitingMessages();
        UiTest::TearDown();
    }
    std::vector<CDocument*> Documents() const {
        std::vector<CDocument*> documents;
        for (POSITION position = docTemplate->GetFirstDocPosition(); position;)
            documents.push_back(docTemplate->GetNextDoc(position));
        return documents;
    }
    // The command as the File menu's Open sends it.
    void Open() { app.OnCmdMsg(ID_FILE_OPEN, CN_COMMAND, nullptr, nullptr); }

    SketchApp app;
    CMultiDocTemplate* docTemplate = nullptr;  // owned by the application
};

TEST_F(FrameworkFileOpenTest, TheChosenFileOpensADocumentTitledWithItsName) {
    ui_testing::ScriptedPrompter prompter;
    prompter.ChooseFiles({u"/tmp/drawings/bracket.skt"}, [](const ui::FileQuestion& question) {
        EXPECT_EQ(question.title, u"Open");
        EXPECT_EQ(question.filter, u"Sketch Files (*.skt)|*.skt|All Files (*.*)|*.*||");
    });
    Open();
    std::vector<CDocument*> documents = Documents();
    ASSERT_EQ(documents.size(), 1u);
    EXPECT_EQ(std::u16string(documents[0]->GetTitle().GetString()), u"bracket.skt");
    EXPECT_EQ(std::u16string(documents[0]->GetPathName().GetString()), u"/tmp/drawings/bracket.skt");
    POSITION position = documents[0]->GetFirstViewPosition();
    CView* view = documents[0]->GetNextView(position);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(IsWindow(view->GetParentFrame()->m_hWnd));
}

TEST_F(FrameworkFileOpenTest, ACancelledQuestionOpensNothing) {
    ui_testing::ScriptedPrompter prompter;
    prompter.ChooseFiles({});
    Open();
    EXPECT_TRUE(Documents().empty());
    EXPECT_EQ(prompter.AskedFiles().size(), 1u);
}

TEST_F(FrameworkFileOpenTest, TheScriptedPrompterFailsOnAnUnexpectedOrOverfullFileQuestion) {
    EXPECT_NONFATAL_FAILURE(
        {
            ui_testing::ScriptedPrompter prompter;
            Open();
        },
        "unexpected file question \"Open\"");
    EXPECT_NONFATAL_FAILURE(
        {
            ui_testing::ScriptedPrompter prompter;
            prompter.ChooseFiles({u"/a.skt", u"/b.skt"});
            Open();
        },
        "takes one file, 2 were scripted");
    EXPECT_TRUE(Documents().empty());
}

TEST(FileDialogFilterTest, TheSystemsFilterBecomesQtsNameFilters) {
    struct Case {
        const char16_t* filter;
        const char* expected;
    };
    const Case cases[] = {
        {u"Sketch Files (*.skt)|*.skt|All Files (*.*)|*.*||", "Sketch Files (*.skt) (*.skt);;All Files (*.*) (*.*)"},
        {u"Pictures|*.png;*.jpg||", "Pictures (*.png *.jpg)"},
        {u"Text|*.txt", "Text (*.txt)"},  // no closing bars
        {u"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ui::detail::FileDialogFilter(c.filter).toStdString(), c.expected) << c.expected;
}

}  // namespace
