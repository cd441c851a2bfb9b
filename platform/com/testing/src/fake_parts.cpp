#include "com_testing/fake_parts.h"

#include <gtest/gtest.h>

namespace com_testing {

FakeReferenceCount::~FakeReferenceCount() {
    if (lifetime_ == Lifetime::kOwnedByTest) {
        EXPECT_EQ(count_.load(), 1u) << "references to a fake outlived it";
    }
}

ULONG FakeReferenceCount::Release() {
    const ULONG floor = lifetime_ == Lifetime::kOwnedByTest ? 1 : 0;
    ULONG count = count_.load();
    do {
        if (count <= floor) {
            ADD_FAILURE() << (floor == 1 ? "Release of the test's own reference" : "Release without a reference");
            return count;
        }
    } while (!count_.compare_exchange_weak(count, count - 1));
    return count - 1;
}

HRESULT AnswerQuery(void** object, IUnknown* answer) {
    if (object == nullptr) return E_POINTER;
    *object = answer;
    if (answer == nullptr) return E_NOINTERFACE;
    answer->AddRef();
    return S_OK;
}

HRESULT UnexpectedCall(const char* method) {
    ADD_FAILURE() << "unexpected call of " << method;
    return E_UNEXPECTED;
}

}  // namespace com_testing
