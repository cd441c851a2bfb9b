#include "com/com_error.h"

#include "com/hresults.h"
#include "com_testing/counting_error_info.h"
#include "com_testing/counting_object.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/pending_error_info.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using com_testing::CountingErrorInfo;
using com_testing::CountingObject;

std::u16string Text(const _bstr_t& text) {
    return !text ? u"<null>" : std::u16string(static_cast<const OLECHAR*>(text), text.length());
}

class ComErrorTest : public com_testing::LeakCheckedTest {};

TEST_F(ComErrorTest, CopiesKeepTheErrorInfoAlive) {
    CountingErrorInfo* info = CountingErrorInfo::Create(u"Could not get upper bound of array");
    auto* copy = new _com_error(E_FAIL, nullptr);
    {
        _com_error original(DISP_E_BADINDEX, info);  // takes over the creation reference
        EXPECT_EQ(info->References(), 1u);
        *copy = original;
        _com_error second(original);
        EXPECT_EQ(info->References(), 3u);
    }
    EXPECT_EQ(info->References(), 1u);
    EXPECT_EQ(copy->Error(), DISP_E_BADINDEX);
    EXPECT_EQ(Text(copy->Description()), u"Could not get upper bound of array");

    IErrorInfo* handed = copy->ErrorInfo();
    EXPECT_EQ(handed, info);
    EXPECT_EQ(info->References(), 2u);
    handed->Release();
    delete copy;
    EXPECT_EQ(CountingErrorInfo::Live(), 0);
}

TEST_F(ComErrorTest, AddRefKeepsTheCallersReference) {
    CountingErrorInfo* info = CountingErrorInfo::Create(u"shared");
    {
        _com_error error(E_FAIL, info, true);
        EXPECT_EQ(info->References(), 2u);
    }
    EXPECT_EQ(info->References(), 1u);
    info->Release();
}

TEST_F(ComErrorTest, WithoutErrorInfoTheTextsAreNull) {
    _com_error error(E_POINTER);
    EXPECT_EQ(error.ErrorInfo(), nullptr);
    EXPECT_TRUE(!error.Description());
    EXPECT_TRUE(!error.Source());
    EXPECT_EQ(error.GUID(), GUID_NULL);
}

TEST_F(ComErrorTest, SourceAndGuidComeFromTheErrorInfo) {
    ICreateErrorInfo* create = nullptr;
    ASSERT_EQ(CreateErrorInfo(&create), S_OK);
    const GUID kInterface = com::MakeGuid("164B4E44-6494-46D4-A6A6-E68B72A62365");
    create->SetGUID(kInterface);
    create->SetSource(u"ItmFolder");
    IErrorInfo* info = nullptr;
    ASSERT_EQ(create->QueryInterface(IID_PPV_ARGS(&info)), S_OK);
    create->Release();
    _com_error error(E_FAIL, info);
    EXPECT_EQ(error.GUID(), kInterface);
    EXPECT_EQ(Text(error.Source()), u"ItmFolder");
}

TEST_F(ComErrorTest, ErrorMessageNamesTheCode) {
    struct Case {
        HRESULT hr;
        const char16_t* message;
    };
    const Case cases[] = {
        // The system's text, without its line break.
        {E_FAIL, u"Unspecified error"},
        {REGDB_E_CLASSNOTREG, u"Class not registered"},
        // No system text: an Automation exception number from 0x80040200 up.
        {_HRESULT_TYPEDEF_(0x80040F00L), u"IDispatch error #3328"},
        {_HRESULT_TYPEDEF_(0x80040201L), u"IDispatch error #1"},
        {_HRESULT_TYPEDEF_(0x8004FFFFL), u"IDispatch error #65023"},
        // Otherwise the code itself.
        {_HRESULT_TYPEDEF_(0x80040200L), u"Unknown error 0x80040200"},
        {_HRESULT_TYPEDEF_(0x8ABC0001L), u"Unknown error 0x8ABC0001"},
    };
    for (const Case& c : cases) {
        _com_error error(c.hr);
        EXPECT_EQ(std::u16string(error.ErrorMessage()), c.message) << std::hex << c.hr;
        // Copies make their own text.
        _com_error copy(error);
        EXPECT_NE(copy.ErrorMessage(), error.ErrorMessage());
        EXPECT_EQ(std::u16string(copy.ErrorMessage()), c.message);
    }
}

TEST_F(ComErrorTest, RaisingTakesOverTheReference) {
    CountingErrorInfo* info = CountingErrorInfo::Create(u"raised");
    try {
        _com_raise_error(E_INVALIDARG, info);
        FAIL() << "did not raise";
    } catch (const _com_error& error) {
        EXPECT_EQ(error.Error(), E_INVALIDARG);
        EXPECT_EQ(Text(error.Description()), u"raised");
    }
    EXPECT_EQ(CountingErrorInfo::Live(), 0);

    try {
        _com_issue_error(E_OUTOFMEMORY);
        FAIL() << "did not raise";
    } catch (const _com_error& error) {
        EXPECT_EQ(error.Error(), E_OUTOFMEMORY);
        EXPECT_EQ(error.ErrorInfo(), nullptr);
    }
}

// _com_issue_errorex takes the thread's error info only from an object that
// vouches for it for that interface.
TEST_F(ComErrorTest, IssueErrorExAsksTheObject) {
    struct Case {
        const char* name;
        bool objectGiven;
        bool supports;
        IID supportedIid;
        bool expectErrorInfo;
    };
    const Case cases[] = {
        {"supports the interface", true, true, com_testing::IFoo::kIid, true},
        {"supports another interface", true, true, com_testing::IBar::kIid, false},
        {"no ISupportErrorInfo", true, false, GUID_NULL, false},
        {"no object", false, false, GUID_NULL, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CountingErrorInfo* pending = CountingErrorInfo::Create(u"from the object");
        SetErrorInfo(0, pending);
        pending->Release();
        CountingObject* object = CountingObject::Create();
        if (c.supports) object->SupportErrorInfoFor(c.supportedIid);
        try {
            _com_issue_errorex(E_ACCESSDENIED, c.objectGiven ? static_cast<com_testing::IFoo*>(object) : nullptr,
                               com_testing::IFoo::kIid);
            ADD_FAILURE() << "did not raise";
        } catch (const _com_error& error) {
            EXPECT_EQ(error.Error(), E_ACCESSDENIED);
            IErrorInfo* carried = error.ErrorInfo();
            EXPECT_EQ(carried != nullptr, c.expectErrorInfo);
            if (carried != nullptr) {
                EXPECT_EQ(Text(error.Description()), u"from the object");
                carried->Release();
            }
        }
        // Taken when carried, else left pending.
        EXPECT_EQ(com_testing::TakePendingDescription(), c.expectErrorInfo ? u"<none>" : u"from the object");
        EXPECT_EQ(object->References(), 1u);
        object->Release();
    }
}

}  // namespace
