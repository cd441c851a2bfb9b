#include "explorer/data/com_error_raising.h"

#include "com/ccom_ptr.h"
#include "com/hresults.h"
#include "com_testing/bstr_text.h"
#include "com_testing/counting_object.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/pending_error_info.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using com_testing::CountingObject;

class ComErrorRaisingTest : public com_testing::LeakCheckedTest {};

// What a raised _com_error carried: its HRESULT and its description
// ("<no error info>" without error info). Fails the test when nothing was
// raised.
struct Raised {
    HRESULT hr = S_OK;
    std::u16string description;
};

Raised CatchRaised(const std::function<void()>& call) {
    try {
        call();
    } catch (const _com_error& error) {
        Raised raised{error.Error(), u"<no error info>"};
        if (IErrorInfo* info = error.ErrorInfo()) {
            BSTR text = nullptr;
            EXPECT_EQ(info->GetDescription(&text), S_OK);
            raised.description = com_testing::TakeText(text);
            info->Release();
        }
        return raised;
    }
    ADD_FAILURE() << "nothing was raised";
    return {};
}

TEST_F(ComErrorRaisingTest, MakeErrorInfoCarriesTheDescription) {
    IErrorInfo* info = MakeErrorInfo(ComErrorText::kCouldNotLockSafeArray);
    ASSERT_NE(info, nullptr);
    BSTR text = nullptr;
    ASSERT_EQ(info->GetDescription(&text), S_OK);
    EXPECT_EQ(com_testing::TakeText(text), u"Could not lock safe array.");
    // The object answers for the failure only: no source, no interface.
    GUID guid{};
    EXPECT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_EQ(guid, GUID_NULL);
    info->Release();
}

TEST_F(ComErrorRaisingTest, ThrowComErrorWithDescriptionRaisesHrAndText) {
    Raised raised =
        CatchRaised([] { ThrowComErrorWithDescription(E_ACCESSDENIED, u"Could not get upper bound of array"); });
    EXPECT_EQ(raised.hr, E_ACCESSDENIED);
    EXPECT_EQ(raised.description, u"Could not get upper bound of array");
}

// CheckHResult raises a failure with the thread's pending error info first,
// else with its description, else without error info; a success returns and
// leaves a pending error info where it is.
TEST_F(ComErrorRaisingTest, CheckHResultPrefersThePendingErrorInfo) {
    struct Case {
        const char* name;
        HRESULT hr;
        const char16_t* pending;
        const char16_t* description;
        bool raises;
        std::u16string carried;
    };
    const Case cases[] = {
        {"pending and description", E_FAIL, u"from the server", u"ours", true, u"from the server"},
        {"pending only", E_INVALIDARG, u"from the server", nullptr, true, u"from the server"},
        {"description only", E_OUTOFMEMORY, nullptr, u"SafeArrayCreateVectorEx failed.", true,
         u"SafeArrayCreateVectorEx failed."},
        {"neither", HRESULT(0x80040226), nullptr, nullptr, true, u"<no error info>"},
        {"S_OK", S_OK, nullptr, u"ours", false, {}},
        {"S_FALSE is no failure", S_FALSE, u"left for someone else", u"ours", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.pending != nullptr) com_testing::SetPendingErrorInfo(c.pending);
        if (!c.raises) {
            EXPECT_NO_THROW(CheckHResult(c.hr, c.description));
            EXPECT_EQ(com_testing::TakePendingDescription(), c.pending ? c.pending : u"<none>");
            continue;
        }
        Raised raised = CatchRaised([&] { CheckHResult(c.hr, c.description); });
        EXPECT_EQ(raised.hr, c.hr);
        EXPECT_EQ(raised.description, c.carried);
        // A pending error info is taken by the raise, not left behind for a
        // later failure.
        EXPECT_EQ(com_testing::TakePendingDescription(), u"<none>");
    }
}

// A failed interface call carries the thread's error info only when the
// object vouches for it for that interface; the IID comes from the pointer's
// type, also through a smart pointer.
TEST_F(ComErrorRaisingTest, CheckCallAsksTheObjectForItsInterface) {
    struct Case {
        const char* name;
        bool supportsFoo;
        bool smartPointer;
        std::u16string carried;
    };
    const Case cases[] = {
        {"supports IFoo", true, false, u"from the object"},
        {"supports IFoo, smart pointer", true, true, u"from the object"},
        {"supports IBar only", false, false, u"<no error info>"},
        {"supports IBar only, smart pointer", false, true, u"<no error info>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CountingObject* object = CountingObject::Create();
        object->SupportErrorInfoFor(c.supportsFoo ? com_testing::IFoo::kIid : com_testing::IBar::kIid);
        com_testing::SetPendingErrorInfo(u"from the object");
        com_testing::IFoo* foo = object;
        Raised raised = CatchRaised([&] {
            if (c.smartPointer)
                gvCheckCall(E_NOINTERFACE, CComPtr<com_testing::IFoo>(foo));
            else
                gvCheckCall(E_NOINTERFACE, foo);
        });
        EXPECT_EQ(raised.hr, E_NOINTERFACE);
        EXPECT_EQ(raised.description, c.carried);
        // Not carried: still pending, for whoever owns it.
        com_testing::ClearPendingErrorInfo();
        object->Release();
    }

    CountingObject* object = CountingObject::Create();
    EXPECT_NO_THROW(gvCheckCall(S_FALSE, static_cast<com_testing::IBar*>(object)));
    EXPECT_NO_THROW(gvCheckCall(S_OK, object->Unknown(), com_testing::IBar::kIid));
    object->Release();
}

}  // namespace
