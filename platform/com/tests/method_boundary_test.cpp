#include "com/method_boundary.h"

#include "com/com_error.h"
#include "com_testing/counting_error_info.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/pending_error_info.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

namespace {

using com_testing::CountingErrorInfo;
using com_testing::TakePendingDescription;

void RaiseWithDescription(HRESULT hr, const char16_t* description) {
    _com_raise_error(hr, com_testing::MakeErrorInfo(description));
}

// A stale error info from an earlier failure, which the boundary must not
// let stick to the next one.
void LeaveStaleErrorInfo() {
    CountingErrorInfo* stale = CountingErrorInfo::Create(u"stale");
    SetErrorInfo(0, stale);
    stale->Release();
}

class MethodBoundaryTest : public com_testing::LeakCheckedTest {};

TEST_F(MethodBoundaryTest, ComErrorBecomesHresultAndTheCallersErrorInfo) {
    HRESULT hr = com::Boundary([&] {
        RaiseWithDescription(_HRESULT_TYPEDEF_(0x80040240L), u"A NULL value was returned where it wasn't expected.");
        return S_OK;
    });
    EXPECT_EQ(hr, _HRESULT_TYPEDEF_(0x80040240L));
    EXPECT_EQ(TakePendingDescription(), u"A NULL value was returned where it wasn't expected.");
    // Read exactly once.
    EXPECT_EQ(TakePendingDescription(), u"<none>");
}

TEST_F(MethodBoundaryTest, ComErrorWithoutErrorInfoClearsTheSlot) {
    LeaveStaleErrorInfo();
    HRESULT hr = com::Boundary([] {
        _com_issue_error(E_POINTER);
        return S_OK;
    });
    EXPECT_EQ(hr, E_POINTER);
    EXPECT_EQ(TakePendingDescription(), u"<none>");
}

TEST_F(MethodBoundaryTest, OutOfMemoryBecomesEOutOfMemory) {
    LeaveStaleErrorInfo();
    HRESULT hr = com::Boundary([]() -> HRESULT { throw std::bad_alloc(); });
    EXPECT_EQ(hr, E_OUTOFMEMORY);
    EXPECT_EQ(TakePendingDescription(), u"<none>");
}

TEST_F(MethodBoundaryTest, OtherExceptionsBecomeEFailWithADescription) {
    HRESULT hr = com::Boundary([]() -> HRESULT {
        throw std::runtime_error(
            "Knoten \xC3\xBC"
            "ber Grenze");
    });
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_EQ(TakePendingDescription(), u"Knoten \u00FCber Grenze");

    hr = com::Boundary([]() -> HRESULT { throw 42; });
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_EQ(TakePendingDescription(), u"Unexpected exception.");
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
    EXPECT_EQ(TakePendingDescription(), u"stale");
}

}  // namespace
