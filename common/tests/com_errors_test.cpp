#include "common/com_errors.h"

#include "com/com_error.h"
#include "com/method_boundary.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/pending_error_info.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using com_testing::TakePendingDescription;

class ComErrorsTest : public com_testing::LeakCheckedTest {};

TEST_F(ComErrorsTest, RaisedErrorReachesTheCallerThroughTheBoundary) {
    HRESULT hr = com::Boundary([] {
        gvRaiseComError(E_OUTOFMEMORY, ComErrorText::kCreateVectorFailed);
        return S_OK;
    });
    EXPECT_EQ(hr, E_OUTOFMEMORY);
    EXPECT_EQ(TakePendingDescription(), u"SafeArrayCreateVectorEx failed.");
    EXPECT_EQ(TakePendingDescription(), u"<none>");
}

TEST_F(ComErrorsTest, FixedDescriptionsAreExact) {
    EXPECT_EQ(std::u16string(ComErrorText::kCouldNotLockSafeArray), u"Could not lock safe array.");
    EXPECT_EQ(std::u16string(ComErrorText::kCouldNotGetLowerBound), u"Could not get lower bound of array");
    EXPECT_EQ(std::u16string(ComErrorText::kCouldNotGetUpperBound), u"Could not get upper bound of array");
    EXPECT_EQ(std::u16string(ComErrorText::kCreateVectorFailed), u"SafeArrayCreateVectorEx failed.");
    EXPECT_EQ(std::u16string(ComErrorText::kNoRecordInfo), u"Couldn't get record info from guids.");
}

TEST_F(ComErrorsTest, FailedCallKeepsTheFirstDescription) {
    // Deeper down, a method failed and left its description for its caller.
    HRESULT inner = com::Boundary([] {
        gvRaiseComError(_HRESULT_TYPEDEF_(0x80040226L), u"The operation was cancelled by the user.");
        return S_OK;
    });
    HRESULT outer = com::Boundary([&] {
        gvRaiseFailedCall(inner, ComErrorText::kCouldNotLockSafeArray);
        return S_OK;
    });
    EXPECT_EQ(outer, _HRESULT_TYPEDEF_(0x80040226L));
    EXPECT_EQ(TakePendingDescription(), u"The operation was cancelled by the user.");

    // Nothing pending: the call's own description.
    outer = com::Boundary([] {
        gvRaiseFailedCall(E_UNEXPECTED, ComErrorText::kCouldNotGetUpperBound);
        return S_OK;
    });
    EXPECT_EQ(outer, E_UNEXPECTED);
    EXPECT_EQ(TakePendingDescription(), u"Could not get upper bound of array");
}

}  // namespace
