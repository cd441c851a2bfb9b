// The local versions of the client library (file-info slot 4), answered
// from the vault database: a file record's local version is the version of
// the file whose stored time is the local file's time given in moModified.
//
// Both times are compared as the item server takes the local file's time:
// whole seconds, rounded down to an even number (the precision of the file
// times it compares with). When several versions share that time, the
// newest is taken; when none does, or the vault has no such file, the local
// version is -1. Records of other types are left as they are.
#pragma once

#include "com/variant.h"
#include "winapi/types.h"

struct SAFEARRAY;

namespace vaultdb {
class Database;
}

namespace tavrosk {

// The time `date` (an automation DATE) at the precision compared above, in
// seconds since the DATE epoch.
long long ComparableFileTime(DATE date);

// Fills mlLocalVersion of the file records of `items`
// (SAFEARRAY(ItmObjectData)) in place, reading in one transaction. Failures
// raise a COM error.
void FillLocalVersions(vaultdb::Database& database, SAFEARRAY* items);

}  // namespace tavrosk
