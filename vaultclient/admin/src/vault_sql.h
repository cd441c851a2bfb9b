// Small helpers over the vault database interface for the admin operations:
// run a statement with its values bound in order, read one id back. Every
// failure becomes an AdminError with the database's own description.
#pragma once

#include "vaultdb/database.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace vaultadmin {

// One "?" parameter: an integer, a floating-point number, a text or NULL.
using SqlValue = std::variant<std::monostate, int64_t, double, std::u16string>;

inline SqlValue Null() { return std::monostate{}; }

class VaultSql {
public:
    explicit VaultSql(vaultdb::Database& database) : database_(database) {}

    // Runs a statement that returns no rows.
    void Run(std::string_view sql, std::initializer_list<SqlValue> values = {});
    // The first column of the first row as an int32; nullopt when there is
    // no row. "INSERT ... RETURNING id" reads the new id this way.
    std::optional<int32_t> QueryInt(std::string_view sql, std::initializer_list<SqlValue> values = {});
    // QueryInt that must find a row.
    int32_t Insert(std::string_view sql, std::initializer_list<SqlValue> values);

    vaultdb::Database& Database() { return database_; }

private:
    std::unique_ptr<vaultdb::Statement> Prepare(std::string_view sql, std::initializer_list<SqlValue> values);
    [[noreturn]] void Fail(std::string_view sql, HRESULT hr);

    vaultdb::Database& database_;  // Not owned.
};

}  // namespace vaultadmin
