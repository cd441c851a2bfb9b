#include "migrations.h"

#include "schema_steps.h"
#include "vaultdb/database.h"
#include "vaultdb/errors.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"

#include <chrono>
#include <iterator>
#include <memory>
#include <string>

namespace vaultdb {
namespace {

// Step n brings the schema to version n + 1. Steps are only ever appended:
// a shipped step never changes, so every vault passes through the same ones.
const char* const* const kSteps[] = {kSchemaV1, kSchemaV2};

double NowAsDate() {
    // Automation DATE: days since 1899-12-30, which is 25569 days before the
    // Unix epoch.
    const auto seconds = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    return 25569.0 + seconds / 86400.0;
}

std::string WithIdColumn(std::string sql, std::string_view idColumn) {
    static constexpr std::string_view kMarker = "@ID@";
    for (size_t at = sql.find(kMarker); at != std::string::npos; at = sql.find(kMarker, at + idColumn.size()))
        sql.replace(at, kMarker.size(), idColumn);
    return sql;
}

// The applied version, read inside the migration's transaction so that two
// processes opening a new vault at once apply each step once.
HRESULT ReadVersion(Database& database, int& version) {
    std::unique_ptr<Statement> query;
    HRESULT hr = database.Prepare("SELECT MAX(version) FROM schema_version", query);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = query->Step())) return hr;
    version = (hr == S_OK && !query->ColumnIsNull(0)) ? query->ColumnInt32(0) : 0;
    return S_OK;
}

HRESULT ApplyStep(Database& database, int target, std::string_view idColumn) {
    std::unique_ptr<Statement> record;
    HRESULT hr;
    for (const char* const* sql = kSteps[target - 1]; *sql; ++sql) {
        if (FAILED(hr = database.Execute(WithIdColumn(*sql, idColumn)))) return hr;
    }
    if (FAILED(hr = database.Prepare("INSERT INTO schema_version (version, applied_utc) VALUES (?, ?)", record)))
        return hr;
    record->BindInt32(1, target);
    record->BindDouble(2, NowAsDate());
    return record->Execute();
}

}  // namespace

int LatestSchemaVersion() { return static_cast<int>(std::size(kSteps)); }

HRESULT MigrateSchema(Database& database, std::string_view idColumn, int& version) {
    version = 0;
    for (;;) {
        Transaction transaction(database);
        HRESULT hr = transaction.Begin();
        if (FAILED(hr)) return hr;
        hr = database.Execute(
            "CREATE TABLE IF NOT EXISTS schema_version ("
            "version INTEGER NOT NULL PRIMARY KEY, applied_utc DOUBLE PRECISION NOT NULL)");
        if (FAILED(hr) || FAILED(hr = ReadVersion(database, version))) return hr;
        if (version > LatestSchemaVersion()) return VDB_E_SCHEMA_TOO_NEW;
        if (version == LatestSchemaVersion()) return transaction.Commit();
        if (FAILED(hr = ApplyStep(database, version + 1, idColumn))) return hr;
        if (FAILED(hr = transaction.Commit())) return hr;
    }
}

}  // namespace vaultdb
