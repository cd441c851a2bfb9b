// The umbrella header compiles on its own and its parts agree with each other.
#include "winapi/windows.h"

#include <gtest/gtest.h>

TEST(WindowsHeaderTest, PartsCompileTogether) {
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), static_cast<HRESULT>(0x8007007E));
    EXPECT_EQ(sizeof(SYSTEMTIME), 16u);
    EXPECT_EQ(sizeof(FILETIME), 8u);
}
