#include "winapi/system_info.h"

#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <bitset>
#include <cstring>

namespace {

TEST(SystemInfoTest, VersionOfThePlatformTheSystemWasMadeFor) {
    OSVERSIONINFOW info;
    std::memset(&info, 0xAB, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(info.dwOSVersionInfoSize, sizeof info);
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(info.dwMajorVersion, 10u);
    EXPECT_EQ(info.dwMinorVersion, 0u);
    EXPECT_EQ(info.dwBuildNumber, 19045u);
    EXPECT_EQ(info.szCSDVersion[0], u'\0');

    OSVERSIONINFOEXW extended;
    std::memset(&extended, 0xAB, sizeof extended);
    extended.dwOSVersionInfoSize = sizeof extended;
    ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&extended)));
    EXPECT_EQ(extended.dwOSVersionInfoSize, sizeof extended);
    EXPECT_EQ(extended.dwMajorVersion, 10u);
    EXPECT_EQ(extended.wServicePackMajor, 0u);
    EXPECT_EQ(extended.wProductType, VER_NT_WORKSTATION);
}

TEST(SystemInfoTest, WrongStructureSizeIsRefused) {
    for (DWORD size : {0u, 1u, 275u, 277u, 283u, 285u, 0xFFFFFFFFu}) {
        OSVERSIONINFOEXW info{};
        info.dwOSVersionInfoSize = size;
        SetLastError(0);
        EXPECT_FALSE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info))) << size;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(info.dwMajorVersion, 0u);  // nothing written
    }
    EXPECT_FALSE(GetVersionExW(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(SystemInfoTest, ProcessorsAndPages) {
    SYSTEM_INFO info;
    std::memset(&info, 0xAB, sizeof info);
    GetSystemInfo(&info);
    EXPECT_EQ(info.dwPageSize, static_cast<DWORD>(sysconf(_SC_PAGESIZE)));
    EXPECT_EQ(info.dwAllocationGranularity % info.dwPageSize, 0u);
    EXPECT_GE(info.dwNumberOfProcessors, 1u);
    if (info.dwNumberOfProcessors <= 64) {
        EXPECT_EQ(std::bitset<64>(info.dwActiveProcessorMask).count(), info.dwNumberOfProcessors);
    }
    EXPECT_LT(info.lpMinimumApplicationAddress, info.lpMaximumApplicationAddress);
#if defined(__x86_64__)
    EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
#endif
}

}  // namespace
