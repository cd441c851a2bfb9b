// DATE <-> SYSTEMTIME. Calendar arithmetic is done on whole days counted
// from 1970-01-01 in the proleptic Gregorian calendar, as the platform's
// DATE does for every year from 100.
#include "com/ole_date.h"

#include <cmath>

namespace {

// Day 0 of DATE, 1899-12-30, counted from 1970-01-01.
constexpr int64_t kDateEpochDay = -25569;
constexpr int64_t kSecondsPerDay = 86400;
// 0100-01-01 and 9999-12-31 as DATE days.
constexpr double kFirstDay = -657434.0;
constexpr double kLastDay = 2958465.0;

bool IsLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int64_t year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given date (years shifted to begin in March,
// so that the leap day is the last day of a shifted year).
int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, SYSTEMTIME* time) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    time->wYear = static_cast<WORD>(yearOfEra + era * 400 + (month <= 2));
    time->wMonth = static_cast<WORD>(month);
    time->wDay = static_cast<WORD>(day);
}

}  // namespace

INT WINAPI SystemTimeToVariantTime(LPSYSTEMTIME systemTime, DATE* date) {
    if (!systemTime || !date) return FALSE;
    const SYSTEMTIME& t = *systemTime;
    if (t.wYear < 100 || t.wYear > 9999 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 ||
        t.wDay > DaysInMonth(t.wYear, t.wMonth) || t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59) {
        return FALSE;
    }
    const int64_t days = DaysFromCivil(t.wYear, t.wMonth, t.wDay) - kDateEpochDay;
    const double fraction = (t.wHour * 3600 + t.wMinute * 60 + t.wSecond) / static_cast<double>(kSecondsPerDay);
    // Before day 0 the fraction still counts forward within the day: the linear form.
    *date = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
    return TRUE;
}

INT WINAPI VariantTimeToSystemTime(DATE date, LPSYSTEMTIME systemTime) {
    // In linear form the first day's times lie between -657434 and -657435.
    if (!systemTime || !(date > kFirstDay - 1.0 && date < kLastDay + 1.0)) return FALSE;
    // The integer part names the day; the fraction's size is the time of day on either side of 0.
    const double wholeDays = std::trunc(date);
    int64_t days = static_cast<int64_t>(wholeDays);
    int64_t seconds = std::llround(std::fabs(date - wholeDays) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        // Rounded up to midnight: the next calendar day, whichever side of 0.
        seconds -= kSecondsPerDay;
        days += 1;
        if (days > static_cast<int64_t>(kLastDay)) return FALSE;
    }
    const int64_t civilDays = days + kDateEpochDay;
    CivilFromDays(civilDays, systemTime);
    // 1970-01-01 was a Thursday (4).
    systemTime->wDayOfWeek = static_cast<WORD>(((civilDays % 7) + 7 + 4) % 7);
    systemTime->wHour = static_cast<WORD>(seconds / 3600);
    systemTime->wMinute = static_cast<WORD>(seconds / 60 % 60);
    systemTime->wSecond = static_cast<WORD>(seconds % 60);
    systemTime->wMilliseconds = 0;
    return TRUE;
}
