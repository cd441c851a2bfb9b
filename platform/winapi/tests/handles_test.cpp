#include "winapi/handles.h"

#include <gtest/gtest.h>

namespace {

struct Counted : winapi::KernelObject {
    explicit Counted(int* destroyed) : destroyed(destroyed) {}
    ~Counted() override { ++*destroyed; }
    int* destroyed;
};

TEST(HandleTableTest, CloseReleasesTheObjectOnceAndRejectsReuse) {
    int destroyed = 0;
    HANDLE h = winapi::RegisterHandle(std::make_shared<Counted>(&destroyed));
    ASSERT_NE(h, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_NE(winapi::LookupHandleAs<Counted>(h), nullptr);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(winapi::LookupHandle(h), nullptr);
}

TEST(HandleTableTest, InvalidValuesAreRejected) {
    for (HANDLE bad : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, reinterpret_cast<HANDLE>(3)}) {
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

TEST(HandleTableTest, LookupOfTheWrongKindFails) {
    struct Other : winapi::KernelObject {};
    int destroyed = 0;
    HANDLE h = winapi::RegisterHandle(std::make_shared<Counted>(&destroyed));
    EXPECT_EQ(winapi::LookupHandleAs<Other>(h), nullptr);
    EXPECT_EQ(winapi::LookupHandle(h)->Wait(0), WAIT_FAILED);
    CloseHandle(h);
}

}  // namespace
