#include "winapi/errors.h"
#include "winapi/memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

bool AllZero(const void* data, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i)
        if (static_cast<const unsigned char*>(data)[i]) return false;
    return true;
}

TEST(LocalMemoryTest, AllocateAndFree) {
    auto* block = static_cast<char*>(LocalAlloc(LPTR, 64));
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(AllZero(block, 64));
    std::memset(block, 0x7F, 64);
    EXPECT_EQ(LocalFree(block), nullptr);
    EXPECT_EQ(LocalFree(nullptr), nullptr);

    // A pointer that is no block, or no longer one, is refused, not freed.
    int notABlock = 0;
    SetLastError(0);
    EXPECT_EQ(LocalFree(&notABlock), &notABlock);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_EQ(LocalFree(block), block);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    SetLastError(0);
    EXPECT_EQ(LocalAlloc(GMEM_MOVEABLE, 8), nullptr);  // local blocks are fixed
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(GlobalMemoryTest, MoveableBlockLocksByCount) {
    HGLOBAL handle = GlobalAlloc(GHND, 10);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(GlobalSize(handle), 10u);

    void* data = GlobalLock(handle);
    ASSERT_NE(data, nullptr);
    EXPECT_NE(data, handle);  // a moveable block's handle is not its address
    EXPECT_TRUE(AllZero(data, 10));
    EXPECT_EQ(GlobalLock(handle), data);

    EXPECT_TRUE(GlobalUnlock(handle));  // still locked once
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(GlobalUnlock(handle));  // now unlocked
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
    EXPECT_FALSE(GlobalUnlock(handle));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));

    EXPECT_EQ(GlobalFree(handle), nullptr);
    SetLastError(0);
    EXPECT_EQ(GlobalSize(handle), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GlobalLock(handle), nullptr);
    EXPECT_EQ(GlobalFree(handle), handle);
}

TEST(GlobalMemoryTest, FixedBlockIsItsOwnPointer) {
    HGLOBAL handle = GlobalAlloc(GPTR, 3);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(GlobalLock(handle), handle);
    EXPECT_EQ(GlobalSize(handle), 3u);  // the size asked for, not what the heap rounded to
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(GlobalUnlock(handle));  // a fixed block's lock count is always 0
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(GlobalFree(handle), nullptr);

    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(GlobalSize(empty), 0u);
    EXPECT_EQ(GlobalFree(empty), nullptr);

    SetLastError(0);
    EXPECT_EQ(GlobalAlloc(0x8000, 4), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(GlobalMemoryTest, ReallocateKeepsTheContents) {
    HGLOBAL moveable = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(moveable), "abcd", 4);
    // Locked, it may not move, so it cannot grow.
    SetLastError(0);
    EXPECT_EQ(GlobalReAlloc(moveable, 4096, GMEM_ZEROINIT), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(GlobalSize(moveable), 4u);
    GlobalUnlock(moveable);
    EXPECT_EQ(GlobalReAlloc(moveable, 4096, GMEM_ZEROINIT), moveable);  // the handle stays
    auto* data = static_cast<char*>(GlobalLock(moveable));
    EXPECT_EQ(std::memcmp(data, "abcd", 4), 0);
    EXPECT_TRUE(AllZero(data + 4, 4092));
    EXPECT_EQ(GlobalSize(moveable), 4096u);
    GlobalUnlock(moveable);
    GlobalFree(moveable);

    HGLOBAL fixed = GlobalAlloc(GMEM_FIXED, 4);
    std::memcpy(fixed, "wxyz", 4);
    EXPECT_EQ(GlobalReAlloc(fixed, 4096, 0), nullptr);  // a fixed block moves only when allowed
    EXPECT_EQ(GlobalReAlloc(fixed, 2, 0), fixed);       // shrinking stays in place
    HGLOBAL moved = GlobalReAlloc(fixed, 4096, GMEM_MOVEABLE);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(std::memcmp(moved, "wx", 2), 0);
    EXPECT_EQ(GlobalSize(moved), 4096u);
    EXPECT_EQ(GlobalFree(moved), nullptr);

    HGLOBAL block = GlobalAlloc(GHND, 1);
    SetLastError(0);
    EXPECT_EQ(GlobalReAlloc(block, 1, GMEM_MODIFY | GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GlobalFree(block), nullptr);
}

}  // namespace
