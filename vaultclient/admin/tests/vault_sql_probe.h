// Reading single numbers from a vault database in tests.
#pragma once

#include "vaultdb/database.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace vault_sql_probe {

inline int64_t Scalar(vaultdb::Database& database, const char* sql) {
    std::unique_ptr<vaultdb::Statement> statement;
    HRESULT hr = database.Prepare(sql, statement);
    EXPECT_EQ(hr, S_OK) << sql << ": " << database.LastErrorText();
    if (FAILED(hr) || statement->Step() != S_OK) return -1;
    return statement->ColumnInt64(0);
}

}  // namespace vault_sql_probe
