#include "winapi/system_time.h"

#include "winapi/errors.h"
#include "winapi/text.h"

#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <vector>

namespace {

constexpr int64_t kTicksPerMillisecond = 10'000;
constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kTicksPerDay = kTicksPerSecond * 86'400;
constexpr int64_t kDaysFrom1601To1970 = 134'774;
constexpr int64_t kSecondsFrom1601To1970 = kDaysFrom1601To1970 * 86'400;
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 30827;

uint64_t ToTicks(const FILETIME& time) { return uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime; }

FILETIME FromTicks(uint64_t ticks) { return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}; }

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// --- The proleptic Gregorian calendar, counted in days since 1970-01-01 -----

int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    int64_t era = FloorDiv(year, 400);
    auto yearOfEra = static_cast<unsigned>(year - era * 400);
    unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;  // from March 1st
    unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146'097 + dayOfEra - 719'468;
}

void CivilFromDays(int64_t days, int64_t* year, unsigned* month, unsigned* day) {
    days += 719'468;
    int64_t era = FloorDiv(days, 146'097);
    auto dayOfEra = static_cast<unsigned>(days - era * 146'097);
    unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    *day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    *month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    *year = int64_t(yearOfEra) + era * 400 + (*month <= 2);
}

bool IsLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(int64_t year, unsigned month) {
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// 0 = Sunday.
unsigned DayOfWeek(int64_t daysSince1970) {
    int64_t weekday = (daysSince1970 + 4) % 7;  // 1970-01-01 was a Thursday
    return static_cast<unsigned>(weekday < 0 ? weekday + 7 : weekday);
}

int64_t YearOfSeconds(int64_t secondsSince1970) {
    int64_t year;
    unsigned month, day;
    CivilFromDays(FloorDiv(secondsSince1970, 86'400), &year, &month, &day);
    return year;
}

bool IsValid(const SYSTEMTIME& time) {
    return time.wYear >= kFirstYear && time.wYear <= kLastYear && time.wMonth >= 1 && time.wMonth <= 12 &&
           time.wDay >= 1 && time.wDay <= DaysInMonth(time.wYear, time.wMonth) && time.wHour < 24 &&
           time.wMinute < 60 && time.wSecond < 60 && time.wMilliseconds < 1000;
}

// Ticks since 1601 of a valid SYSTEMTIME.
int64_t TicksOf(const SYSTEMTIME& time) {
    int64_t days = DaysFromCivil(time.wYear, time.wMonth, time.wDay) + kDaysFrom1601To1970;
    return days * kTicksPerDay + (time.wHour * 3600 + time.wMinute * 60 + time.wSecond) * kTicksPerSecond +
           time.wMilliseconds * kTicksPerMillisecond;
}

// The latest tick a SYSTEMTIME can show: 30827-12-31 23:59:59.999.
int64_t LastTick() {
    static const int64_t last = TicksOf(SYSTEMTIME{kLastYear, 12, 0, 31, 23, 59, 59, 999}) + kTicksPerMillisecond - 1;
    return last;
}

bool FitsSystemTime(int64_t ticks) { return ticks >= 0 && ticks <= LastTick(); }

SYSTEMTIME SystemTimeOf(int64_t ticks) {
    int64_t days = ticks / kTicksPerDay;
    int64_t rest = ticks % kTicksPerDay;
    int64_t year;
    unsigned month, day;
    CivilFromDays(days - kDaysFrom1601To1970, &year, &month, &day);
    SYSTEMTIME time;
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wDayOfWeek = static_cast<WORD>(DayOfWeek(days - kDaysFrom1601To1970));
    time.wHour = static_cast<WORD>(rest / (3600 * kTicksPerSecond));
    time.wMinute = static_cast<WORD>(rest / (60 * kTicksPerSecond) % 60);
    time.wSecond = static_cast<WORD>(rest / kTicksPerSecond % 60);
    time.wMilliseconds = static_cast<WORD>(rest / kTicksPerMillisecond % 1000);
    return time;
}

int64_t UnixSecondsOf(int64_t ticks) { return FloorDiv(ticks, kTicksPerSecond) - kSecondsFrom1601To1970; }

// --- The clock ---------------------------------------------------------------

// "YYYY-MM-DDTHH:MM:SS" (a trailing 'Z' allowed) as ticks.
std::optional<int64_t> ParseUtcTimestamp(const char* text) {
    int year, month, day, hour, minute, second, consumed = 0;
    if (std::sscanf(text, "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute, &second, &consumed) != 6)
        return std::nullopt;
    std::string_view rest(text + consumed);
    if (!rest.empty() && rest != "Z") return std::nullopt;
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12) return std::nullopt;
    SYSTEMTIME time{
        static_cast<WORD>(year),   static_cast<WORD>(month),  0, static_cast<WORD>(day), static_cast<WORD>(hour),
        static_cast<WORD>(minute), static_cast<WORD>(second), 0};
    if (!IsValid(time)) return std::nullopt;
    return TicksOf(time);
}

struct Clock {
    std::mutex mutex;
    std::optional<int64_t> stoppedAt;  // ticks since 1601
};

Clock& TheClock() {
    static Clock* clock = [] {
        auto* made = new Clock;
        if (const char* fake = std::getenv(winapi::kFakeTimeVariable)) {
            made->stoppedAt = ParseUtcTimestamp(fake);
            // A test that meant to set the time must not run on the real one unawares.
            if (!made->stoppedAt)
                std::fprintf(stderr, "%s=\"%s\" is not a UTC time YYYY-MM-DDTHH:MM:SS; using the real clock\n",
                             winapi::kFakeTimeVariable, fake);
        }
        return made;
    }();
    return *clock;
}

std::atomic<int64_t> g_tickAdvanceMs{0};

// --- Time zones --------------------------------------------------------------

struct Offset {
    int64_t seconds = 0;  // local = UTC + seconds
    bool daylight = false;
};

// The instant a yearly rule names in `year`, in local seconds since 1970.
int64_t RuleLocalSeconds(const SYSTEMTIME& rule, int64_t year) {
    unsigned days = DaysInMonth(year, rule.wMonth);
    unsigned day;
    if (rule.wYear == 0) {  // the n-th (5: last) given weekday of the month
        unsigned first = DayOfWeek(DaysFromCivil(year, rule.wMonth, 1));
        day = 1 + (rule.wDayOfWeek + 7 - first) % 7 + (rule.wDay - 1) * 7;
        while (day > days) day -= 7;
    } else {  // a fixed date, taken for every year
        day = std::min<unsigned>(rule.wDay, days);
    }
    return DaysFromCivil(year, rule.wMonth, day) * 86'400 + rule.wHour * 3600 + rule.wMinute * 60 + rule.wSecond;
}

bool IsValidRule(const SYSTEMTIME& rule) {
    if (rule.wMonth == 0) return true;  // no change
    if (rule.wMonth > 12 || rule.wHour > 23 || rule.wMinute > 59 || rule.wSecond > 59) return false;
    return rule.wYear == 0 ? rule.wDay >= 1 && rule.wDay <= 5 && rule.wDayOfWeek <= 6
                           : rule.wDay >= 1 && rule.wDay <= 31;
}

class Zone {
public:
    // Null: the C library's current zone.
    explicit Zone(const TIME_ZONE_INFORMATION* rules) : rules_(rules) {
        if (!rules_) tzset();  // take up a TZ set since the last call
    }

    bool IsValid() const { return !rules_ || (IsValidRule(rules_->StandardDate) && IsValidRule(rules_->DaylightDate)); }

    Offset At(int64_t unixSeconds) const { return rules_ ? RuleOffset(unixSeconds) : LibraryOffset(unixSeconds); }

    // The UTC second of a local second; see TzSpecificLocalTimeToSystemTime.
    int64_t Universal(int64_t local) const {
        // The offsets in force a day either side cover any one change.
        Offset before = At(local - 86'400), after = At(local + 86'400);
        auto holds = [&](const Offset& offset) {
            Offset actual = At(local - offset.seconds);
            return actual.seconds == offset.seconds && actual.daylight == offset.daylight;
        };
        bool beforeHolds = holds(before), afterHolds = holds(after);
        if (beforeHolds && afterHolds) return local - (before.daylight && !after.daylight ? after : before).seconds;
        if (afterHolds) return local - after.seconds;
        return local - before.seconds;
    }

private:
    static Offset LibraryOffset(int64_t unixSeconds) {
        time_t when = static_cast<time_t>(unixSeconds);
        tm parts{};
        if (!localtime_r(&when, &parts)) return Offset{};
        return Offset{parts.tm_gmtoff, parts.tm_isdst > 0};
    }

    Offset RuleOffset(int64_t unixSeconds) const {
        Offset standard{-int64_t(rules_->Bias + rules_->StandardBias) * 60, false};
        if (rules_->DaylightDate.wMonth == 0 || rules_->StandardDate.wMonth == 0) return standard;
        Offset daylight{-int64_t(rules_->Bias + rules_->DaylightBias) * 60, true};
        int64_t year = YearOfSeconds(unixSeconds + standard.seconds);
        int64_t begins = RuleLocalSeconds(rules_->DaylightDate, year) - standard.seconds;
        int64_t ends = RuleLocalSeconds(rules_->StandardDate, year) - daylight.seconds;
        // South of the equator daylight saving time spans the turn of the year.
        bool inDaylight =
            begins < ends ? unixSeconds >= begins && unixSeconds < ends : unixSeconds >= begins || unixSeconds < ends;
        return inDaylight ? daylight : standard;
    }

    const TIME_ZONE_INFORMATION* rules_;
};

BOOL ShiftFileTime(const FILETIME* from, LPFILETIME to, int direction) {
    if (!from || !to) return Fail(ERROR_INVALID_PARAMETER);
    auto ticks = static_cast<int64_t>(ToTicks(*from));
    if (ticks < 0) return Fail(ERROR_INVALID_PARAMETER);
    int64_t offset = Zone(nullptr).At(UnixSecondsOf(static_cast<int64_t>(ToTicks(winapi::Now())))).seconds;
    int64_t shifted = ticks + direction * offset * kTicksPerSecond;
    if (shifted < 0) return Fail(ERROR_INVALID_PARAMETER);
    *to = FromTicks(static_cast<uint64_t>(shifted));
    return TRUE;
}

void CopyName(WCHAR (&target)[32], const char* name) {
    std::u16string wide = winapi::ToUtf16(name ? name : "");
    size_t n = std::min<size_t>(wide.size(), 31);
    std::copy_n(wide.begin(), n, target);
    target[n] = 0;
}

// A change of the zone's offset at `instant` (the first second of the new
// offset) as a yearly rule in the local time of the old offset.
SYSTEMTIME RuleOf(int64_t instant, int64_t oldOffset) {
    SYSTEMTIME local = SystemTimeOf((instant + oldOffset + kSecondsFrom1601To1970) * kTicksPerSecond);
    SYSTEMTIME rule = local;
    rule.wYear = 0;
    rule.wDay =
        static_cast<WORD>(local.wDay + 7u > DaysInMonth(local.wYear, local.wMonth) ? 5 : (local.wDay - 1) / 7 + 1);
    rule.wMilliseconds = 0;
    return rule;
}

}  // namespace

namespace winapi {

FILETIME Now() {
    Clock& clock = TheClock();
    {
        std::lock_guard<std::mutex> lock(clock.mutex);
        if (clock.stoppedAt) return FromTicks(static_cast<uint64_t>(*clock.stoppedAt));
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return FromTicks(
        static_cast<uint64_t>((now.tv_sec + kSecondsFrom1601To1970) * kTicksPerSecond + now.tv_nsec / 100));
}

namespace testing {

void SetClockForTesting(std::optional<FILETIME> now) {
    Clock& clock = TheClock();
    std::lock_guard<std::mutex> lock(clock.mutex);
    clock.stoppedAt.reset();
    if (now) clock.stoppedAt = static_cast<int64_t>(ToTicks(*now));
}

void AdvanceClockForTesting(LONGLONG milliseconds) {
    Clock& clock = TheClock();
    std::lock_guard<std::mutex> lock(clock.mutex);
    if (clock.stoppedAt) clock.stoppedAt = std::max<int64_t>(0, *clock.stoppedAt + milliseconds * kTicksPerMillisecond);
    // The tick count never goes back.
    if (milliseconds > 0) g_tickAdvanceMs += milliseconds;
}

}  // namespace testing

}  // namespace winapi

void WINAPI GetSystemTimeAsFileTime(LPFILETIME time) {
    if (time) *time = winapi::Now();
}

void WINAPI GetSystemTime(LPSYSTEMTIME time) {
    if (time) *time = SystemTimeOf(static_cast<int64_t>(ToTicks(winapi::Now())));
}

void WINAPI GetLocalTime(LPSYSTEMTIME time) {
    if (!time) return;
    SYSTEMTIME universal;
    GetSystemTime(&universal);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, time)) *time = universal;
}

BOOL WINAPI FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime) {
    if (!fileTime || !systemTime) return Fail(ERROR_INVALID_PARAMETER);
    auto ticks = static_cast<int64_t>(ToTicks(*fileTime));
    if (!FitsSystemTime(ticks)) return Fail(ERROR_INVALID_PARAMETER);
    *systemTime = SystemTimeOf(ticks);
    return TRUE;
}

BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime) {
    if (!systemTime || !fileTime || !IsValid(*systemTime)) return Fail(ERROR_INVALID_PARAMETER);
    *fileTime = FromTicks(static_cast<uint64_t>(TicksOf(*systemTime)));
    return TRUE;
}

BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
    return ShiftFileTime(fileTime, localFileTime, +1);
}

BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime) {
    return ShiftFileTime(localFileTime, fileTime, -1);
}

BOOL WINAPI SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* zoneRules, const SYSTEMTIME* universal,
                                            LPSYSTEMTIME local) {
    Zone zone(zoneRules);
    if (!universal || !local || !IsValid(*universal) || !zone.IsValid()) return Fail(ERROR_INVALID_PARAMETER);
    int64_t ticks = TicksOf(*universal);
    int64_t shifted = ticks + zone.At(UnixSecondsOf(ticks)).seconds * kTicksPerSecond;
    if (!FitsSystemTime(shifted)) return Fail(ERROR_INVALID_PARAMETER);
    *local = SystemTimeOf(shifted);
    return TRUE;
}

BOOL WINAPI TzSpecificLocalTimeToSystemTime(const TIME_ZONE_INFORMATION* zoneRules, const SYSTEMTIME* local,
                                            LPSYSTEMTIME universal) {
    Zone zone(zoneRules);
    if (!universal || !local || !IsValid(*local) || !zone.IsValid()) return Fail(ERROR_INVALID_PARAMETER);
    int64_t ticks = TicksOf(*local);
    int64_t localSeconds = UnixSecondsOf(ticks);
    int64_t shifted = ticks + (zone.Universal(localSeconds) - localSeconds) * kTicksPerSecond;
    if (!FitsSystemTime(shifted)) return Fail(ERROR_INVALID_PARAMETER);
    *universal = SystemTimeOf(shifted);
    return TRUE;
}

DWORD WINAPI GetTimeZoneInformation(LPTIME_ZONE_INFORMATION info) {
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return TIME_ZONE_ID_INVALID;
    }
    Zone zone(nullptr);
    int64_t now = UnixSecondsOf(static_cast<int64_t>(ToTicks(winapi::Now())));
    Offset current = zone.At(now);

    // This year's changes: find the days on which the offset changes, then
    // the second by halving.
    int64_t year = YearOfSeconds(now + current.seconds);
    int64_t from = DaysFromCivil(year, 1, 1) * 86'400, to = DaysFromCivil(year + 1, 1, 1) * 86'400;
    struct Change {
        int64_t instant;
        Offset before, after;
    };
    std::vector<Change> changes;
    Offset previous = zone.At(from);
    for (int64_t t = from + 86'400; t <= to; t += 86'400) {
        Offset next = zone.At(t);
        if (next.seconds == previous.seconds && next.daylight == previous.daylight) continue;
        int64_t low = t - 86'400, high = t;  // At(low) is `previous`, At(high) is `next`
        while (high - low > 1) {
            int64_t middle = low + (high - low) / 2;
            Offset seen = zone.At(middle);
            (seen.seconds == previous.seconds && seen.daylight == previous.daylight ? low : high) = middle;
        }
        changes.push_back({high, previous, next});
        previous = next;
    }

    *info = TIME_ZONE_INFORMATION{};
    time_t nowTime = static_cast<time_t>(now);
    tm parts{};
    localtime_r(&nowTime, &parts);
    bool yearlyDaylight = changes.size() == 2 && changes[0].before.daylight != changes[0].after.daylight &&
                          changes[1].before.daylight != changes[1].after.daylight;
    if (!yearlyDaylight) {
        info->Bias = static_cast<LONG>(-current.seconds / 60);
        CopyName(info->StandardName, parts.tm_zone);
        return TIME_ZONE_ID_UNKNOWN;
    }
    const Change& begins = changes[0].after.daylight ? changes[0] : changes[1];
    const Change& ends = changes[0].after.daylight ? changes[1] : changes[0];
    int64_t standard = begins.before.seconds, daylight = begins.after.seconds;
    info->Bias = static_cast<LONG>(-standard / 60);
    info->StandardBias = 0;
    info->DaylightBias = static_cast<LONG>(-(daylight - standard) / 60);
    info->DaylightDate = RuleOf(begins.instant, standard);
    info->StandardDate = RuleOf(ends.instant, daylight);
    for (const Change* change : {&begins, &ends}) {
        time_t at = static_cast<time_t>(change->instant);
        tm named{};
        localtime_r(&at, &named);
        CopyName(change == &begins ? info->DaylightName : info->StandardName, named.tm_zone);
    }
    return current.daylight ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

ULONGLONG WINAPI GetTickCount64() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<ULONGLONG>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000 +
           static_cast<ULONGLONG>(g_tickAdvanceMs.load());
}

DWORD WINAPI GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }
