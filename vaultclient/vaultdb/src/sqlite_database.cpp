#include "sqlite_backend.h"

#include "migrations.h"
#include "pending_folder_flushes.h"
#include "vaultdb/errors.h"
#include "vaultdb/private_files.h"
#include "winapi/text.h"
#include "winapi/unique_fd.h"

#include <fcntl.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <system_error>
#include <thread>

namespace vaultdb {
namespace {

// A writer waits this long for another process's transaction before giving
// up with VDB_E_BUSY. Vault transactions are short; the bound only keeps a
// hung peer from blocking a client for ever.
constexpr int kBusyTimeoutMs = 60000;

// Makes the new database file empty (an empty file is an empty SQLite
// database) with kPrivateFileMode before SQLite opens it, so the file and
// the companions SQLite gives its mode are the owner's alone from the
// start. `exclusive`: a file that exists by now is another's (EEXIST).
// 0 or the errno value.
int CreatePrivateFile(const std::filesystem::path& file, bool exclusive) {
    const int flags = O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (exclusive ? O_EXCL : 0);
    winapi::UniqueFd fd(::open(file.c_str(), flags, kPrivateFileMode));
    return fd ? 0 : errno;
}

HRESULT CodeOf(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_CONSTRAINT:
        return VDB_E_CONSTRAINT;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return VDB_E_BUSY;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return VDB_E_CORRUPT;
    case SQLITE_NOMEM:
        return E_OUTOFMEMORY;
    default:
        return VDB_E_FAIL;
    }
}

}  // namespace

SqliteDatabase::~SqliteDatabase() {
    // sqlite3_close_v2 defers the close until the last statement is gone, so
    // a statement that outlives us by mistake cannot touch freed memory.
    if (db_) sqlite3_close_v2(db_);
}

HRESULT SqliteDatabase::Result(int rc, std::string_view doing) {
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) {
        lastError_.clear();
        return S_OK;
    }
    std::string text(doing);
    text += ": ";
    text += db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    text += " (SQLite code " + std::to_string(rc) + ", " + file_.string() + ")";
    return Fail(CodeOf(rc), std::move(text));
}

HRESULT SqliteDatabase::Fail(HRESULT hr, std::string text) {
    lastError_ = std::move(text);
    return hr;
}

HRESULT SqliteDatabase::Open(const std::filesystem::path& file, OpenMode mode, std::unique_ptr<Database>& database,
                             std::string& errorText) {
    database.reset();
    errorText.clear();
    std::error_code ec;
    const bool exists = std::filesystem::exists(file, ec);
    if (mode == OpenMode::OpenExisting && !exists) {
        errorText = "no vault database " + file.string();
        return VDB_E_NOT_FOUND;
    }
    if (mode == OpenMode::CreateNew && exists) {
        errorText = "the vault database " + file.string() + " exists already";
        return VDB_E_EXISTS;
    }

    if (!exists) {
        // The file appearing since the check: CreateNew refuses it; OpenOrCreate
        // opens it as the creator sees it, as SQLite would have.
        const int error = CreatePrivateFile(file, mode == OpenMode::CreateNew);
        if (error == EEXIST) {
            errorText = "the vault database " + file.string() + " exists already";
            return VDB_E_EXISTS;
        }
        if (error != 0) {
            errorText = "create the vault database " + file.string() + ": " + std::generic_category().message(error);
            return VDB_E_FAIL;
        }
    }

    std::unique_ptr<SqliteDatabase> opened(new SqliteDatabase(file));
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
    if (mode != OpenMode::OpenExisting) flags |= SQLITE_OPEN_CREATE;
    HRESULT hr = opened->Result(sqlite3_open_v2(file.c_str(), &opened->db_, flags, nullptr), "open the vault database");
    if (SUCCEEDED(hr)) hr = opened->Configure(!exists);
    if (SUCCEEDED(hr)) hr = MigrateSchema(*opened, "INTEGER PRIMARY KEY", opened->schemaVersion_);
    if (hr == VDB_E_SCHEMA_TOO_NEW) opened->lastError_ = "the vault was written by a newer program: " + file.string();
    if (FAILED(hr)) {
        errorText = opened->lastError_;
        return hr;
    }
    if (!exists) {
        ec = MakePrivateFolders(ArchiveFolderOf(file));
        if (ec) {
            errorText = "create the archive folder: " + ec.message();
            return VDB_E_FAIL;
        }
    }
    database = std::move(opened);
    return S_OK;
}

HRESULT SqliteDatabase::Configure(bool creating) {
    HRESULT hr = Result(sqlite3_busy_timeout(db_, kBusyTimeoutMs), "set the busy time-out");
    if (FAILED(hr)) return hr;
    sqlite3_extended_result_codes(db_, 1);
    // Texts are UTF-16 at the interface; storing them as UTF-16 keeps every
    // code unit exact, unpaired surrogates included. Only a new file takes it.
    if (creating && FAILED(hr = Execute("PRAGMA encoding = 'UTF-16le'"))) return hr;
    // WAL: readers never block the writer and several processes share the
    // file. synchronous FULL: every commit is on disk when Commit returns -
    // in WAL mode NORMAL may lose the latest commits at a power cut, and a
    // vault must not forget a check-in it has confirmed.
    if (FAILED(hr = SwitchToWal())) return hr;
    return Execute("PRAGMA synchronous = FULL; PRAGMA foreign_keys = ON");
}

HRESULT SqliteDatabase::SwitchToWal() {
    // The switch needs the file to itself, and SQLite answers "busy" at once,
    // without its busy handler, while another process holds it - as happens
    // when two processes create a new vault together. Wait and retry here.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        std::unique_ptr<Statement> pragma;
        HRESULT hr = Prepare("PRAGMA journal_mode = WAL", pragma);
        if (SUCCEEDED(hr)) hr = pragma->Step();
        // A file system without shared memory keeps the old mode: refuse it
        // rather than run a vault that other processes cannot share safely.
        if (hr == S_OK && pragma->ColumnText(0) != u"wal")
            return Fail(VDB_E_FAIL, "the vault database cannot use write-ahead logging: " + file_.string());
        if (hr == S_OK) return S_OK;
        if (hr != VDB_E_BUSY || std::chrono::steady_clock::now() >= deadline) return FAILED(hr) ? hr : VDB_E_FAIL;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

HRESULT SqliteDatabase::Prepare(std::string_view sql, std::unique_ptr<Statement>& statement) {
    statement.reset();
    sqlite3_stmt* raw = nullptr;
    HRESULT hr = Result(sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &raw, nullptr),
                        "prepare \"" + std::string(sql) + "\"");
    if (FAILED(hr)) return hr;
    if (!raw) return Fail(VDB_E_FAIL, "prepare: the SQL text holds no statement");
    statement = std::make_unique<SqliteStatement>(*this, raw);
    return S_OK;
}

HRESULT SqliteDatabase::Execute(std::string_view sql) {
    const std::string text(sql);  // sqlite3_exec needs a terminated text
    return Result(sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr), "execute \"" + text + "\"");
}

HRESULT SqliteDatabase::Begin() {
    if (InTransaction()) return Fail(VDB_E_FAIL, "begin: a transaction is open already");
    // Left over from a transaction SQLite ended by itself (see Rollback).
    FoldersToFlush().Clear();
    // IMMEDIATE takes the write lock now, waiting through the busy handler:
    // a deferred transaction that first reads and then writes could fail with
    // SQLITE_BUSY half-way, which no busy time-out can repair.
    return Execute("BEGIN IMMEDIATE");
}

HRESULT SqliteDatabase::Commit() {
    if (!InTransaction()) return Fail(VDB_E_FAIL, "commit: no transaction is open");
    // The archive files this transaction stored are on disk already; the
    // folder entries naming them go there now, once per folder, before the
    // rows that name the files do.
    if (const int error = FoldersToFlush().FlushAll(); error != 0) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return Fail(ArchiveFileError(error),
                    "commit: flush the archive folders: " + std::system_category().message(error) +
                        "; the transaction was rolled back");
    }
    HRESULT hr = Execute("COMMIT");
    if (FAILED(hr) && InTransaction()) {
        const std::string reason = lastError_;
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        lastError_ = reason + "; the transaction was rolled back";
    }
    return hr;
}

HRESULT SqliteDatabase::Rollback() {
    FoldersToFlush().Clear();
    // SQLite rolls back by itself after some errors (a full disk, for one):
    // then there is nothing left to undo.
    if (!InTransaction()) {
        lastError_.clear();
        return S_OK;
    }
    return Execute("ROLLBACK");
}

bool SqliteDatabase::InTransaction() const { return db_ && sqlite3_get_autocommit(db_) == 0; }

HRESULT SqliteDatabase::CheckIntegrity(std::string& report) {
    report.clear();
    std::unique_ptr<Statement> check;
    HRESULT hr = Prepare("PRAGMA integrity_check", check);
    if (FAILED(hr)) return hr;
    while ((hr = check->Step()) == S_OK) {
        if (!report.empty()) report += '\n';
        report += winapi::ToUtf8(check->ColumnText(0));
    }
    return FAILED(hr) ? hr : S_OK;
}

HRESULT OpenVaultDatabase(const std::filesystem::path& file, OpenMode mode, std::unique_ptr<Database>& database,
                          std::string* errorText) {
    std::string text;
    const HRESULT hr = SqliteDatabase::Open(file, mode, database, text);
    if (errorText) *errorText = std::move(text);
    return hr;
}

}  // namespace vaultdb
