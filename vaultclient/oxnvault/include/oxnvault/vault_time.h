// Times as the vault stores them (modified, locked, history and deletion
// times): an automation DATE in UTC.
#pragma once

namespace oxnvault {

// Now, as the vault stores times.
double NowUtcDate();

// A file time in whole seconds since 1970 (UTC), as the vault stores times.
double UnixSecondsUtcDate(long long seconds);

}  // namespace oxnvault
