// The SQLite backend of the vault database interface. Everything specific to
// SQLite (PRAGMAs, BEGIN IMMEDIATE, the busy handler, result codes) stays in
// this backend.
#pragma once

#include "vaultdb/database.h"
#include "vaultdb/statement.h"
#include "winapi/errors.h"

#include <filesystem>
#include <memory>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace vaultdb {

class SqliteDatabase;

class SqliteStatement final : public Statement {
public:
    // Takes ownership of `statement`. The database outlives its statements.
    SqliteStatement(SqliteDatabase& database, sqlite3_stmt* statement);
    ~SqliteStatement() override;

    HRESULT BindInt32(int index, int32_t value) override;
    HRESULT BindInt64(int index, int64_t value) override;
    HRESULT BindDouble(int index, double value) override;
    HRESULT BindText(int index, std::u16string_view text) override;
    HRESULT BindText(int index, const char16_t* text) override;
    HRESULT BindBlob(int index, const void* data, size_t size) override;
    HRESULT BindNull(int index) override;
    HRESULT Step() override;
    HRESULT Execute() override;
    HRESULT Reset() override;
    int ColumnCount() const override;
    bool ColumnIsNull(int column) const override;
    int32_t ColumnInt32(int column) const override;
    int64_t ColumnInt64(int column) const override;
    double ColumnDouble(int column) const override;
    std::u16string ColumnText(int column) const override;
    std::vector<uint8_t> ColumnBlob(int column) const override;

private:
    HRESULT BindResult(int rc, int index);

    SqliteDatabase& database_;    // Not owned.
    sqlite3_stmt* statement_;     // Owned.
    HRESULT bindFailure_ = S_OK;  // the first failed bind since the last Reset
};

class SqliteDatabase final : public Database {
public:
    ~SqliteDatabase() override;

    static HRESULT Open(const std::filesystem::path& file, OpenMode mode, std::unique_ptr<Database>& database,
                        std::string& errorText);

    HRESULT Prepare(std::string_view sql, std::unique_ptr<Statement>& statement) override;
    HRESULT Execute(std::string_view sql) override;
    HRESULT Begin() override;
    HRESULT Commit() override;
    HRESULT Rollback() override;
    bool InTransaction() const override;
    const std::string& LastErrorText() const override { return lastError_; }
    int SchemaVersion() const override { return schemaVersion_; }
    const std::filesystem::path& File() const override { return file_; }
    HRESULT CheckIntegrity(std::string& report) override;

    // Records the outcome of a call: clears the error text on success, or
    // describes SQLite's error and maps `rc` to a failure code.
    HRESULT Result(int rc, std::string_view doing);
    HRESULT Fail(HRESULT hr, std::string text);
    void ClearError() { lastError_.clear(); }

private:
    explicit SqliteDatabase(std::filesystem::path file) : file_(std::move(file)) {}
    HRESULT Configure(bool creating);
    HRESULT SwitchToWal();

    std::filesystem::path file_;
    sqlite3* db_ = nullptr;  // Owned.
    std::string lastError_;
    int schemaVersion_ = 0;
};

}  // namespace vaultdb
