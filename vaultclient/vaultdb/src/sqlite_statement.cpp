#include "sqlite_backend.h"

#include "vaultdb/errors.h"

#include <sqlite3.h>

namespace vaultdb {

SqliteStatement::SqliteStatement(SqliteDatabase& database, sqlite3_stmt* statement)
    : database_(database), statement_(statement) {}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

HRESULT SqliteStatement::BindResult(int rc, int index) {
    if (rc == SQLITE_OK) return database_.Result(rc, {});  // the text is built only for a failure
    const HRESULT hr = database_.Result(rc, "bind parameter " + std::to_string(index));
    if (SUCCEEDED(bindFailure_)) bindFailure_ = hr;
    return hr;
}

HRESULT SqliteStatement::BindInt32(int index, int32_t value) {
    return BindResult(sqlite3_bind_int(statement_, index, value), index);
}

HRESULT SqliteStatement::BindInt64(int index, int64_t value) {
    return BindResult(sqlite3_bind_int64(statement_, index, value), index);
}

HRESULT SqliteStatement::BindDouble(int index, double value) {
    return BindResult(sqlite3_bind_double(statement_, index, value), index);
}

HRESULT SqliteStatement::BindText(int index, std::u16string_view text) {
    // SQLite binds NULL for a null pointer; an empty view may have one.
    const char16_t* data = text.empty() ? u"" : text.data();
    return BindResult(sqlite3_bind_text64(statement_, index, reinterpret_cast<const char*>(data),
                                          text.size() * sizeof(char16_t), SQLITE_TRANSIENT, SQLITE_UTF16LE),
                      index);
}

HRESULT SqliteStatement::BindText(int index, const char16_t* text) {
    return text ? BindText(index, std::u16string_view(text)) : BindNull(index);
}

HRESULT SqliteStatement::BindBlob(int index, const void* data, size_t size) {
    if (size == 0) return BindResult(sqlite3_bind_zeroblob(statement_, index, 0), index);
    if (!data) {
        const HRESULT hr = database_.Fail(E_POINTER, "bind parameter " + std::to_string(index) + ": no blob data");
        if (SUCCEEDED(bindFailure_)) bindFailure_ = hr;
        return hr;
    }
    return BindResult(sqlite3_bind_blob64(statement_, index, data, size, SQLITE_TRANSIENT), index);
}

HRESULT SqliteStatement::BindNull(int index) { return BindResult(sqlite3_bind_null(statement_, index), index); }

HRESULT SqliteStatement::Step() {
    // A statement missing a value it was given must not run with NULL in
    // its place.
    if (FAILED(bindFailure_)) return bindFailure_;
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) {
        database_.ClearError();
        return S_OK;
    }
    if (rc == SQLITE_DONE) {
        database_.ClearError();
        return S_FALSE;
    }
    return database_.Result(rc, std::string("run \"") + sqlite3_sql(statement_) + "\"");
}

HRESULT SqliteStatement::Execute() {
    HRESULT hr;
    while ((hr = Step()) == S_OK) {}
    return FAILED(hr) ? hr : S_OK;
}

HRESULT SqliteStatement::Reset() {
    sqlite3_reset(statement_);  // repeats the latest step's error, reported there already
    bindFailure_ = S_OK;
    return database_.Result(sqlite3_clear_bindings(statement_), "reset a statement");
}

int SqliteStatement::ColumnCount() const { return sqlite3_column_count(statement_); }

bool SqliteStatement::ColumnIsNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }

int32_t SqliteStatement::ColumnInt32(int column) const { return sqlite3_column_int(statement_, column); }

int64_t SqliteStatement::ColumnInt64(int column) const { return sqlite3_column_int64(statement_, column); }

double SqliteStatement::ColumnDouble(int column) const { return sqlite3_column_double(statement_, column); }

std::u16string SqliteStatement::ColumnText(int column) const {
    // The vault's encoding is UTF-16LE (little-endian machines only), so this
    // reads the stored code units without conversion.
    const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(statement_, column));
    if (!text) return {};
    return std::u16string(text, sqlite3_column_bytes16(statement_, column) / sizeof(char16_t));
}

std::vector<uint8_t> SqliteStatement::ColumnBlob(int column) const {
    const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(statement_, column));
    if (!data) return {};
    return std::vector<uint8_t>(data, data + sqlite3_column_bytes(statement_, column));
}

}  // namespace vaultdb
