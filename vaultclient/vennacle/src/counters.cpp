#include "vennacle/counters.h"

#include "sp_query.h"
#include "vaultdb/schema.h"

#include <string>

namespace vennacle {

namespace {

std::u16string CounterName(LONG id) {
    std::string digits = std::to_string(id);
    if (digits.size() < 6) digits.insert(0, 6 - digits.size(), '0');
    return u"ITM-" + std::u16string(digits.begin(), digits.end());
}

}  // namespace

Counter ReserveCounter(vaultdb::Database& database) {
    Counter counter;
    {
        SpQuery free(database, "SELECT id, name FROM counters WHERE state = ? ORDER BY id LIMIT 1");
        free.Bind(int32_t{vaultdb::kCounterFree});
        if (free.Next()) {
            counter.mlID = free.Int(0);
            counter.moName = free.Text(1);
        }
    }
    if (counter.mlID != 0) {
        SpQuery reserve(database, "UPDATE counters SET state = ? WHERE id = ?");
        reserve.Bind(int32_t{vaultdb::kCounterReserved}).Bind(counter.mlID).Run();
        return counter;
    }

    SpQuery last(database, "SELECT COALESCE(MAX(id), 0) FROM counters");
    last.Next();
    counter.mlID = last.Int(0);
    // A name taken by a counter made elsewhere is skipped.
    SpQuery taken(database, "SELECT 1 FROM counters WHERE name = ?");
    do {
        ++counter.mlID;
        counter.moName = CounterName(counter.mlID);
        taken.Reset();
        taken.Bind(counter.moName);
    } while (taken.Next());
    SpQuery insert(database, "INSERT INTO counters (id, name, state) VALUES (?, ?, ?)");
    insert.Bind(counter.mlID).Bind(counter.moName).Bind(int32_t{vaultdb::kCounterReserved}).Run();
    return counter;
}

void FreeReservedCounter(vaultdb::Database& database, LONG counterId) {
    SpQuery free(database,
                 "UPDATE counters SET state = ?, reserved_by = NULL, reserved_view_guid = NULL, reserved_kind = 0"
                 " WHERE id = ? AND state = ?");
    free.Bind(int32_t{vaultdb::kCounterFree}).Bind(counterId).Bind(int32_t{vaultdb::kCounterReserved}).Run();
}

}  // namespace vennacle
