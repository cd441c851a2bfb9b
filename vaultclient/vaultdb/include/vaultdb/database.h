// One open vault database. The interface is the whole of what the vault's
// components use, so another backend (a team server) can sit behind it; the
// embedded default is SQLite (see OpenVaultDatabase).
//
// A Database is used by one thread at a time. Several processes may open the
// same vault at once: a writer waits (busy time-out) for another writer's
// transaction instead of failing.
#pragma once

#include "vaultdb/statement.h"
#include "winapi/types.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace vaultdb {

class PendingFolderFlushes;  // src/pending_folder_flushes.h

class Database {
public:
    virtual ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Compiles one SQL statement ("?" parameters).
    virtual HRESULT Prepare(std::string_view sql, std::unique_ptr<Statement>& statement) = 0;
    // Runs SQL without parameters or results (one or several statements
    // separated by ";").
    virtual HRESULT Execute(std::string_view sql) = 0;

    // Transactions; use the Transaction class rather than these. Begin takes
    // the write lock at once (BEGIN IMMEDIATE), so two writers never meet a
    // deadlock half-way: the second waits at Begin. Commit first flushes the
    // folders of the archive files the transaction stored (FoldersToFlush),
    // and commits nothing when that fails: a committed row never names a
    // file a power cut could take away.
    virtual HRESULT Begin() = 0;
    virtual HRESULT Commit() = 0;
    virtual HRESULT Rollback() = 0;
    virtual bool InTransaction() const = 0;

    // The folders the open transaction's archive files went to (archive.cpp
    // notes them, Commit flushes them).
    PendingFolderFlushes& FoldersToFlush() { return *foldersToFlush_; }

    // The description of the latest failure of this connection (English, for
    // logs and error info), empty when the latest call succeeded.
    virtual const std::string& LastErrorText() const = 0;

    // The schema version of the open vault (after migrations at open).
    virtual int SchemaVersion() const = 0;
    // The database file and the archive folder of its version contents.
    virtual const std::filesystem::path& File() const = 0;
    std::filesystem::path ArchiveFolder() const;

    // Checks the whole database ("ok" in `report` when sound).
    virtual HRESULT CheckIntegrity(std::string& report) = 0;

protected:
    Database();

private:
    std::unique_ptr<PendingFolderFlushes> foldersToFlush_;
};

enum class OpenMode {
    OpenExisting,  // VDB_E_NOT_FOUND when there is no such file
    CreateNew,     // VDB_E_EXISTS when the file is there already
    OpenOrCreate,
};

// Opens (or creates) the SQLite vault database `file`, brings its schema up
// to date (each pending migration in its own transaction) and returns it.
// Creating also makes the archive folder beside it (ArchiveFolderOf).
// On failure `errorText` (when given) receives the description.
HRESULT OpenVaultDatabase(const std::filesystem::path& file, OpenMode mode, std::unique_ptr<Database>& database,
                          std::string* errorText = nullptr);

// Where a registered vault's database lies: the file "<DbName>.vault" in its
// server folder (DbServer as a local path). DbName is a file name, never a
// path of its own: an empty name, or one holding "\\", "/" or ":", gives an
// empty path.
std::filesystem::path VaultDatabaseFile(const std::filesystem::path& serverFolder, std::u16string_view dbName);

// "<folder>/<stem>.archive" for the database "<folder>/<stem>.<ext>".
std::filesystem::path ArchiveFolderOf(const std::filesystem::path& databaseFile);

}  // namespace vaultdb
