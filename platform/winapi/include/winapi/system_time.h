// Time: the clock, the time zone, and conversions between FILETIME (100-ns
// intervals since 1601-01-01 UTC), SYSTEMTIME (calendar fields) and local
// time.
//
// The clock is winapi::Now(); every function here reads it. Tests set it:
// in the process with winapi::testing::SetClockForTesting, and for child
// processes with the environment variable PLATFORM_FAKE_TIME, a UTC time
// "YYYY-MM-DDTHH:MM:SS" read when the process first asks for the time. A set
// clock stands still until a test moves it with AdvanceClockForTesting, which
// moves the tick count by as much.
//
// The time zone is that of the C library: the TZ environment variable (a
// zone name such as "Europe/Berlin", or POSIX rules such as
// "CET-1CEST,M3.5.0,M10.5.0/3"), read anew by every call, so a test may set TZ
// between calls.
#pragma once

#include "winapi/types.h"

#include <optional>

namespace winapi {

inline constexpr const char* kFakeTimeVariable = "PLATFORM_FAKE_TIME";

// The current time (UTC).
FILETIME Now();

namespace testing {
// Stops the clock at `now`; nullopt gives the real clock back.
void SetClockForTesting(std::optional<FILETIME> now);
// Moves a set clock, and the tick count, forward (or a set clock back).
void AdvanceClockForTesting(LONGLONG milliseconds);
}  // namespace testing

}  // namespace winapi

struct TIME_ZONE_INFORMATION {
    LONG Bias;  // minutes: UTC = local time + Bias
    WCHAR StandardName[32];
    SYSTEMTIME StandardDate;  // when daylight saving time ends, in daylight time
    LONG StandardBias;
    WCHAR DaylightName[32];
    SYSTEMTIME DaylightDate;  // when it begins, in standard time
    LONG DaylightBias;
};
typedef TIME_ZONE_INFORMATION* PTIME_ZONE_INFORMATION;
typedef TIME_ZONE_INFORMATION* LPTIME_ZONE_INFORMATION;

#define TIME_ZONE_ID_INVALID 0xFFFFFFFFu
#define TIME_ZONE_ID_UNKNOWN 0u
#define TIME_ZONE_ID_STANDARD 1u
#define TIME_ZONE_ID_DAYLIGHT 2u

void WINAPI GetSystemTime(LPSYSTEMTIME time);
void WINAPI GetLocalTime(LPSYSTEMTIME time);
void WINAPI GetSystemTimeAsFileTime(LPFILETIME time);

// FALSE with ERROR_INVALID_PARAMETER for a FILETIME at or above 2^63, or a
// SYSTEMTIME with a field out of range (years 1601 to 30827; the day of the
// week is ignored on input and set on output).
BOOL WINAPI FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);

// As on the platform, these two apply the zone's offset of NOW (daylight
// saving time or not) to any time, not the offset in force at that time.
BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);

// With a null zone: the current zone's offset in force at that time, history
// included. With a zone: its yearly rules. A local time that occurs twice (the
// hour when the clocks go back) is taken as standard time; one that does not
// occur (the hour skipped when they go forward) is taken with the offset in
// force before the change, so 02:30 on that day reads as 03:30 daylight time.
BOOL WINAPI SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* universal,
                                            LPSYSTEMTIME local);
BOOL WINAPI TzSpecificLocalTimeToSystemTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* local,
                                            LPSYSTEMTIME universal);

// The current zone as yearly rules, derived from this year's changes: a
// change on a day less than a week before the month's end is written as the
// month's last such weekday. The names are the zone's abbreviations ("CET").
// TIME_ZONE_ID_UNKNOWN for a zone without daylight saving time this year.
DWORD WINAPI GetTimeZoneInformation(LPTIME_ZONE_INFORMATION zone);

// Milliseconds since the machine started; GetTickCount wraps after 49.7 days.
DWORD WINAPI GetTickCount();
ULONGLONG WINAPI GetTickCount64();
