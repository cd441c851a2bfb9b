#include "winapi/system_info.h"

#include "winapi/errors.h"

#include <sched.h>
#include <unistd.h>

#include <cstring>

BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW versionInfo) {
    if (!versionInfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD size = versionInfo->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memset(versionInfo, 0, size);
    versionInfo->dwOSVersionInfoSize = size;
    versionInfo->dwMajorVersion = 10;
    versionInfo->dwMinorVersion = 0;
    versionInfo->dwBuildNumber = 19045;
    versionInfo->dwPlatformId = VER_PLATFORM_WIN32_NT;
    if (size == sizeof(OSVERSIONINFOEXW)) {
        auto* extended = reinterpret_cast<LPOSVERSIONINFOEXW>(versionInfo);
        extended->wSuiteMask = VER_SUITE_SINGLEUSERTS;
        extended->wProductType = VER_NT_WORKSTATION;
    }
    return TRUE;
}

void WINAPI GetSystemInfo(LPSYSTEM_INFO systemInfo) {
    if (!systemInfo) return;
    std::memset(systemInfo, 0, sizeof *systemInfo);
#if defined(__x86_64__)
    systemInfo->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    systemInfo->dwProcessorType = 8664;  // PROCESSOR_AMD_X8664
#elif defined(__aarch64__)
    systemInfo->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM64;
#else
    systemInfo->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_UNKNOWN;
#endif
    long pageSize = sysconf(_SC_PAGESIZE);
    systemInfo->dwPageSize = pageSize > 0 ? static_cast<DWORD>(pageSize) : 4096;
    systemInfo->dwAllocationGranularity = 65536;
    // The lowest address a mapping may get, and the top of user space.
    systemInfo->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(uintptr_t{0x10000});
    systemInfo->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(uintptr_t{0x7FFFFFFEFFFF});

    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    DWORD count = 0;
    DWORD_PTR mask = 0;
    if (sched_getaffinity(0, sizeof cpus, &cpus) == 0) {
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (!CPU_ISSET(cpu, &cpus)) continue;
            ++count;
            if (cpu < 64) mask |= DWORD_PTR{1} << cpu;
        }
    }
    if (count == 0) {
        long online = sysconf(_SC_NPROCESSORS_ONLN);
        count = online > 0 ? static_cast<DWORD>(online) : 1;
        mask = count >= 64 ? ~DWORD_PTR{0} : (DWORD_PTR{1} << count) - 1;
    }
    systemInfo->dwNumberOfProcessors = count;
    systemInfo->dwActiveProcessorMask = mask;
}
