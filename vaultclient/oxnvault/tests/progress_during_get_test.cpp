// The progress object while a real batch get runs: the user's Cancel in the
// window stops the get between two files, and an Abort answered in the
// window's message box stops it after the file that failed. Each file is
// then either got whole or untouched.
#include "com/ccom_bstr.h"
#include "com/ccom_ptr.h"
#include "com/error_info.h"
#include "com/record_info.h"
#include "com/safearray.h"
#include "com/server/com_object.h"
#include "common/error_codes.h"
#include "oxn_progress.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "oxnvault/selection.h"
#include "oxnvault/type_library.h"
#include "progress_window.h"
#include "small_vault.h"
#include "ui/message_box.h"
#include "ui/window.h"
#include "ui/window_functions.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"
#include "utilities.h"
#include "vaultdb/archive.h"
#include "winapi/path_mapping.h"

#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace OxnVaultLib;
namespace fs = std::filesystem;

// A get callback that shows the run in the progress object, as the item
// server's refresh does: each file a step whose answer says whether to go
// on, each failed file a question in the window's message box.
class ProgressCallback final : public IOxnGetOpCallback {
public:
    explicit ProgressCallback(IOxnProgress* progress) : progress_(progress) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IOxnGetOpCallback::kIid) return E_NOINTERFACE;
        *out = static_cast<IOxnGetOpCallback*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }
    HRESULT STDMETHODCALLTYPE BeginPhase(LONG, LONG value) override {
        return progress_->BeginOperation(CComBSTR(u"Get Latest Version"), CComBSTR(u"Getting files"), 0, value, 0, 1);
    }
    HRESULT STDMETHODCALLTYPE Step(LONG, BSTR text, LONG, VARIANT_BOOL* goOn) override {
        if (beforeStep_) beforeStep_(steps_);
        ++steps_;
        *goOn = progress_->StepText(text, 1) == S_FALSE ? VARIANT_FALSE : VARIANT_TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EndPhase(LONG) override { return progress_->StepDone(); }
    HRESULT STDMETHODCALLTYPE CheckReady() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetOption(LONG, LONG, SHORT* option) override {
        *option = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FileMessage(LONG, BSTR path, HRESULT, BSTR text, VARIANT_BOOL* goOn) override {
        std::u16string message = std::u16string(text ? text : u"") + u"\n\nFile: " + (path ? path : u"");
        LONG answer = 0;
        HRESULT hr =
            progress_->ShowMessage(CComBSTR(u"Get Latest Version"), CComBSTR(message.c_str()), 7, 'S', 0, &answer);
        if (FAILED(hr)) return hr;
        if (answer == oxnvault::COxnProgress::kAnswerAbort) progress_->Abort();
        *goOn = answer == oxnvault::COxnProgress::kAnswerAbort ? VARIANT_FALSE : VARIANT_TRUE;
        return S_OK;
    }

    std::function<void(int step)> beforeStep_;
    int steps_ = 0;

private:
    IOxnProgress* progress_;
    ULONG references_ = 1;
};

class ProgressDuringGetTest : public oxnvault_testing::SmallVaultTest {
protected:
    void SetUp() override {
        ui_testing::EnsureApplication();
        SmallVaultTest::SetUp();
        CComObject<oxnvault::COxnProgress>* object = nullptr;
        ASSERT_EQ(CComObject<oxnvault::COxnProgress>::CreateInstance(&object), S_OK);
        ASSERT_EQ(object->QueryInterface(IID_PPV_ARGS(&progress_)), S_OK);
        ASSERT_EQ(progress_->Open(CComBSTR(u"Get Latest Version"), CComBSTR(u"Calculating..."), 0, 0, 0, 7), S_OK);
        LONG handle = 0;
        ASSERT_EQ(progress_->GetWindow(&handle), S_OK);
        window_ = reinterpret_cast<HWND>(static_cast<intptr_t>(handle));
    }
    void TearDown() override {
        progress_.Release();
        SmallVaultTest::TearDown();
    }

    // A get of every file of the small vault (a.prt, b.prt, c.prt).
    CComPtr<IOxnBatchGet> BuiltGet() {
        CComPtr<IDispatch> utility;
        EXPECT_EQ(oxnvault::CreateBatchGet(session_, &utility), S_OK);
        CComQIPtr<IOxnBatchGet> get(utility.GetInterfacePtr());
        OxnVaultLib::RegisterRecords();
        IRecordInfo* info = nullptr;
        EXPECT_EQ(GetRecordInfoFromGuids(LIBID_OxnVaultLib, 5, 23, 9, OxnSelection::kRecordGuid, &info), S_OK);
        SAFEARRAY* array = SafeArrayCreateVectorEx(VT_RECORD, 0, 2, info);
        info->Release();
        static_cast<OxnSelection*>(array->pvData)[0] = {0, parts_};
        static_cast<OxnSelection*>(array->pvData)[1] = {0, otherFolder_};
        EXPECT_EQ(get->AddSelection(nullptr, array), S_OK);
        SafeArrayDestroy(array);
        EXPECT_EQ(get->BuildTree(0, kTreeGetLatest), S_OK);
        return CComPtr<IOxnBatchGet>(get.GetInterfacePtr());
    }

    // The names of the files in the view folder (temporary ones included).
    std::vector<std::string> ViewFiles() const {
        std::vector<std::string> files;
        const fs::path view(winapi::ToPosixPath(session_->viewPath));
        if (!fs::exists(view)) return files;
        for (const auto& entry : fs::recursive_directory_iterator(view))
            if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
        std::sort(files.begin(), files.end());
        return files;
    }

    // The user clicks Cancel; the click waits in Qt's queue until the
    // progress object lets messages through.
    void ClickCancelLater() const {
        HWND button = GetDlgItem(window_, oxnvault::IDC_OXN_PROGRESS_CANCEL);
        auto* qtButton = qobject_cast<QPushButton*>(ui::WindowFromHandle(button)->Widget());
        QTimer::singleShot(0, qtButton, [qtButton] { qtButton->click(); });
    }

    // The description the cancelled run left as the thread's error info
    // (taken, so the slot is empty again).
    static std::u16string TakeErrorText() {
        CComPtr<IErrorInfo> info;
        if (GetErrorInfo(0, &info) != S_OK || !info) return {};
        CComBSTR description;
        info->GetDescription(&description);
        return description.m_str ? std::u16string(description.m_str) : std::u16string();
    }

    CComPtr<IOxnProgress> progress_;
    HWND window_ = nullptr;
};

TEST_F(ProgressDuringGetTest, ACancelPressedInTheWindowStopsTheGetBetweenFiles) {
    CComPtr<IOxnBatchGet> get = BuiltGet();
    ProgressCallback callback(progress_);
    callback.beforeStep_ = [&](int step) {
        if (step == 1) ClickCancelLater();
    };
    EXPECT_EQ(get->Run(0, &callback), E_OXN_CANCELLED_BY_USER);
    EXPECT_EQ(TakeErrorText(), u"The get was cancelled.");
    EXPECT_EQ(callback.steps_, 2) << "the file whose step saw the cancel is not got";
    EXPECT_EQ(ViewFiles().size(), 1u) << "the first file got whole, no temporary file left";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window_, oxnvault::IDC_OXN_PROGRESS_CANCEL)));
    EXPECT_TRUE(IsWindow(window_));
}

TEST_F(ProgressDuringGetTest, AnAbortAnsweredForAFailedFileStopsTheGet) {
    // The first file's version has no contents in the archive any more.
    const LONG first = LONG(Scalar("SELECT MIN(id) FROM documents WHERE doc_type = 6"));
    fs::remove(Db().ArchiveFolder() / vaultdb::ArchiveFileName(first, 1));
    CComPtr<IOxnBatchGet> get = BuiltGet();
    ProgressCallback callback(progress_);
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDABORT, [&](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.owner, window_) << "the window owns the box";
        EXPECT_EQ(question.style, MB_ABORTRETRYIGNORE | MB_ICONSTOP);
        EXPECT_NE(question.text.find(u"\n\nFile: "), std::u16string::npos);
    });
    EXPECT_EQ(get->Run(0, &callback), E_OXN_CANCELLED_BY_USER);
    EXPECT_EQ(TakeErrorText(), u"The get was cancelled.");
    EXPECT_EQ(callback.steps_, 1);
    EXPECT_TRUE(ViewFiles().empty());
    EXPECT_EQ(progress_->StepText(nullptr, 1), S_FALSE) << "the abort holds for the rest of the operation";
}

}  // namespace
