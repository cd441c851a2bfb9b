#include "com/method_boundary.h"

#include "com/automation_counters.h"
#include "com/com_error.h"
#include "counting_objects.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

namespace {

using com_test::CountingErrorInfo;

// What a caller of a failed method reads: the error info, taken once.
std::u16string TakeDescription() {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK) return u"<none>";
    BSTR text = nullptr;
    info->GetDescription(&text);
    info->Release();
    std::u16string description = text != nullptr ? std::u16string(text) : u"<null>";
    SysFreeString(text);
    return description;
}

void RaiseWithDescription(HRESULT hr, const char16_t* description) {
    ICreateErrorInfo* create = nullptr;
    ASSERT_EQ(CreateErrorInfo(&create), S_OK);
    create->SetDescription(description);
    IErrorInfo* info = nullptr;
    create->QueryInterface(IID_PPV_ARGS(&info));
    create->Release();
    _com_raise_error(hr, info);
}

// A stale error info from an earlier failure, which the boundary must not
// let stick to the next one.
void LeaveStaleErrorInfo() {
    CountingErrorInfo* stale = CountingErrorInfo::Create(u"stale");
    SetErrorInfo(0, stale);
    stale->Release();
}

class MethodBoundaryTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetErrorInfo(0, nullptr);
        bstrs_ = com::testing::LiveBstrCount();
    }
    void TearDown() override {
        SetErrorInfo(0, nullptr);
        EXPECT_EQ(com::testing::LiveBstrCount(), bstrs_);
        EXPECT_EQ(CountingErrorInfo::Live(), 0);
    }

    int64_t bstrs_ = 0;
};

TEST_F(MethodBoundaryTest, ComErrorBecomesHresultAndTheCallersErrorInfo) {
    HRESULT hr = com::Boundary([&] {
        RaiseWithDescription(_HRESULT_TYPEDEF_(0x80040240L), u"A NULL value was returned where it wasn't expected.");
        return S_OK;
    });
    EXPECT_EQ(hr, _HRESULT_TYPEDEF_(0x80040240L));
    EXPECT_EQ(TakeDescription(), u"A NULL value was returned where it wasn't expected.");
    // Read exactly once.
    EXPECT_EQ(TakeDescription(), u"<none>");
}

TEST_F(MethodBoundaryTest, ComErrorWithoutErrorInfoClearsTheSlot) {
    LeaveStaleErrorInfo();
    HRESULT hr = com::Boundary([] {
        _com_issue_error(E_POINTER);
        return S_OK;
    });
    EXPECT_EQ(hr, E_POINTER);
    EXPECT_EQ(TakeDescription(), u"<none>");
}

TEST_F(MethodBoundaryTest, OutOfMemoryBecomesEOutOfMemory) {
    LeaveStaleErrorInfo();
    HRESULT hr = com::Boundary([]() -> HRESULT { throw std::bad_alloc(); });
    EXPECT_EQ(hr, E_OUTOFMEMORY);
    EXPECT_EQ(TakeDescription(), u"<none>");
}

TEST_F(MethodBoundaryTest, OtherExceptionsBecomeEFailWithADescription) {
    HRESULT hr = com::Boundary([]() -> HRESULT { throw std::runtime_error("Knoten \xC3\xBC" "ber Grenze"); });
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_EQ(TakeDescription(), u"Knoten \u00FCber Grenze");

    hr = com::Boundary([]() -> HRESULT { throw 42; });
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_EQ(TakeDescription(), u"Unexpected exception.");
}

TEST_F(MethodBoundaryTest, ReturnedResultsPassThroughUntouched) {
    EXPECT_EQ(com::Boundary([] { return S_OK; }), S_OK);
    EXPECT_EQ(com::Boundary([] { return S_FALSE; }), S_FALSE);
    // A body that reports its own failure keeps the error info it set.
    HRESULT hr = com::Boundary([] {
        LeaveStaleErrorInfo();
        return E_ABORT;
    });
    EXPECT_EQ(hr, E_ABORT);
    EXPECT_EQ(TakeDescription(), u"stale");
}

}  // namespace
