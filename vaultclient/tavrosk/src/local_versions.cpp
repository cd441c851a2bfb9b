#include "local_versions.h"

#include "bellquist/records.h"
#include "common/record_array.h"
#include "vault_objects.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"

#include <cmath>

namespace tavrosk {

long long ComparableFileTime(DATE date) {
    // The small addition keeps a time that is a whole second from falling
    // just below it through the rounding of the DATE's fraction.
    const long long seconds = static_cast<long long>(std::floor(date * 86400.0 + 1e-4));
    return seconds & ~1LL;
}

void FillLocalVersions(vaultdb::Database& database, SAFEARRAY* items) {
    if (!items) return;  // nothing to fill
    RecordArray<BellquistLib::ItmObjectData> records(items);
    vaultdb::Transaction transaction(database);
    CheckDatabase(database, transaction.Begin());
    VaultReader reader(database);
    for (BellquistLib::ItmObjectData* record = records.mpoBegin(); record != records.mpoEnd(); ++record) {
        if (record->meObjectType != BellquistLib::ItmObjectType_File) continue;
        LONG localVersion = -1;
        const long long localTime = ComparableFileTime(record->moModified);
        for (const auto& [version, time] : reader.FileVersionTimes(record->mlObjectID))
            if (ComparableFileTime(time) == localTime) localVersion = version;
        record->mlLocalVersion = localVersion;
    }
    CheckDatabase(database, transaction.Rollback());  // read only: nothing to keep
}

}  // namespace tavrosk
