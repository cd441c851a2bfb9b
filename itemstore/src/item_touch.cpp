// Marking a cached item as changed now (mhTouchItem).
//
// A clean record's date is UTC, as the vault delivered it; a touched record
// holds local time. A touch never moves a clean record's date to less than
// 2 seconds after its stored date (seen in UTC), so that the vault sees the
// item as changed even within the second of its last check-in.
#include "itemstore/item_cache_file.h"

#include "com/ole_date.h"
#include "winapi/system_time.h"

#include <cmath>

namespace {

constexpr double kTwoSeconds = 2.0 / 86400.0;
constexpr double kHalfSecond = 0.5 / 86400.0;

// The current local time at whole seconds; 0.0 when it cannot be converted.
DATE LocalNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    now.wMilliseconds = 0;
    DATE date = 0.0;
    if (!SystemTimeToVariantTime(&now, &date)) return 0.0;
    return date;
}

// Local -> UTC with the current zone; unconverted when not above 0 or a
// step fails.
DATE LocalToUtc(DATE local) {
    if (local <= 0.0) return local;
    SYSTEMTIME localTime{}, universal{};
    DATE converted = 0.0;
    if (!VariantTimeToSystemTime(local, &localTime) ||
        !TzSpecificLocalTimeToSystemTime(nullptr, &localTime, &universal) ||
        !SystemTimeToVariantTime(&universal, &converted))
        return local;
    return converted;
}

// UTC -> local with the current zone; unconverted when not above 0 or a
// step fails.
DATE UtcToLocal(DATE universal) {
    if (universal <= 0.0) return universal;
    SYSTEMTIME universalTime{}, localTime{};
    DATE converted = 0.0;
    if (!VariantTimeToSystemTime(universal, &universalTime) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universalTime, &localTime) ||
        !SystemTimeToVariantTime(&localTime, &converted))
        return universal;
    return converted;
}

// Adds a span to a DATE. Dates before 1899-12-30 count their fraction
// forward within the day, so they are made linear (continuous) for the sum
// and the sum is turned back.
DATE AddToDate(DATE date, double span) {
    if (date <= -kHalfSecond) {
        const double whole = std::ceil(date);
        date = whole - (date - whole);
    }
    double sum = date + span;
    if (sum <= -kHalfSecond) {
        const double whole = std::floor(sum);
        sum = whole + (whole - sum);
    }
    return sum;
}

}  // namespace

HRESULT CItemCacheFile::mhTouchItem(CItemCacheLock& lock, std::u16string_view name) {
    RefPtr<ItemObject> record;
    HRESULT hr = mhReadItem(lock, name, record);
    if (FAILED(hr)) return hr;

    const bool wasDirty = record->mlDirty != 0;
    const DATE storedDate = record->mdModifiedDate;
    const DATE now = LocalNow();
    record->mdModifiedDate = now;
    record->mlDirty = 1;
    if (!wasDirty && LocalToUtc(now) - storedDate < kTwoSeconds) {
        DATE later = AddToDate(storedDate, kTwoSeconds);
        if (later > 0.0) later = UtcToLocal(later);
        record->mdModifiedDate = later;
    }
    return mhWriteItem(lock, record);
}
