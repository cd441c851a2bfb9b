// The two callbacks the vault's batch get calls while it runs: the simple
// one of get latest and check-out, and the basic one of the refresh of the
// local cache that drives the vault client's progress object.

#include "oxn_basic_get_op_callback.h"
#include "oxn_get_op_callback.h"

#include "fake_oxn_vault.h"

#include "com/bstr_t.h"
#include "com/ccom_ptr.h"
#include "com_testing/leak_checked_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace OxnVaultLib;
using oxn_test::FakeOxnProgress;
using oxn_test::FakeOxnVault;
using oxn_test::OxnLog;

namespace {

constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x80040201);
constexpr HRESULT kNeedMigrating = static_cast<HRESULT>(0x80040249);
constexpr HRESULT kFileIsLocked = static_cast<HRESULT>(0x80040211);

using Strings = std::vector<std::string>;

TEST(OxnGetOpCallbackTest, AcceptsEveryNoticeAndAlwaysGoesOn) {
    CComPtr<IOxnGetOpCallback> callback;
    ASSERT_EQ(OxnGetOpCallbackImpl::mhCreate(&callback), S_OK);
    CComPtr<IOxnGetOpCallback2> second;
    EXPECT_EQ(callback->QueryInterface(IOxnGetOpCallback2::kIid, reinterpret_cast<void**>(&second)), E_NOINTERFACE);
    _bstr_t text(u"text"), path(u"C:\\View\\a.part");
    VARIANT_BOOL goOn = VARIANT_FALSE;
    SHORT option = 7;
    EXPECT_EQ(callback->BeginPhase(2, 10), S_OK);
    EXPECT_EQ(callback->Step(2, text, 1, &goOn), S_OK);
    EXPECT_EQ(callback->EndPhase(2), S_OK);
    EXPECT_EQ(callback->CheckReady(), S_OK);
    EXPECT_EQ(callback->GetOption(2, 0, &option), S_OK);
    EXPECT_EQ(callback->FileMessage(12, path, kFileIsLocked, text, &goOn), S_OK);
    EXPECT_EQ(goOn, VARIANT_TRUE);
}

class OxnBasicGetOpCallbackTest : public com_testing::LeakCheckedTest {
protected:
    // The callback over the fake progress object (or none).
    CComPtr<IOxnGetOpCallback3> Make(bool withProgress = true) {
        OxnBasicGetOpCallbackImpl* created = nullptr;
        EXPECT_EQ(
            OxnBasicGetOpCallbackImpl::mhCreate(&vault_, u"Get Latest Version", u"Getting Latest Version of files",
                                                withProgress ? &progress_ : nullptr, &created),
            S_OK);
        return CComPtr<IOxnGetOpCallback3>(created, false);
    }
    VARIANT_BOOL Step(IOxnGetOpCallback3* callback, LONG kind, const char16_t* text, LONG value) {
        _bstr_t bsText(text);
        VARIANT_BOOL goOn = 7;
        EXPECT_EQ(callback->Step(kind, bsText, value, &goOn), S_OK);
        return goOn;
    }
    VARIANT_BOOL FileMessage(IOxnGetOpCallback3* callback, HRESULT result, HRESULT expected = S_OK) {
        _bstr_t text(u"The file is locked."), path(u"C:\\View\\P\\a.part");
        VARIANT_BOOL goOn = 7;
        EXPECT_EQ(callback->FileMessage(12, path, result, text, &goOn), expected);
        return goOn;
    }
    Strings Taken() { return std::exchange(log_.calls, {}); }

    OxnLog log_;
    FakeOxnVault vault_{log_};
    FakeOxnProgress progress_{log_};
};

TEST_F(OxnBasicGetOpCallbackTest, ShowsThePhasesAndStepsOfARun) {
    CComPtr<IOxnGetOpCallback3> callback = Make();
    EXPECT_EQ(callback->BeginPhase(1, 10), S_OK);
    EXPECT_EQ(Step(callback, 1, u"Building the tree", 0), VARIANT_TRUE);
    EXPECT_EQ(callback->EndPhase(1), S_OK);
    EXPECT_EQ(callback->BeginPhase(2, 5), S_OK);
    EXPECT_EQ(Step(callback, 2, u"a.part", 1), VARIANT_TRUE);
    EXPECT_EQ(callback->SetFilePosition(50), S_OK);
    EXPECT_EQ(callback->SetTotals(1, 0, 5), S_OK);
    EXPECT_EQ(callback->EndPhase(3), S_OK);
    EXPECT_EQ(callback->CheckReady(), S_OK);
    SHORT option = 7;
    EXPECT_EQ(callback->GetOption(2, 0, &option), S_OK);
    EXPECT_EQ(option, 0);
    EXPECT_EQ(Taken(), (Strings{"p43 'Get Latest Version' 'Getting Latest Version of files' 1 10 0 1",
                                "p12 'Building the tree' 1", "p19", "p47 'Getting Latest Version of files'",
                                "p12 ' ' 1", "p44 5", "p45 'a.part' 1", "p42 50", "p28 1 0 5", "p45 '' 0"}));

    // The progress object's answers to a new operation and to totals come
    // back as they are.
    progress_.beginResult = E_FAIL;
    progress_.totalsResult = S_FALSE;
    EXPECT_EQ(callback->BeginPhase(1, 3), E_FAIL);
    EXPECT_EQ(callback->SetTotals(1, 1, 3), S_FALSE);
}

// A cancel through the progress object stops the run, and from then on a
// failed file shows no box; a file that only needs migrating never does.
TEST_F(OxnBasicGetOpCallbackTest, AfterACancelFileMessagesGoOnWithoutABox) {
    CComPtr<IOxnGetOpCallback3> callback = Make();
    progress_.messageAnswer = 2;  // retry: go on
    EXPECT_EQ(FileMessage(callback, kFileIsLocked), VARIANT_TRUE);
    EXPECT_EQ(FileMessage(callback, kNeedMigrating), VARIANT_TRUE);
    EXPECT_EQ(Taken(),
              (Strings{"p22 'Get Latest Version' 'The file is locked.\n\nFile: C:\\View\\P\\a.part' 7 83 0 0"}));

    progress_.cancelled = true;
    EXPECT_EQ(Step(callback, 1, u"next", 2), VARIANT_FALSE);
    progress_.cancelled = false;  // the callback remembers, whatever the progress says later
    EXPECT_EQ(FileMessage(callback, kFileIsLocked), VARIANT_TRUE);
    EXPECT_EQ(Taken(), (Strings{"p12 'next' 1"}));
    EXPECT_TRUE(static_cast<OxnBasicGetOpCallbackImpl*>(callback.GetInterfacePtr())->mbIsCancelled());
}

TEST_F(OxnBasicGetOpCallbackTest, AbortInTheFileBoxAbortsTheProgressAndStopsTheRun) {
    CComPtr<IOxnGetOpCallback3> callback = Make();
    progress_.messageAnswer = OxnBasicGetOpCallbackImpl::kAnswerAbort;
    EXPECT_EQ(FileMessage(callback, kFileIsLocked), VARIANT_FALSE);
    Strings calls = Taken();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1], "p17");

    // A box that cannot be shown is the callback's failure, with the
    // progress object's error info.
    progress_.messageFailure = E_FAIL;
    FileMessage(callback, kFileIsLocked, E_FAIL);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BSTR description = nullptr;
    info->GetDescription(&description);
    EXPECT_EQ(com::BstrText(description), u"No box today.");
    SysFreeString(description);
    info->Release();
}

// One answer holds for the files that follow until the run asks anew or
// forgets it.
TEST_F(OxnBasicGetOpCallbackTest, KeepsTheAnswerUntilAskedAnewOrForgotten) {
    CComPtr<IOxnGetOpCallback3> callback = Make();
    VARIANT empty;
    VariantInit(&empty);
    VARIANT askAgain;
    VariantInit(&askAgain);
    askAgain.vt = VT_I4;
    askAgain.lVal = 1;
    VARIANT zero = askAgain;
    zero.lVal = 0;
    struct Ask {
        VARIANT* option;
        LONG given;
        LONG expected;
        bool forgetFirst;
    } const asks[] = {
        {&empty, 6, 6, false},                           // first: kept
        {&empty, 7, 6, false},                           // replayed
        {&zero, 8, 6, false},                            // a zero option is no option
        {&askAgain, 9, 9, false},                        // asked anew: kept
        {&empty, 1, 9, false},    {&empty, 3, 3, true},  // forgotten: kept again
        {&empty, 4, 3, false},    {nullptr, 5, 3, false},
    };
    for (const Ask& ask : asks) {
        if (ask.forgetFirst) {
            EXPECT_EQ(callback->ForgetAnswers(), S_OK);
        }
        LONG answer = ask.given;
        EXPECT_EQ(callback->ConfirmFile(12, 3, 1, 2, 0, 0, ask.option, &answer), S_OK);
        EXPECT_EQ(answer, ask.expected) << "given " << ask.given;
    }
    EXPECT_TRUE(log_.calls.empty());
}

TEST_F(OxnBasicGetOpCallbackTest, WithoutAProgressObjectTheRunGoesOnUnseen) {
    CComPtr<IOxnGetOpCallback3> callback = Make(false);
    EXPECT_EQ(callback->BeginPhase(1, 10), S_OK);
    EXPECT_EQ(callback->BeginPhase(2, 10), S_OK);
    EXPECT_EQ(Step(callback, 1, u"step", 1), VARIANT_TRUE);
    EXPECT_EQ(Step(callback, 2, u"step", 1), VARIANT_TRUE);
    EXPECT_EQ(callback->EndPhase(1), S_OK);
    EXPECT_EQ(callback->SetFilePosition(3), S_OK);
    EXPECT_EQ(callback->CheckReady(), kNotInitialized);
    EXPECT_EQ(callback->SetTotals(1, 0, 2), S_FALSE);
    FileMessage(callback, kFileIsLocked, kNotInitialized);
    EXPECT_EQ(FileMessage(callback, kNeedMigrating), VARIANT_TRUE);
    EXPECT_TRUE(log_.calls.empty());
}

}  // namespace
