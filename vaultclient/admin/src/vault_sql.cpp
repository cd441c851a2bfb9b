#include "vault_sql.h"

#include "vaultadmin/admin_error.h"

#include "vaultdb/statement.h"
#include "winapi/errors.h"

#include <cstdio>

namespace vaultadmin {

void VaultSql::Fail(std::string_view sql, HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof(code), "0x%08X", static_cast<unsigned>(hr));
    std::string text = database_.LastErrorText();
    throw AdminError("the vault database refused \"" + std::string(sql.substr(0, 60)) +
                     "...\": " + (text.empty() ? std::string(code) : text + " (" + code + ")"));
}

std::unique_ptr<vaultdb::Statement> VaultSql::Prepare(std::string_view sql, std::initializer_list<SqlValue> values) {
    std::unique_ptr<vaultdb::Statement> statement;
    HRESULT hr = database_.Prepare(sql, statement);
    if (FAILED(hr)) Fail(sql, hr);
    int index = 1;
    for (const SqlValue& value : values) {
        if (const auto* number = std::get_if<int64_t>(&value))
            hr = statement->BindInt64(index, *number);
        else if (const auto* real = std::get_if<double>(&value))
            hr = statement->BindDouble(index, *real);
        else if (const auto* text = std::get_if<std::u16string>(&value))
            hr = statement->BindText(index, std::u16string_view(*text));
        else
            hr = statement->BindNull(index);
        if (FAILED(hr)) Fail(sql, hr);
        ++index;
    }
    return statement;
}

void VaultSql::Run(std::string_view sql, std::initializer_list<SqlValue> values) {
    auto statement = Prepare(sql, values);
    if (HRESULT hr = statement->Execute(); FAILED(hr)) Fail(sql, hr);
}

std::optional<int32_t> VaultSql::QueryInt(std::string_view sql, std::initializer_list<SqlValue> values) {
    auto statement = Prepare(sql, values);
    HRESULT hr = statement->Step();
    if (FAILED(hr)) Fail(sql, hr);
    if (hr != S_OK) return std::nullopt;
    int32_t value = statement->ColumnInt32(0);
    // Finish the statement so that an INSERT ... RETURNING completes.
    while ((hr = statement->Step()) == S_OK) {}
    if (FAILED(hr)) Fail(sql, hr);
    return value;
}

int32_t VaultSql::Insert(std::string_view sql, std::initializer_list<SqlValue> values) {
    std::optional<int32_t> id = QueryInt(sql, values);
    if (!id) throw AdminError("the vault database returned no id for \"" + std::string(sql.substr(0, 60)) + "...\"");
    return *id;
}

}  // namespace vaultadmin
