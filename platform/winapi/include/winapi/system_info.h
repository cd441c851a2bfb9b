// What the system learns about the machine it runs on: the platform version
// it gates features on, and the processor and memory figures.
//
// The version reported is that of the platform release the system was made
// for (10.0, build 19045, an NT workstation): the system compares it with
// the versions its components need, and this layer gives what they need.
#pragma once

#include "winapi/types.h"

#define VER_PLATFORM_WIN32_NT 2u
#define VER_NT_WORKSTATION 1u
#define VER_SUITE_SINGLEUSERTS 0x0100u

struct OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOW) == 276);
typedef OSVERSIONINFOW* LPOSVERSIONINFOW;

struct OSVERSIONINFOEXW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};
static_assert(sizeof(OSVERSIONINFOEXW) == 284);
typedef OSVERSIONINFOEXW* LPOSVERSIONINFOEXW;

// Fills an OSVERSIONINFOW, or an OSVERSIONINFOEXW with its extra fields,
// chosen by dwOSVersionInfoSize; any other size: FALSE with
// ERROR_INSUFFICIENT_BUFFER.
BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW versionInfo);

#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_ARM 5
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_ARCHITECTURE_ARM64 12
#define PROCESSOR_ARCHITECTURE_UNKNOWN 0xFFFF

struct SYSTEM_INFO {
    union {
        DWORD dwOemId;
        struct {
            WORD wProcessorArchitecture;
            WORD wReserved;
        };
    };
    DWORD dwPageSize;
    LPVOID lpMinimumApplicationAddress;
    LPVOID lpMaximumApplicationAddress;
    DWORD_PTR dwActiveProcessorMask;
    DWORD dwNumberOfProcessors;
    DWORD dwProcessorType;
    DWORD dwAllocationGranularity;
    WORD wProcessorLevel;
    WORD wProcessorRevision;
};
typedef SYSTEM_INFO* LPSYSTEM_INFO;

// The processor architecture, the page size, the processors this process
// may run on (at most 64 in the mask), and an allocation granularity of
// 64 KiB (a multiple of the page size, as file-mapping offsets need).
void WINAPI GetSystemInfo(LPSYSTEM_INFO systemInfo);
