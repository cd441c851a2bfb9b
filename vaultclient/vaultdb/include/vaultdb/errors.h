// Failure codes of the vault database. Every call returns an HRESULT; a
// failure also leaves a readable description in Database::LastErrorText().
#pragma once

#include "winapi/errors.h"

#include <cerrno>

namespace vaultdb {

// Any failure without a more precise code below (I/O, misuse, SQL errors).
constexpr HRESULT VDB_E_FAIL = E_FAIL;
// A UNIQUE, FOREIGN KEY, CHECK or NOT NULL rule refused the change; callers
// map it to their own "exists already" codes.
constexpr HRESULT VDB_E_CONSTRAINT = MAKE_HRESULT(1, FACILITY_ITF, 0x0D01);
// Another connection kept the vault locked longer than the busy time-out.
constexpr HRESULT VDB_E_BUSY = MAKE_HRESULT(1, FACILITY_ITF, 0x0D02);
// The file is not a vault database or is damaged.
constexpr HRESULT VDB_E_CORRUPT = MAKE_HRESULT(1, FACILITY_ITF, 0x0D03);
// The vault was written by a newer program (its schema version is unknown).
constexpr HRESULT VDB_E_SCHEMA_TOO_NEW = MAKE_HRESULT(1, FACILITY_ITF, 0x0D04);
// The database file does not exist (OpenMode::OpenExisting) or exists
// already (OpenMode::CreateNew).
constexpr HRESULT VDB_E_NOT_FOUND = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
constexpr HRESULT VDB_E_EXISTS = HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);

// The code of a failed file operation of the archive (an errno value): a
// full disk keeps its own code, anything else is VDB_E_FAIL.
constexpr HRESULT ArchiveFileError(int error) {
    return error == ENOSPC ? HRESULT_FROM_WIN32(ERROR_DISK_FULL) : VDB_E_FAIL;
}

// What the codes above mean, in words for an administrator ("the database
// file is damaged or not a vault database"); null for any other code.
const char* ErrorDescription(HRESULT code);

}  // namespace vaultdb
