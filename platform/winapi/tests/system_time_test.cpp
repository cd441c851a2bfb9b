#include "testsupport/child_process.h"
#include "winapi/errors.h"
#include "winapi/system_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace {

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0, WORD ms = 0) {
    return SYSTEMTIME{year, month, 0, day, hour, minute, second, ms};
}

FILETIME FileTimeOf(const SYSTEMTIME& time) {
    FILETIME result{};
    EXPECT_TRUE(SystemTimeToFileTime(&time, &result));
    return result;
}

uint64_t Ticks(const FILETIME& time) { return uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime; }

std::string Text(const SYSTEMTIME& t) {
    char text[48];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr const char* kEasternAustralia = "AEST-10AEDT,M10.1.0,M4.1.0/3";

// Each test sets its own zone and clock; both go back afterwards.
class SystemTimeTest : public ::testing::Test {
protected:
    SystemTimeTest() {
        if (const char* zone = std::getenv("TZ")) savedZone_ = zone;
    }
    ~SystemTimeTest() override {
        winapi::testing::SetClockForTesting(std::nullopt);
        if (savedZone_)
            setenv("TZ", savedZone_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    static void SetZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }

private:
    std::optional<std::string> savedZone_;
};

TEST_F(SystemTimeTest, FileTimeAndSystemTimeRoundTrip) {
    struct Case {
        SYSTEMTIME time;
        uint64_t ticks;
        WORD dayOfWeek;
    } cases[] = {
        {At(1601, 1, 1), 0, 1},                      // a Monday
        {At(1970, 1, 1), 116444736000000000ULL, 4},  // a Thursday
        {At(2000, 2, 29, 12, 34, 56, 789), 125963012967890000ULL, 2},
        {At(2024, 3, 31, 1), 133563204000000000ULL, 0},
        {At(30827, 12, 31, 23, 59, 59, 999), 0x7FFF35F4F06C58F0ULL, 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Ticks(FileTimeOf(c.time)), c.ticks) << Text(c.time);
        FILETIME fileTime{static_cast<DWORD>(c.ticks), static_cast<DWORD>(c.ticks >> 32)};
        SYSTEMTIME back{};
        ASSERT_TRUE(FileTimeToSystemTime(&fileTime, &back));
        EXPECT_EQ(Text(back), Text(c.time));
        EXPECT_EQ(back.wDayOfWeek, c.dayOfWeek) << Text(c.time);
    }
}

TEST_F(SystemTimeTest, InvalidTimesAreRefused) {
    const SYSTEMTIME invalid[] = {
        At(1600, 12, 31),         At(2023, 13, 1),
        At(2023, 2, 29),          At(1900, 2, 29),
        At(2023, 4, 31),          At(2023, 1, 0),
        At(2023, 1, 1, 24),       At(2023, 1, 1, 0, 60),
        At(2023, 1, 1, 0, 0, 60), At(2023, 1, 1, 0, 0, 0, 1000),
    };
    for (const SYSTEMTIME& time : invalid) {
        FILETIME result{};
        SetLastError(0);
        EXPECT_FALSE(SystemTimeToFileTime(&time, &result)) << Text(time);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        SYSTEMTIME converted{};
        EXPECT_FALSE(SystemTimeToTzSpecificLocalTime(nullptr, &time, &converted)) << Text(time);
        EXPECT_FALSE(TzSpecificLocalTimeToSystemTime(nullptr, &time, &converted)) << Text(time);
    }
    FILETIME tooLate{0, 0x80000000u};
    SYSTEMTIME out{};
    SetLastError(0);
    EXPECT_FALSE(FileTimeToSystemTime(&tooLate, &out));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SYSTEMTIME leap = At(2000, 2, 29);
    FILETIME ok{};
    EXPECT_TRUE(SystemTimeToFileTime(&leap, &ok));
}

TEST_F(SystemTimeTest, TestsSetTheClock) {
    SYSTEMTIME set = At(2024, 7, 15, 12, 30, 45, 250);
    winapi::testing::SetClockForTesting(FileTimeOf(set));
    SYSTEMTIME now{};
    GetSystemTime(&now);
    EXPECT_EQ(Text(now), Text(set));
    FILETIME fileNow{};
    GetSystemTimeAsFileTime(&fileNow);
    EXPECT_EQ(Ticks(fileNow), Ticks(FileTimeOf(set)));

    ULONGLONG ticksBefore = GetTickCount64();
    winapi::testing::AdvanceClockForTesting(90'000);
    GetSystemTime(&now);
    EXPECT_EQ(Text(now), "2024-07-15 12:32:15.250");
    EXPECT_GE(GetTickCount64() - ticksBefore, 90'000u);

    winapi::testing::SetClockForTesting(std::nullopt);
    GetSystemTimeAsFileTime(&fileNow);
    int64_t unixNow = static_cast<int64_t>(Ticks(fileNow) / 10'000'000) - 11644473600LL;
    EXPECT_LE(std::llabs(unixNow - static_cast<int64_t>(std::time(nullptr))), 5);
}

TEST_F(SystemTimeTest, TickCountIsTheLowPartOfTheLongCount) {
    ULONGLONG wide = GetTickCount64();
    DWORD narrow = GetTickCount();
    EXPECT_LT(static_cast<DWORD>(narrow - static_cast<DWORD>(wide)), 10'000u);
    EXPECT_GE(GetTickCount64(), wide);
}

TEST_F(SystemTimeTest, UniversalToLocalAcrossDaylightSavingChanges) {
    SetZone(kCentralEurope);
    struct Case {
        SYSTEMTIME universal;
        std::string local;
    } cases[] = {
        {At(2024, 1, 15, 12), "2024-01-15 13:00:00.000"},
        {At(2024, 7, 15, 12), "2024-07-15 14:00:00.000"},
        {At(2024, 3, 31, 0, 59, 59, 999), "2024-03-31 01:59:59.999"},
        {At(2024, 3, 31, 1), "2024-03-31 03:00:00.000"},
        {At(2024, 10, 27, 0, 59, 59), "2024-10-27 02:59:59.000"},
        {At(2024, 10, 27, 1), "2024-10-27 02:00:00.000"},
        {At(2024, 12, 31, 23, 30), "2025-01-01 00:30:00.000"},
    };
    for (const Case& c : cases) {
        SYSTEMTIME local{};
        ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &c.universal, &local)) << Text(c.universal);
        EXPECT_EQ(Text(local), c.local) << Text(c.universal);
    }
    SYSTEMTIME last = At(30827, 12, 31, 23, 30), out{};
    EXPECT_FALSE(SystemTimeToTzSpecificLocalTime(nullptr, &last, &out));  // beyond the last year
}

TEST_F(SystemTimeTest, LocalToUniversalIncludingSkippedAndRepeatedHours) {
    SetZone(kCentralEurope);
    struct Case {
        SYSTEMTIME local;
        std::string universal;
    } cases[] = {
        {At(2024, 1, 15, 13), "2024-01-15 12:00:00.000"},
        {At(2024, 7, 15, 14), "2024-07-15 12:00:00.000"},
        {At(2024, 3, 31, 1, 59), "2024-03-31 00:59:00.000"},
        {At(2024, 3, 31, 2, 30), "2024-03-31 01:30:00.000"},  // skipped: read with the offset before
        {At(2024, 3, 31, 3), "2024-03-31 01:00:00.000"},
        {At(2024, 10, 27, 1, 59), "2024-10-26 23:59:00.000"},
        {At(2024, 10, 27, 2, 30), "2024-10-27 01:30:00.000"},  // twice: read as standard time
        {At(2024, 10, 27, 3), "2024-10-27 02:00:00.000"},
    };
    for (const Case& c : cases) {
        SYSTEMTIME universal{};
        ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &c.local, &universal)) << Text(c.local);
        EXPECT_EQ(Text(universal), c.universal) << Text(c.local);
    }
}

TEST_F(SystemTimeTest, ZoneFollowsTz) {
    SYSTEMTIME universal = At(2024, 1, 15, 0), local{};
    SetZone(kEasternAustralia);  // summer in January
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local));
    EXPECT_EQ(Text(local), "2024-01-15 11:00:00.000");
    SetZone("UTC0");
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local));
    EXPECT_EQ(Text(local), "2024-01-15 00:00:00.000");

    SetZone(kCentralEurope);
    winapi::testing::SetClockForTesting(FileTimeOf(At(2024, 7, 15, 22, 30)));
    GetLocalTime(&local);
    EXPECT_EQ(Text(local), "2024-07-16 00:30:00.000");
}

TEST_F(SystemTimeTest, LocalFileTimeUsesTheOffsetOfNow) {
    SetZone(kCentralEurope);
    winapi::testing::SetClockForTesting(FileTimeOf(At(2024, 7, 15, 12)));  // summer: +2 hours
    FILETIME winter = FileTimeOf(At(2024, 1, 15, 12)), local{}, back{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&winter, &local));
    SYSTEMTIME shown{};
    FileTimeToSystemTime(&local, &shown);
    EXPECT_EQ(Text(shown), "2024-01-15 14:00:00.000");  // as the platform does, not the +1 of January
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
    EXPECT_EQ(Ticks(back), Ticks(winter));
}

TEST_F(SystemTimeTest, ZoneInformationDescribesTheYearlyRules) {
    struct Case {
        const char* zone;
        LONG bias;
        WORD beginMonth, beginDay, beginHour, endMonth, endDay, endHour;
        const char16_t* standardName;
        const char16_t* daylightName;
    } cases[] = {
        {kCentralEurope, -60, 3, 5, 2, 10, 5, 3, u"CET", u"CEST"},
        {kEasternAustralia, -600, 10, 1, 2, 4, 1, 3, u"AEST", u"AEDT"},
    };
    for (const Case& c : cases) {
        SetZone(c.zone);
        winapi::testing::SetClockForTesting(FileTimeOf(At(2024, 7, 1)));
        TIME_ZONE_INFORMATION info{};
        DWORD kind = GetTimeZoneInformation(&info);
        EXPECT_EQ(kind, c.bias == -60 ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD) << c.zone;
        EXPECT_EQ(info.Bias, c.bias);
        EXPECT_EQ(info.StandardBias, 0);
        EXPECT_EQ(info.DaylightBias, -60);
        EXPECT_EQ(info.DaylightDate.wYear, 0);
        EXPECT_EQ(info.DaylightDate.wMonth, c.beginMonth);
        EXPECT_EQ(info.DaylightDate.wDay, c.beginDay);
        EXPECT_EQ(info.DaylightDate.wDayOfWeek, 0);  // Sunday
        EXPECT_EQ(info.DaylightDate.wHour, c.beginHour);
        EXPECT_EQ(info.StandardDate.wMonth, c.endMonth);
        EXPECT_EQ(info.StandardDate.wDay, c.endDay);
        EXPECT_EQ(info.StandardDate.wHour, c.endHour);
        EXPECT_EQ(std::u16string(info.StandardName), c.standardName);
        EXPECT_EQ(std::u16string(info.DaylightName), c.daylightName);

        // The rules convert as the zone itself does, this year and the next.
        FILETIME start = FileTimeOf(At(2024, 1, 1));
        for (uint64_t step = 0; step < 2 * 366 * 8; ++step) {
            uint64_t ticks = Ticks(start) + step * 3 * 3600 * 10'000'000ULL + 1800 * 10'000'000ULL;
            FILETIME instant{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
            SYSTEMTIME universal{}, byZone{}, byRules{}, backByRules{};
            FileTimeToSystemTime(&instant, &universal);
            ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &universal, &byZone));
            ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(&info, &universal, &byRules));
            ASSERT_EQ(Text(byRules), Text(byZone)) << c.zone << " " << Text(universal);
            ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(&info, &byRules, &backByRules));
            SYSTEMTIME backByZone{};
            ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &byZone, &backByZone));
            ASSERT_EQ(Text(backByRules), Text(backByZone)) << c.zone << " " << Text(universal);
        }
    }
}

TEST_F(SystemTimeTest, ZoneWithoutDaylightSavingTime) {
    SetZone("JST-9");
    TIME_ZONE_INFORMATION info{};
    EXPECT_EQ(GetTimeZoneInformation(&info), TIME_ZONE_ID_UNKNOWN);
    EXPECT_EQ(info.Bias, -540);
    EXPECT_EQ(info.DaylightDate.wMonth, 0);
    EXPECT_EQ(std::u16string(info.StandardName), u"JST");
    SYSTEMTIME universal = At(2024, 7, 1, 20), local{};
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(&info, &universal, &local));
    EXPECT_EQ(Text(local), "2024-07-02 05:00:00.000");

    info.DaylightDate = At(0, 3, 6);  // a sixth Sunday does not exist
    info.StandardDate = At(0, 10, 5);
    SetLastError(0);
    EXPECT_FALSE(SystemTimeToTzSpecificLocalTime(&info, &universal, &local));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(SystemTimeTest, ChildProcessTakesTheClockFromTheEnvironment) {
    winapi::Now();  // this process keeps its own clock
    setenv(winapi::kFakeTimeVariable, "2024-03-31T00:59:30", 1);
    SetZone(kCentralEurope);
    testsupport::ChildProcess child(testsupport::SiblingProgram("system_time_child"), {});
    unsetenv(winapi::kFakeTimeVariable);
    EXPECT_TRUE(child.WaitForLine("utc 2024-03-31 00:59:30"));
    EXPECT_TRUE(child.WaitForLine("local 2024-03-31 01:59:30"));
    EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
