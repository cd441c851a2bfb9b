#include "com/ole_date.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0,
                WORD milliseconds = 0) {
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = milliseconds;
    return time;
}

std::string Describe(const SYSTEMTIME& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u (day %u)", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek);
    return text;
}

TEST(OleDateTest, CalendarTable) {
    struct Case {
        SYSTEMTIME time;
        DATE date;
        WORD dayOfWeek;
    } cases[] = {
        {Time(1899, 12, 30), 0.0, 6},
        {Time(1899, 12, 31), 1.0, 0},
        {Time(1900, 1, 1), 2.0, 1},
        {Time(2000, 1, 1), 36526.0, 6},
        {Time(2000, 1, 1, 12), 36526.5, 6},
        {Time(2024, 2, 29, 18), 45351.75, 4},
        {Time(1899, 12, 30, 6), 0.25, 6},
        // Before day 0 the fraction counts forward within the day (linear form).
        {Time(1899, 12, 29), -1.0, 5},
        {Time(1899, 12, 29, 6), -1.25, 5},
        {Time(1800, 1, 1, 12), -36522.5, 3},
        {Time(100, 1, 1), -657434.0, 5},
        {Time(100, 1, 1, 18), -657434.75, 5},
        {Time(9999, 12, 31), 2958465.0, 5},
        {Time(9999, 12, 31, 23, 59, 59), 2958465.0 + 86399.0 / 86400.0, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.time));
        SYSTEMTIME in = c.time;
        DATE date = 0;
        ASSERT_TRUE(SystemTimeToVariantTime(&in, &date));
        EXPECT_DOUBLE_EQ(date, c.date);
        SYSTEMTIME out{};
        ASSERT_TRUE(VariantTimeToSystemTime(c.date, &out));
        SYSTEMTIME expected = c.time;
        expected.wDayOfWeek = c.dayOfWeek;
        EXPECT_EQ(Describe(out), Describe(expected));
    }
}

TEST(OleDateTest, NegativeFractionsNameTheSameTimeOfDay) {
    // -0.25 and 0.25 both lie on day 0: the integer part names the day.
    SYSTEMTIME negative{}, positive{};
    ASSERT_TRUE(VariantTimeToSystemTime(-0.25, &negative));
    ASSERT_TRUE(VariantTimeToSystemTime(0.25, &positive));
    EXPECT_EQ(Describe(negative), Describe(positive));
}

TEST(OleDateTest, MillisecondsAreIgnoredAndTheWayBackRoundsToTheSecond) {
    SYSTEMTIME withMilliseconds = Time(2001, 2, 3, 4, 5, 6, 999);
    DATE date = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&withMilliseconds, &date));
    SYSTEMTIME whole = Time(2001, 2, 3, 4, 5, 6);
    DATE wholeDate = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&whole, &wholeDate));
    EXPECT_EQ(date, wholeDate);

    const double second = 1.0 / 86400.0;
    struct Case {
        DATE date;
        const char* expected;
    } cases[] = {
        {36526.0 + 0.4 * second, "2000-01-01 00:00:00.000 (day 6)"},
        {0.5 * second, "1899-12-30 00:00:01.000 (day 6)"},
        {36526.0 + 0.51 * second, "2000-01-01 00:00:01.000 (day 6)"},
        {36526.0 + 10.6 * second, "2000-01-01 00:00:11.000 (day 6)"},
        // Rounding up at the end of a day lands on the next day.
        {36527.0 - 0.3 * second, "2000-01-02 00:00:00.000 (day 0)"},
        // On the far side of day 0 the fraction still runs forward: -1.99999... is
        // the last instant of 1899-12-29, and rounds up into 1899-12-30.
        {-1.0 - 0.2 * second, "1899-12-29 00:00:00.000 (day 5)"},
        {-2.0 + 0.2 * second, "1899-12-30 00:00:00.000 (day 6)"},
    };
    for (const Case& c : cases) {
        SYSTEMTIME out{};
        ASSERT_TRUE(VariantTimeToSystemTime(c.date, &out)) << c.date;
        EXPECT_EQ(Describe(out), c.expected) << c.date;
    }
}

TEST(OleDateTest, OutOfRangeIsRefused) {
    const SYSTEMTIME invalid[] = {
        Time(99, 12, 31),  Time(10000, 1, 1), Time(2000, 0, 1),     Time(2000, 13, 1),       Time(2000, 1, 0),
        Time(2000, 4, 31), Time(1900, 2, 29), Time(2000, 1, 1, 24), Time(2000, 1, 1, 0, 60), Time(2000, 1, 1, 0, 0, 60),
    };
    for (SYSTEMTIME time : invalid) {
        DATE date = 123.0;
        EXPECT_FALSE(SystemTimeToVariantTime(&time, &date)) << Describe(time);
    }
    SYSTEMTIME leapDay = Time(2000, 2, 29);
    DATE date = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(&leapDay, &date));

    SYSTEMTIME out{};
    for (DATE bad : {-657435.0, 2958466.0, 1e300, std::nan("")}) {
        EXPECT_FALSE(VariantTimeToSystemTime(bad, &out)) << bad;
    }
    // The last second of 9999 rounds past the calendar's end.
    EXPECT_FALSE(VariantTimeToSystemTime(2958465.0 + (86400.0 - 0.2) / 86400.0, &out));
    // The first day's afternoon in linear form is still inside.
    EXPECT_TRUE(VariantTimeToSystemTime(-657434.5, &out));
    EXPECT_EQ(Describe(out), "0100-01-01 12:00:00.000 (day 5)");
}

}  // namespace
