// A fresh machine with a vault database file path in it, and small helpers.
#pragma once

#include "testsupport/fresh_machine.h"
#include "vaultdb/database.h"
#include "vaultdb/errors.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class VaultTest : public testsupport::FreshMachineTest {
protected:
    std::filesystem::path DbFile() const { return machine_.root() / "vaults" / "Demo.vdb"; }

    std::unique_ptr<vaultdb::Database> Open(vaultdb::OpenMode mode = vaultdb::OpenMode::OpenOrCreate) {
        std::filesystem::create_directories(DbFile().parent_path());
        std::unique_ptr<vaultdb::Database> db;
        const HRESULT hr = vaultdb::OpenVaultDatabase(DbFile(), mode, db);
        EXPECT_EQ(hr, S_OK) << std::hex << hr;
        return db;
    }

    // The first column of the first row as int64 (-1 when there is no row).
    static int64_t Scalar(vaultdb::Database& db, const std::string& sql) {
        std::unique_ptr<vaultdb::Statement> st;
        EXPECT_EQ(db.Prepare(sql, st), S_OK) << db.LastErrorText();
        if (!st) return -1;
        const HRESULT hr = st->Step();
        EXPECT_TRUE(SUCCEEDED(hr)) << db.LastErrorText();
        return hr == S_OK ? st->ColumnInt64(0) : -1;
    }
};
